#pragma once
// Byte-level scanning shared by the project reader and the source cleaner.
// CR LF, a lone CR and a lone LF each end a line. CR and LF never belong to a
// double-byte character, so line ends can be found without stepping characters.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "code_page.h"

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#endif

namespace velmori::scan {

// The word-at-a-time searches below read the lowest flagged byte as the first.
static_assert(std::endian::native == std::endian::little);

inline constexpr std::uint64_t kOnes = 0x0101010101010101ull;
inline constexpr std::uint64_t kHighs = 0x8080808080808080ull;

inline std::uint64_t Load8(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// Nonzero when some byte of `word` equals `byte` (exact as a whole-word test).
inline std::uint64_t HasByte(std::uint64_t word, unsigned char byte) {
  const std::uint64_t x = word ^ (kOnes * byte);
  return (x - kOnes) & ~x & kHighs;
}

// The first byte at or after p that equals one of Bytes, or end. With FoldCase
// the bytes are compared with 0x20 set, so 'a' also finds 'A'. Sixteen bytes at
// a time where SSE2 is there (every x86-64), eight otherwise.
template <bool FoldCase, char... Bytes>
inline const char* FindAnyOf(const char* p, const char* end) {
#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
  const __m128i fold = _mm_set1_epi8(FoldCase ? 0x20 : 0);
  while (end - p >= 16) {
    const __m128i block =
        _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), fold);
    __m128i found = _mm_setzero_si128();
    ((found = _mm_or_si128(found, _mm_cmpeq_epi8(block, _mm_set1_epi8(Bytes)))), ...);
    if (const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(found))) {
      return p + std::countr_zero(mask);
    }
    p += 16;
  }
#else
  // A word at a time: the lowest flag of each HasByte mask is always exact.
  while (end - p >= 8) {
    const std::uint64_t word = Load8(p) | (FoldCase ? kOnes * 0x20 : 0);
    if (const std::uint64_t mask = (HasByte(word, Bytes) | ...)) {
      return p + std::countr_zero(mask) / 8;
    }
    p += 8;
  }
#endif
  for (; p != end; ++p) {
    const char c = FoldCase ? static_cast<char>(*p | 0x20) : *p;
    if (((c == Bytes) || ...)) return p;
  }
  return end;
}

// The first CR or LF at or after p, or end.
inline const char* FindLineEnd(const char* p, const char* end) {
  return FindAnyOf<false, '\r', '\n'>(p, end);
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

}  // namespace velmori::scan
