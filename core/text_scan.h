#pragma once
// Byte-level scanning shared by the project reader and the source cleaner.
// CR LF, a lone CR and a lone LF each end a line. CR and LF never belong to a
// double-byte character, so line ends can be found without stepping characters.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "code_page.h"

// SSE2 is part of every x86-64 processor; elsewhere the plain loops run.
#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#define VELMORI_SSE2 1
#include <emmintrin.h>
#else
#define VELMORI_SSE2 0
#endif

// For the few small functions of the inner loops that compilers may leave out of line.
#if defined(_MSC_VER)
#define VELMORI_ALWAYS_INLINE __forceinline
#else
#define VELMORI_ALWAYS_INLINE inline __attribute__((always_inline))
#endif

namespace velmori::scan {

// The first CR or LF at or after p, or end.
inline const char* FindLineEnd(const char* p, const char* end) {
#if VELMORI_SSE2
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  while (end - p >= 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i found = _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf));
    if (const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(found))) {
      return p + std::countr_zero(mask);
    }
    p += 16;
  }
#endif
  for (; p != end; ++p) {
    if (*p == '\r' || *p == '\n') return p;
  }
  return end;
}

// Whether the byte at `at` is the second byte of a double-byte character, given
// a character boundary `from` at or before it. Every byte that is no lead byte
// ends a character, so only the run of lead bytes right before `at` counts:
// they pair up from its start, and an odd run takes `at` with it. (Valid for a
// byte that is not CR or LF, which never pair.)
inline bool IsSecondByte(const char* from, const char* at, const CodePage& page) {
  const char* q = at;
  while (q != from && page.IsLead(static_cast<unsigned char>(q[-1]))) --q;
  return ((at - q) & 1) != 0;
}

// Where the next line starts, given where this one ends; crlf tells whether the
// line end was CR LF (the only ending written back unchanged).
inline const char* SkipLineEnd(const char* lineEnd, const char* end, bool& crlf) {
  crlf = false;
  if (lineEnd == end) return end;
  if (*lineEnd == '\r' && lineEnd + 1 != end && lineEnd[1] == '\n') {
    crlf = true;
    return lineEnd + 2;
  }
  return lineEnd + 1;
}

inline char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Whether `text` begins with `word`, ASCII letters of either case in both.
inline bool StartsWithNoCase(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (FoldAscii(text[i]) != FoldAscii(word[i])) return false;
  }
  return true;
}

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Splits a text into lines without their line ends.
class LineSplitter {
 public:
  explicit LineSplitter(std::string_view text) : p_(text.data()), end_(p_ + text.size()) {}

  bool Next(std::string_view& line) {
    if (p_ == end_) return false;
    const char* lineEnd = FindLineEnd(p_, end_);
    line = std::string_view(p_, static_cast<std::size_t>(lineEnd - p_));
    bool crlf;
    p_ = SkipLineEnd(lineEnd, end_, crlf);
    return true;
  }

 private:
  const char* p_;
  const char* end_;
};

// ---------------------------------------------------------------------------
// The cleaner's view of a text: blocks of 64 bytes, each described by masks
// (bit i for the block's byte i).

inline constexpr std::size_t kBlockSize = 64;

struct BlockMarks {
  std::uint64_t quotes = 0;       // '"'
  std::uint64_t apostrophes = 0;  // '\''
  // The last byte of each line end: every LF, and every CR not followed by an
  // LF. (A line's CR LF is marked at its LF, so the next line starts right after.)
  std::uint64_t lineEnds = 0;
  // Some line end here is not CR LF: a lone CR or a lone LF.
  bool otherLineEnd = false;
  // Bytes that may make the text no text of the code page: every NUL, and every
  // byte below 0x40 other than CR and LF right after a byte that may be a lead
  // byte. Whether it really is the second byte of a character is for the caller
  // to find out; every such second byte is here.
  std::uint64_t suspects = 0;
};

// A byte at a time: for any processor, and for the checks of the fast one.
class PlainMarker {
 public:
  explicit PlainMarker(const CodePage& page) : page_(page) {}

