#pragma once
// Helpers shared by the fuzz targets: a plain, character-by-character reading of
// lines and characters, written independently of the core's fast scanning, and
// a check that stops the fuzzer with a readable message.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "code_page.h"

namespace velmori::fuzz {

inline constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);

// Prints what went wrong and aborts, so that libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char* what, std::size_t line, std::string_view expected,
                              std::string_view actual) {
  auto dump = [](const char* label, std::string_view bytes) {
    std::fprintf(stderr, "  %s (%zu bytes):", label, bytes.size());
    for (unsigned char c : bytes) std::fprintf(stderr, " %02X", c);
    std::fprintf(stderr, "\n");
  };
  std::fprintf(stderr, "\nINVARIANT FAILED: %s\n", what);
  if (line != kNoLine) {
    std::fprintf(stderr, "  at line %zu\n", line + 1);
    dump("expected", expected);
    dump("actual  ", actual);
  }
  std::abort();
}

[[noreturn]] inline void Fail(const char* what) { Fail(what, kNoLine, {}, {}); }

// The code pages a fuzz input may pick with its first byte: the double-byte
// ANSI code pages the program knows, and a single-byte one.
inline CodePage PickCodePage(std::uint8_t selector) {
  static constexpr unsigned kIds[] = {932, 936, 949, 950, 1361, 1252};
  return CodePage::ForId(kIds[selector % (sizeof kIds / sizeof kIds[0])]);
}

// Lines without their line ends: CR LF, a lone CR and a lone LF each end a
// line; a last line without a line end is still a line; no text, no lines.
inline std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(text.substr(start, i - start));
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// The characters of one line (which holds no CR or LF): a lead byte and the
// byte after it form one character; a lead byte at the end of the line is one.
inline std::vector<std::string_view> Characters(std::string_view line, const CodePage& page) {
  std::vector<std::string_view> chars;
  std::size_t i = 0;
  while (i < line.size()) {
    const std::size_t length =
        (page.IsLead(static_cast<unsigned char>(line[i])) && i + 1 < line.size()) ? 2 : 1;
    chars.push_back(line.substr(i, length));
    i += length;
  }
  return chars;
}

inline bool IsChar(std::string_view character, char c) {
  return character.size() == 1 && character[0] == c;
}

inline char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `text` begins with `lowerWord`, ASCII letters compared without case.
inline bool StartsWithNoCase(std::string_view text, std::string_view lowerWord) {
  if (text.size() < lowerWord.size()) return false;
  for (std::size_t i = 0; i < lowerWord.size(); ++i) {
    if (Fold(text[i]) != lowerWord[i]) return false;
  }
  return true;
}

inline std::string Join(const std::vector<std::string_view>& chars, std::size_t first,
                        std::size_t last) {
  std::string text;
  for (std::size_t i = first; i < last; ++i) text.append(chars[i]);
  return text;
}

}  // namespace velmori::fuzz
