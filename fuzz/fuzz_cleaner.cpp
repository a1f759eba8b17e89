// Fuzzes the comment cleaner (StripComments) on any bytes, in code page 932 and
// again in a code page picked by the input's first byte, with each way of
// searching the bytes (SSE2 and plain). Besides running clean under the
// address and undefined-behaviour sanitizers, each must give what a plain
// character-by-character reading of the rules gives, and a cleaned text must
// come out the same when cleaned again. That reading:
//  * characters: a lead byte and the byte after it form one, unless that byte
//    is CR or LF or there is none; every other byte is one;
//  * a text holding a NUL byte, or a double-byte character whose second byte
//    is below 0x40, is no text of the code page: the number of the first line
//    holding such a character is reported, the text counts as unchanged, and
//    nothing else is looked at. (Such an input is also cleaned once made text,
//    each of those bytes replaced, so that random bytes still try the rules.)
//  * CR LF, a lone CR and a lone LF each end an input line; every line comes
//    out ended by CR LF, as many lines as went in;
//  * the header lines stay as they are: every line before the first line
//    that is no Attribute line and follows one that is. An Attribute line is
//    one whose first word, after any blanks, is "Attribute" (ASCII letters in
//    any case), followed by a blank or the line's end; a text without one has
//    no code part;
//  * every later line (the code part) is cut at its first apostrophe outside
//    double-quoted literals, and a comment whose text ends with a blank, an
//    underscore and any blanks swallows the next line whole, and so on;
//  * the comment lines reported are the lines that lose text: the lines cut
//    and the non-empty lines swallowed (a line end written as CR LF is no
//    loss); the code part is reported when some line belongs to it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "code_page.h"
#include "fuzz_support.h"
#include "source_cleaner.h"

namespace {

using velmori::CodePage;
using namespace velmori::fuzz;

bool IsBlank(std::string_view character) {
  return IsChar(character, ' ') || IsChar(character, '\t');
}

// Whether the characters from `first` on end with a line continuation: a blank,
// an underscore, then nothing but blanks.
bool EndsWithContinuation(const Chars& chars, std::size_t first) {
  std::size_t end = chars.size();
  while (end > first && IsBlank(chars[end - 1])) --end;
  return end - first >= 2 && IsChar(chars[end - 1], '_') && IsBlank(chars[end - 2]);
}

// Whether the line is an Attribute line: blanks, then the word "attribute" in
// any ASCII letter case, then a blank or nothing more.
bool IsAttributeLine(const Chars& chars) {
  std::size_t i = 0;
  while (i < chars.size() && IsBlank(chars[i])) ++i;
  for (const char letter : std::string_view("attribute")) {
    if (i == chars.size() || chars[i].size() != 1 || Fold(chars[i][0]) != letter) return false;
    ++i;
  }
  return i == chars.size() || IsBlank(chars[i]);
}

// Whether a character makes the text no text of the code page: a NUL byte, or
// a lead byte with a second byte below 0x40.
bool IsNotText(std::string_view character) {
  return (character.size() == 1 && character[0] == '\0') ||
         (character.size() == 2 && static_cast<unsigned char>(character[1]) < 0x40);
}

struct Expected {
  std::string cleaned;
  std::int64_t commentLines = 0;
  bool codePart = false;
  std::int64_t notTextLine = 0;
};

// The cleaned text, read one character at a time with no shortcut.
Expected ExpectedCleaning(std::string_view input, const CodePage& page) {
  Expected expected;
  bool seenAttribute = false;
  bool inCode = false;
  bool continuedComment = false;
  std::int64_t lineNumber = 0;
  for (std::string_view line : SplitLines(input)) {
    const Chars chars = Characters(line, page);
    ++lineNumber;
    for (std::string_view character : chars) {
      if (IsNotText(character) && expected.notTextLine == 0) expected.notTextLine = lineNumber;
    }
    if (!inCode) {
      if (IsAttributeLine(chars)) {
        seenAttribute = true;
      } else if (seenAttribute) {
        inCode = true;
      }
    }
    expected.codePart = expected.codePart || inCode;
    std::size_t kept = line.size();
    if (inCode && continuedComment) {
      kept = 0;
      if (!line.empty()) ++expected.commentLines;
      continuedComment = EndsWithContinuation(chars, 0);
    } else if (inCode) {
      bool inLiteral = false;
      std::size_t offset = 0;
      for (std::size_t i = 0; i < chars.size(); offset += chars[i++].size()) {
        if (IsChar(chars[i], '"')) {
          inLiteral = !inLiteral;
        } else if (IsChar(chars[i], '\'') && !inLiteral) {
          kept = offset;
          ++expected.commentLines;
          continuedComment = EndsWithContinuation(chars, i);
          break;
        }
      }
    }
    expected.cleaned.append(line.substr(0, kept)).append("\r\n");
  }
  return expected;
}

void CheckCleaning(std::string_view input, const CodePage& page) {
  const Expected expected = ExpectedCleaning(input, page);
  for (const velmori::ByteSearch search : {velmori::ByteSearch::Vector, velmori::ByteSearch::Plain}) {
    std::string cleaned = "stale text that the cleaner must replace\r\n";
    const velmori::StripResult result = velmori::StripComments(input, page, cleaned, search);
    Check(result.notTextLine == expected.notTextLine, "another line for the first byte not text");
    if (expected.notTextLine != 0) {
      Check(!result.changed, "text that is no text counts as changed");
      continue;
    }
    Check(cleaned == expected.cleaned, "the cleaned text differs from the rules");
    Check(result.commentLines == expected.commentLines, "another number of comment lines");
    Check(result.codePart == expected.codePart, "the code part flag is wrong");
    Check(result.changed == (cleaned != input), "the changed flag is wrong");

    std::string again = "stale\r\n";
    velmori::StripComments(cleaned, page, again, search);
    Check(again == cleaned, "cleaning the cleaned text changed it");
  }
}

// The input made text of the code page, so that inputs that are not text still
// try the cleaning rules: a NUL becomes '0', and a lead byte whose second byte
// is below 0x40 becomes '?', leaving that byte a character of its own.
std::string MadeText(std::string_view input, const CodePage& page) {
  std::string text(input);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\0') text[i] = '0';
    if (!page.IsLead(static_cast<unsigned char>(text[i])) || i + 1 == text.size()) continue;
    const auto next = static_cast<unsigned char>(text[i + 1]);
    if (next == '\r' || next == '\n') continue;
    if (next < 0x40) {
      text[i] = '?';
    } else {
      ++i;  // the second byte
    }
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  for (const CodePage& page : CodePagesFor(input)) {
    CheckCleaning(input, page);
    const std::string text = MadeText(input, page);
    if (text != input) CheckCleaning(text, page);
  }
  return 0;
}
