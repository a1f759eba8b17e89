// Fuzzes the comment cleaner (StripComments) on any bytes, in code page 932 and
// again in a code page picked by the input's first byte. Besides running clean
// under the address and undefined-behaviour sanitizers, the cleaned text must:
//  * end every line with CR LF, and have exactly as many lines as the input
//    (CR LF, a lone CR and a lone LF each end an input line);
//  * hold in each line the input line itself or a prefix of it (possibly empty);
//  * keep the header lines unchanged: every line before the first line without
//    the word "Attribute" (ASCII letters in any case) that follows a line with it;
//  * equal, line by line, what a plain character-by-character reading of the
//    rules gives (cut at the first apostrophe outside double-quoted literals,
//    comments continued by " _" swallow the next line);
//  * come out the same when cleaned again;
//  * be reported with as many comment lines as the plain reading finds lines
//    that lose a comment or belong to a continued one.

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
bool EndsWithContinuation(const std::vector<std::string_view>& chars, std::size_t first) {
  std::size_t end = chars.size();
  while (end > first && IsBlank(chars[end - 1])) --end;
  return end - first >= 2 && IsChar(chars[end - 1], '_') && IsBlank(chars[end - 2]);
}

// Whether the word "attribute", in any ASCII letter case, starts at a character of the line.
bool ContainsAttribute(std::string_view line, const std::vector<std::string_view>& chars) {
  std::size_t offset = 0;
  for (std::string_view character : chars) {
    if (StartsWithNoCase(line.substr(offset), "attribute")) return true;
    offset += character.size();
  }
  return false;
}

struct ExpectedLine {
  std::string_view kept;
  bool header;
  bool comment = false;
};

// What each line keeps, read one character at a time with no shortcut.
std::vector<ExpectedLine> ExpectedLines(const std::vector<std::string_view>& lines,
                                        const CodePage& page) {
  std::vector<ExpectedLine> expected;
  bool seenAttribute = false;
  bool inCode = false;
  bool continuedComment = false;
  for (std::string_view line : lines) {
    const std::vector<std::string_view> chars = Characters(line, page);
    if (!inCode) {
      if (ContainsAttribute(line, chars)) {
        seenAttribute = true;
      } else if (seenAttribute) {
        inCode = true;
      }
    }
    if (!inCode) {
      expected.push_back({line, true});
      continue;
    }
    if (continuedComment) {
      expected.push_back({line.substr(0, 0), false, true});
      continuedComment = EndsWithContinuation(chars, 0);
      continue;
    }
    bool inLiteral = false;
    std::size_t cut = chars.size();
    std::size_t cutOffset = line.size();
    std::size_t offset = 0;
    for (std::size_t i = 0; i < chars.size(); ++i) {
      if (IsChar(chars[i], '"')) {
        inLiteral = !inLiteral;
      } else if (IsChar(chars[i], '\'') && !inLiteral) {
        cut = i;
        cutOffset = offset;
        break;
      }
      offset += chars[i].size();
    }
    expected.push_back({line.substr(0, cutOffset), false, cut < chars.size()});
    continuedComment = cut < chars.size() && EndsWithContinuation(chars, cut);
  }
  return expected;
}

// The lines of a cleaned text; each must end with CR LF.
std::vector<std::string_view> CleanedLines(std::string_view cleaned) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < cleaned.size(); ++i) {
    if (cleaned[i] == '\n')
      Fail("a line of the cleaned text ends with a lone LF", lines.size(), "\r\n", "\n");
    if (cleaned[i] == '\r') {
      if (i + 1 == cleaned.size() || cleaned[i + 1] != '\n')
        Fail("a line of the cleaned text ends with a lone CR", lines.size(), "\r\n", "\r");
      lines.push_back(cleaned.substr(start, i - start));
      ++i;
      start = i + 1;
    }
  }
  if (start != cleaned.size())
    Fail("the last line of the cleaned text has no CR LF", lines.size(), {}, cleaned.substr(start));
  return lines;
}

void CheckCleaning(std::string_view input, const CodePage& page) {
  std::string cleaned = "stale text that the cleaner must replace\r\n";
  const velmori::StripResult result = velmori::StripComments(input, page, cleaned);

  const std::vector<std::string_view> inputLines = SplitLines(input);
  const std::vector<std::string_view> outputLines = CleanedLines(cleaned);
  if (outputLines.size() != inputLines.size()) {
    Fail("the cleaned text has another number of lines than the input", kNoLine, {}, {});
  }
  const std::vector<ExpectedLine> expected = ExpectedLines(inputLines, page);
  std::int64_t commentLines = 0;
  for (const ExpectedLine& line : expected) commentLines += line.comment;
  if (result.commentLines != commentLines) {
    Fail("another number of comment lines than the rules give", kNoLine,
         std::to_string(commentLines), std::to_string(result.commentLines));
  }
  if (result.changed != (cleaned != input)) {
    Fail("the changed flag does not tell whether the text changed", kNoLine, input, cleaned);
  }
  for (std::size_t i = 0; i < inputLines.size(); ++i) {
    const std::string_view in = inputLines[i];
    const std::string_view out = outputLines[i];
    if (out.size() > in.size() || in.substr(0, out.size()) != out)
      Fail("a cleaned line is not a prefix of its input line", i, in, out);
    if (expected[i].header && out != in) Fail("a header line was changed", i, in, out);
    if (out != expected[i].kept)
      Fail("a line keeps another part than the rules give", i, expected[i].kept, out);
  }

  std::string again = "stale\r\n";
  velmori::StripComments(cleaned, page, again);
  if (again != cleaned) Fail("cleaning the cleaned text changed it", kNoLine, cleaned, again);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckCleaning(input, CodePage::ForId(932));
  if (size > 0) {
    const CodePage page = PickCodePage(data[0]);
    if (page.id() != 932) CheckCleaning(input, page);
  }
  return 0;
}