  // The marks of the n bytes (at most kBlockSize) at p. `first` says that p is
  // the start of the text (else p[-1] is the byte before), `last` that p + n is
  // its end (else p[n] is the byte after).
  BlockMarks Mark(const char* p, std::size_t n, bool first, bool last) const {
    BlockMarks block;
    bool afterLead = !first && page_.IsLead(static_cast<unsigned char>(p[-1]));
    for (std::size_t i = 0; i < n; ++i) {
      const auto byte = static_cast<unsigned char>(p[i]);
      const std::uint64_t bit = std::uint64_t{1} << i;
      const bool beforeLf = i + 1 < n ? p[i + 1] == '\n' : !last && p[n] == '\n';
      if (byte == '\n' || (byte == '\r' && !beforeLf)) {
        block.lineEnds |= bit;
        const bool afterCr = i > 0 ? p[i - 1] == '\r' : !first && p[-1] == '\r';
        block.otherLineEnd = block.otherLineEnd || byte == '\r' || !afterCr;
      } else if (byte == '"') {
        block.quotes |= bit;
      } else if (byte == '\'') {
        block.apostrophes |= bit;
      }
      if (byte == 0 || (byte < 0x40 && byte != '\r' && byte != '\n' && afterLead)) {
        block.suspects |= bit;
      }
      afterLead = page_.IsLead(byte);
    }
    return block;
  }

 private:
  const CodePage& page_;
};

#if VELMORI_SSE2
// Sixteen bytes at a time. Takes every byte from 0x80 on for a possible lead
// byte, so it is for code pages whose lead bytes all lie there (as those of
// Windows do): see CanMark.
class Sse2Marker {
 public:
  explicit Sse2Marker(const CodePage& page)
      : highGate_(_mm_set1_epi8(static_cast<char>(page.LowestLead() < 256 ? 0x80 : 0))) {}

  static bool CanMark(const CodePage& page) { return page.LowestLead() >= 0x80; }

  VELMORI_ALWAYS_INLINE BlockMarks Mark(const char* p, std::size_t n, bool first, bool last) const {
    return first || last ? MarkCopy(p, n, first, last) : MarkFull(p);
  }

 private:
  // The first and the last block: copied between filler bytes that mark nothing.
  BlockMarks MarkCopy(const char* p, std::size_t n, bool first, bool last) const {
    alignas(16) char copy[16 + kBlockSize + 16];
    std::memset(copy, 'A', sizeof copy);
    if (!first) copy[15] = p[-1];
    std::memcpy(copy + 16, p, n);
    if (!last) copy[16 + n] = p[n];
    BlockMarks block = MarkFull(copy + 16);
    const std::uint64_t inside = n == kBlockSize ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
    block.quotes &= inside;
    block.apostrophes &= inside;
    block.lineEnds &= inside;
    block.suspects &= inside;
    return block;
  }

  static std::uint64_t Bits(__m128i mask, int shift) {
    return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(mask))} << shift;
  }

  // The marks of the 64 bytes at p; p[-1] and p[64] are readable.
  VELMORI_ALWAYS_INLINE BlockMarks MarkFull(const char* p) const {
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i apostrophe = _mm_set1_epi8('\'');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i add40 = _mm_set1_epi8(0x40);
    const __m128i one = _mm_set1_epi8(1);
    BlockMarks block;
    __m128i other = _mm_setzero_si128();
    for (int i = 0; i < 4; ++i) {
      const char* at = p + 16 * i;
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
      const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at - 1));
      const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
      const __m128i isCr = _mm_cmpeq_epi8(bytes, cr);
      const __m128i isLf = _mm_cmpeq_epi8(bytes, lf);
      const __m128i loneCr = _mm_andnot_si128(_mm_cmpeq_epi8(after, lf), isCr);
      const __m128i lineEnd = _mm_or_si128(isLf, loneCr);
      other = _mm_or_si128(other, _mm_or_si128(loneCr, _mm_andnot_si128(_mm_cmpeq_epi8(before, cr), isLf)));
      // Top bits: the byte before may lead, or this byte minus one wraps (a
      // NUL); and this byte is below 0x40 (adding 0x40 leaves the top bit clear)
      // and no CR or LF.
      const __m128i leadOrNul =
          _mm_or_si128(_mm_and_si128(before, highGate_), _mm_sub_epi8(bytes, one));
      const __m128i suspect = _mm_andnot_si128(
          _mm_or_si128(_mm_or_si128(isCr, isLf), _mm_adds_epu8(bytes, add40)), leadOrNul);
      block.quotes |= Bits(_mm_cmpeq_epi8(bytes, quote), 16 * i);
      block.apostrophes |= Bits(_mm_cmpeq_epi8(bytes, apostrophe), 16 * i);
      block.lineEnds |= Bits(lineEnd, 16 * i);
      block.suspects |= Bits(suspect, 16 * i);
    }
    block.otherLineEnd = _mm_movemask_epi8(other) != 0;
    return block;
  }

  __m128i highGate_;  // 0x80 in each byte for a double-byte code page, else 0
};
#endif

}  // namespace velmori::scan
