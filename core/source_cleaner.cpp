#include "source_cleaner.h"

#include "text_scan.h"

namespace velmori {
namespace {

using namespace scan;

struct CodeScan {
  const char* cut;      // the comment's apostrophe, or lineEnd when there is none
  const char* lineEnd;  // the CR or LF ending the line, or the end of the text
};

// Finds the first apostrophe outside double-quoted literals. Quotes and
// apostrophes are found a word at a time; one that is the second byte of a
// double-byte character (possible in invalid text) is passed over.
CodeScan ScanCodeLine(const char* p, const char* end, const CodePage& page) {
  bool inLiteral = false;
  for (const char* from = p;;) {
    const char* hit = FindAnyOf<false, '\r', '\n', '"', '\''>(from, end);
    if (hit == end) return {end, end};
    const char c = *hit;
    if (c == '\r' || c == '\n') return {hit, hit};
    if (!IsSecondByte(from, hit, page)) {
      if (c == '"') {
        inLiteral = !inLiteral;
      } else if (!inLiteral) {
        return {hit, FindLineEnd(hit + 1, end)};
      }
    }
    from = hit + 1;  // whatever the byte was, a character ends with it
  }
}

// Whether [begin, end) ends with a line continuation: a blank, an underscore,
// then only blanks, all of them characters of their own.
bool EndsWithContinuation(const char* begin, const char* end, const CodePage& page) {
  const char* t = end;
  while (t != begin && IsBlank(t[-1])) --t;
  return t - begin >= 2 && t[-1] == '_' && IsBlank(t[-2]) && !IsSecondByte(begin, t - 2, page);
}

// Whether a line is an Attribute line: after any blanks, the word "Attribute"
// in any ASCII letter case, then a blank or the line's end. Only ASCII bytes
// come before the word, so it starts a character.
bool IsAttributeLine(const char* p, const char* end) {
  static constexpr std::string_view kWord = "attribute";
  while (p != end && IsBlank(*p)) ++p;
  if (static_cast<std::size_t>(end - p) < kWord.size() ||
      !StartsWithNoCase({p, kWord.size()}, kWord)) {
    return false;
  }
  p += kWord.size();
  return p == end || IsBlank(*p) || *p == '\r' || *p == '\n';
}

// The first byte that makes the text no text of the code page: a NUL, or the
// lead byte of a character whose second byte is below 0x40. Null when the text
// is valid.
const char* FindNotText(const char* p, const char* end, const CodePage& page) {
  while (p != end) {
    if (*p == '\0') return p;
    const std::size_t length = page.CharLength(p, end);
    if (length == 2 && static_cast<unsigned char>(p[1]) < 0x40) return p;
    p += length;
  }
  return nullptr;
}

// The 1-based number of the line holding `at`.
std::int64_t LineNumber(const char* begin, const char* at) {
  std::int64_t line = 1;
  for (const char* p = begin; p != at; ++p) {
    if (*p == '\n' || (*p == '\r' && p[1] != '\n')) ++line;  // at itself is no line end
  }
  return line;
}

}  // namespace

StripResult StripComments(std::string_view source, const CodePage& page, std::string& cleaned) {
  cleaned.clear();
  const char* p = source.data();
  const char* const end = p + source.size();
  if (const char* notText = FindNotText(p, end, page)) {
    return {.notTextLine = LineNumber(p, notText)};
  }
  cleaned.reserve(source.size() + 2);
  // Unchanged lines are not copied one by one: `run` marks the start of the
  // bytes that pass through as they are and are appended in one piece.
  const char* run = p;
  bool seenAttribute = false;
  bool inCode = false;
  bool continuedComment = false;
  std::int64_t commentLines = 0;

  while (p != end) {
    const char* cut;
    const char* lineEnd;
    if (!inCode) {
      lineEnd = FindLineEnd(p, end);
      cut = lineEnd;
      if (IsAttributeLine(p, end)) {
        seenAttribute = true;
      } else if (seenAttribute) {
        inCode = true;
      }
    }
    if (inCode) {
      if (continuedComment) {
        lineEnd = FindLineEnd(p, end);
        cut = p;
        continuedComment = EndsWithContinuation(p, lineEnd, page);
        if (lineEnd != p) ++commentLines;  // an empty line loses nothing
      } else {
        const CodeScan scanned = ScanCodeLine(p, end, page);
        cut = scanned.cut;
        lineEnd = scanned.lineEnd;
        if (cut != lineEnd) {
          ++commentLines;
          continuedComment = EndsWithContinuation(cut, lineEnd, page);
        }
      }
    }
    bool crlf;
    const char* next = SkipLineEnd(lineEnd, end, crlf);
    if (cut != lineEnd || !crlf) {
      cleaned.append(run, static_cast<std::size_t>(cut - run));
      cleaned.append("\r\n", 2);
      run = next;
    }
    p = next;
  }
  const bool changed = run != source.data();
  cleaned.append(run, static_cast<std::size_t>(end - run));
  return {changed, commentLines, inCode};
}

}  // namespace velmori
