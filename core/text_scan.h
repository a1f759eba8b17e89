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
  // Bytes that may make the text no text of the code page: every NUL, and (in a
  // double-byte code page) every byte below 0x40 other than CR and LF right
  // after a byte from 0x80 on, where all lead bytes lie. Whether it really is
  // the second byte of a character is for the caller to find out; every such
  // second byte is here.
  std::uint64_t suspects = 0;
};

// The marks of a block at the start or the end of the text: the block is
// copied between filler bytes that mark nothing, so that the marker may read a
// byte before it and a byte after it.
template <class Marker>
BlockMarks MarkCopy(const Marker& marker, const char* p, std::size_t n, bool first, bool last) {
  alignas(16) char copy[16 + kBlockSize + 16];
  std::memset(copy, 'A', sizeof copy);
  if (!first) copy[15] = p[-1];
  std::memcpy(copy + 16, p, n);
  if (!last) copy[16 + n] = p[n];
  BlockMarks block = marker.MarkFull(copy + 16);
  const std::uint64_t inside = n == kBlockSize ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
  block.quotes &= inside;
  block.apostrophes &= inside;
  block.lineEnds &= inside;
  block.suspects &= inside;
  return block;
}

// Eight bytes at a time in a 64-bit word, for any processor. Each test leaves
// the top bit set in every byte that passes it; those bits are gathered into
// the block's masks.
class PlainMarker {
 public:
  explicit PlainMarker(const CodePage& page) : leadGate_(page.HasLeadBytes() ? kHighs : 0) {}

  // The marks of the n bytes (at most kBlockSize) at p. `first` says that p is
  // the start of the text (else p[-1] is the byte before), `last` that p + n is
  // its end (else p[n] is the byte after).
  BlockMarks Mark(const char* p, std::size_t n, bool first, bool last) const {
    return first || last ? MarkCopy(*this, p, n, first, last) : MarkFull(p);
  }

  // The marks of the 64 bytes at p; p[-1] and p[64] are readable.
  BlockMarks MarkFull(const char* p) const {
    std::uint64_t quotes = 0, apostrophes = 0, crs = 0, lfs = 0, low = 0, high = 0, nul = 0;
    for (int i = 0; i < 8; ++i) {
      std::uint64_t word;
      std::memcpy(&word, p + 8 * i, sizeof word);
      const int shift = 8 * i;
      quotes |= Gather(Equal(word, '"')) << shift;
      apostrophes |= Gather(Equal(word, '\'')) << shift;
      crs |= Gather(Equal(word, '\r')) << shift;
      lfs |= Gather(Equal(word, '\n')) << shift;
      nul |= Gather(Equal(word, 0)) << shift;
      low |= Gather(Below(word, 0x40)) << shift;
      high |= Gather(word & leadGate_) << shift;
    }
    const auto before = static_cast<unsigned char>(p[-1]);
    const auto after = static_cast<unsigned char>(p[kBlockSize]);
    const std::uint64_t lfAfter = (lfs >> 1) | (std::uint64_t{after == '\n'} << 63);
    const std::uint64_t crBefore = (crs << 1) | std::uint64_t{before == '\r'};
    const std::uint64_t highBefore = (high << 1) | std::uint64_t{(before & leadGate_) != 0};
    const std::uint64_t loneCr = crs & ~lfAfter;
    BlockMarks block;
    block.quotes = quotes;
    block.apostrophes = apostrophes;
    block.lineEnds = lfs | loneCr;
    block.otherLineEnd = (loneCr | (lfs & ~crBefore)) != 0;
    block.suspects = (low & ~crs & ~lfs & highBefore) | nul;
    return block;
  }

 private:
  static constexpr std::uint64_t kOnes = 0x0101010101010101;
  static constexpr std::uint64_t kHighs = 0x8080808080808080;
  static constexpr std::uint64_t kLows = 0x7F7F7F7F7F7F7F7F;

  // The top bit of each byte equal to c.
  static std::uint64_t Equal(std::uint64_t word, unsigned char c) {
    const std::uint64_t x = word ^ (kOnes * c);
    return ~(((x & kLows) + kLows) | x) & kHighs;  // no carry leaves a byte
  }
  // The top bit of each byte below n (at most 0x80).
  static std::uint64_t Below(std::uint64_t word, unsigned char n) {
    return ~((word | kHighs) - kOnes * n) & ~word & kHighs;  // no borrow leaves a byte
  }
  // Bit i: the top bit of byte i is set (and no other bit is).
  static std::uint64_t Gather(std::uint64_t tops) {
    return ((tops >> 7) * 0x0102040810204080) >> 56;
  }

  // The top bits, for a double-byte code page (lead bytes are 0x80 or above).
  std::uint64_t leadGate_;
};

#if VELMORI_SSE2
// Sixteen bytes at a time.
class Sse2Marker {
 public:
  explicit Sse2Marker(const CodePage& page)
      : highGate_(_mm_set1_epi8(static_cast<char>(page.HasLeadBytes() ? 0x80 : 0))) {}

  VELMORI_ALWAYS_INLINE BlockMarks Mark(const char* p, std::size_t n, bool first, bool last) const {
    return first || last ? MarkCopy(*this, p, n, first, last) : MarkFull(p);
  }

  // The marks of the 64 bytes at p; p[-1] and p[64] are readable.
  VELMORI_ALWAYS_INLINE BlockMarks MarkFull(const char* p) const {
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i apostrophe = _mm_set1_epi8('\'');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i add40 = _mm_set1_epi8(0x40);
    const __m128i one = _mm_set1_epi8(1);
    std::uint64_t crs = 0;
    std::uint64_t lfs = 0;
    BlockMarks block;
    for (int i = 0; i < 4; ++i) {
      const char* at = p + 16 * i;
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
      const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at - 1));
      const __m128i isCr = _mm_cmpeq_epi8(bytes, cr);
      const __m128i isLf = _mm_cmpeq_epi8(bytes, lf);
      // Top bits: the byte before may lead, or this byte minus one wraps (a
      // NUL); and this byte is below 0x40 (adding 0x40 leaves the top bit clear)
      // and no CR or LF.
      const __m128i leadOrNul =
          _mm_or_si128(_mm_and_si128(before, highGate_), _mm_sub_epi8(bytes, one));
      const __m128i suspect = _mm_andnot_si128(
          _mm_or_si128(_mm_or_si128(isCr, isLf), _mm_adds_epu8(bytes, add40)), leadOrNul);
      block.quotes |= Bits(_mm_cmpeq_epi8(bytes, quote), 16 * i);
      block.apostrophes |= Bits(_mm_cmpeq_epi8(bytes, apostrophe), 16 * i);
      crs |= Bits(isCr, 16 * i);
      lfs |= Bits(isLf, 16 * i);
      block.suspects |= Bits(suspect, 16 * i);
    }
    const std::uint64_t lfAfter = (lfs >> 1) | (std::uint64_t{p[kBlockSize] == '\n'} << 63);
    const std::uint64_t crBefore = (crs << 1) | std::uint64_t{p[-1] == '\r'};
    const std::uint64_t loneCr = crs & ~lfAfter;
    block.lineEnds = lfs | loneCr;
    block.otherLineEnd = (loneCr | (lfs & ~crBefore)) != 0;
    return block;
  }

 private:
  static std::uint64_t Bits(__m128i mask, int shift) {
    return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(mask))} << shift;
  }

  __m128i highGate_;  // 0x80 in each byte for a double-byte code page, else 0
};
#endif

}  // namespace velmori::scan
