#pragma once
// Helpers shared by the fuzz targets: a plain, character-by-character reading of
// lines and characters, written independently of the core's fast scanning, and
// a check that stops the fuzzer naming the rule that was broken.

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "code_page.h"

namespace velmori::fuzz {

using Chars = std::vector<std::string_view>;

// Aborts unless `holds`, so that libFuzzer keeps the input.
inline void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "\nINVARIANT FAILED: %s\n", what);
  std::abort();
}

// The code pages an input is read in: 932, and the one its first byte picks
// among the double-byte ANSI code pages the program knows and a single-byte one.
inline std::vector<CodePage> CodePagesFor(std::string_view input) {
  static constexpr unsigned kIds[] = {932, 936, 949, 950, 1361, 1252};
  std::vector<CodePage> pages{CodePage::ForId(932)};
  if (!input.empty()) {
    const unsigned picked = kIds[static_cast<unsigned char>(input[0]) % std::size(kIds)];
    if (picked != 932) pages.push_back(CodePage::ForId(picked));
  }
  return pages;
}

// Lines without their line ends: CR LF, a lone CR and a lone LF each end a
// line; a last line without a line end is still a line; no text, no lines.
inline std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// The characters of one line (which holds no CR or LF): a lead byte and the
// byte after it form one character; a lead byte at the end of the line is one.
inline Chars Characters(std::string_view line, const CodePage& page) {
  Chars chars;
  for (std::size_t i = 0; i < line.size();) {
    const bool pair = page.IsLead(static_cast<unsigned char>(line[i])) && i + 1 < line.size();
    chars.push_back(line.substr(i, pair ? 2 : 1));
    i += chars.back().size();
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

}  // namespace velmori::fuzz
