#pragma once
// Byte-level scanning shared by the project reader and the source cleaner.
// CR LF, a lone CR and a lone LF each end a line. CR and LF never belong to a
// double-byte character, so line ends can be found without stepping characters.

#include <cstdint>
#include <cstring>
#include <string_view>

namespace velmori::scan {

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

inline std::uint64_t HasLineEnd(std::uint64_t word) {
  return HasByte(word, '\r') | HasByte(word, '\n');
}

// The first CR or LF at or after p, or end.
inline const char* FindLineEnd(const char* p, const char* end) {
  while (end - p >= 8 && !HasLineEnd(Load8(p))) p += 8;
  while (p != end && *p != '\r' && *p != '\n') ++p;
  return p;
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

// Whether the bytes at p spell `lowerWord` (ASCII, lower case), folding ASCII
// letters only. The caller guarantees lowerWord.size() bytes at p.
inline bool EqualsNoCase(const char* p, std::string_view lowerWord) {
  for (char c : lowerWord) {
    if (FoldAscii(*p++) != c) return false;
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
