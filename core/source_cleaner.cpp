#include "source_cleaner.h"

#include <algorithm>

#include "text_scan.h"

namespace velmori {
namespace {

using namespace scan;

// Whether a line is an Attribute line: after any blanks, the word "Attribute"
// in any ASCII letter case, then a blank or the line's end. (ASCII bytes are
// characters of their own: lead bytes are 0x80 or above.)
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

// The 1-based number of the line holding `at`.
std::int64_t LineNumber(const char* begin, const char* at) {
  std::int64_t line = 1;
  for (const char* p = begin; p != at; ++p) {
    if (*p == '\n' || (*p == '\r' && p[1] != '\n')) ++line;  // at itself is no line end
  }
  return line;
}

// Checks the suspects of the blocks (see BlockMarks), in the order of the text.
// A suspect is not text when it is a NUL or the second byte of a character.
// Each suspect that passes starts a character, so the next check looks back no
// further than to it.
class TextCheck {
 public:
  TextCheck(const char* begin, const CodePage& page) : knownStart_(begin), page_(page) {}

  // The first suspect of the block at `block` that is not text, or null.
  const char* FirstNotText(const char* block, std::uint64_t suspects) {
    for (; suspects != 0; suspects &= suspects - 1) {
      const char* suspect = block + std::countr_zero(suspects);
      if (*suspect == '\0' || IsSecondByte(knownStart_, suspect, page_)) return suspect;
      knownStart_ = suspect;
    }
    return nullptr;
  }

 private:
  const char* knownStart_;  // a character start at or before every suspect not yet checked
  const CodePage& page_;
};

// The cleaned text, built in one buffer sized from the source. Bytes that pass
// through unchanged (whole lines with their CR LF) are not copied line by line:
// `run_` marks where they start, and they are appended in one piece when a line
// is cut or its line end is not CR LF.
class CleanedText {
 public:
  CleanedText(std::string_view source, std::string& out) : run_(source.data()), out_(out) {
    out_.clear();
    out_.reserve(source.size() + 2);
  }

  // Ends a line that keeps the bytes before `kept` and whose line end, at
  // `lineEnd`, is CR LF (a line that keeps everything needs no call).
  void Cut(const char* kept, const char* lineEnd) {
    out_.append(run_, static_cast<std::size_t>(kept - run_));
    run_ = lineEnd;  // the CR LF passes through with the next run
  }

  // Ends a line that keeps the bytes before `kept` and has another line end (or
  // none): CR LF is written for it, and the next line starts at `next`.
  void EndWithCrLf(const char* kept, const char* next) {
    out_.append(run_, static_cast<std::size_t>(kept - run_));
    out_.append("\r\n", 2);
    run_ = next;
  }

  void Finish(const char* end) { out_.append(run_, static_cast<std::size_t>(end - run_)); }

 private:
  const char* run_;
  std::string& out_;
};

inline constexpr std::uint64_t kTopBit = std::uint64_t{1} << 63;

// The bits of a block's mask from bit `offset` on (none when offset is 64 or more).
inline std::uint64_t BitsFrom(std::size_t offset) {
  return offset < kBlockSize ? ~std::uint64_t{0} << offset : 0;
}

// Bit i set when an odd number of the bits 0 to i of `bits` are set.
inline std::uint64_t PrefixParity(std::uint64_t bits) {
  for (int shift = 1; shift < 64; shift *= 2) bits ^= bits << shift;
  return bits;
}

// Whether the bytes from `from` to `lineEnd` end with a line continuation: a
// blank, an underscore, then only blanks. (In text of the code page a blank is
// a character of its own, and so is the underscore after it.)
bool EndsWithContinuation(const char* from, const char* lineEnd) {
  const char* t = lineEnd;
  while (t != from && IsBlank(t[-1])) --t;
  return t - from >= 2 && t[-1] == '_' && IsBlank(t[-2]);
}

// Cleans the text in one pass over its blocks of 64 bytes. A block's masks
// give its line ends, quotes and apostrophes; quotes pair up into literals (bit
// i of a prefix parity is set inside one), and an apostrophe outside a literal
// starts a comment that runs to its line end.
//
// In text of the code page, CR, LF, '"', '\'' and the blanks are never the
// second byte of a double-byte character (every second byte is 0x40 or more),
// so the cleaning goes by bytes, without stepping characters; each block is
// checked to be text before its masks are used.
//
// Most blocks of a code part need work only for their comments: when every
// line of the block ends outside a literal (so the literals of one line never
// run into the next) and with CR LF, the lines without a comment pass through
// untouched. Other blocks, the header, and the lines a continued comment takes
// are cleaned a line at a time.
template <class Marker>
StripResult Strip(std::string_view source, const CodePage& page, std::string& cleaned) {
  const char* const begin = source.data();
  const char* const end = begin + source.size();
  const Marker marker(page);
  TextCheck check(begin, page);
  CleanedText out(source, cleaned);
  StripResult result;

  enum class Part { Header, Code, Comment, ContinuedComment };
  Part part = Part::Header;  // what the line at lineStart is (so far)
  bool seenAttribute = begin != end && IsAttributeLine(begin, end);
  const char* lineStart = begin;
  // 1 when the bytes of a code line in earlier blocks end inside a literal.
  std::uint64_t inLiteral = 0;
  const char* commentStart = nullptr;  // the apostrophe, in Part::Comment
  bool otherLineEnds = false;          // some line is not ended by CR LF

  for (const char* block = begin; block < end; block += kBlockSize) {
    const bool lastBlock = end - block <= static_cast<std::ptrdiff_t>(kBlockSize);
    const std::size_t size = lastBlock ? static_cast<std::size_t>(end - block) : kBlockSize;
    const BlockMarks marks = marker.Mark(block, size, block == begin, lastBlock);
    if (marks.suspects != 0) {
      if (const char* notText = check.FirstNotText(block, marks.suspects)) {
        cleaned.clear();
        return {.notTextLine = LineNumber(begin, notText)};
      }
    }
    // Bit i: byte i is inside a literal, or the quote that opens one, counting
    // the quotes from the block's start. (A line's CR LF is marked at its LF, so
    // every block starts with a line that began before it or starts right there.)
    const std::uint64_t literal = PrefixParity(marks.quotes);
    std::uint64_t ends = marks.lineEnds;

    if ((part == Part::Code || part == Part::Comment) && !marks.otherLineEnd && !lastBlock) {
      // Inside a literal, for every line of the block when each ends outside
      // one. The line going on from the last block counts from where it began;
      // one whose comment goes on is done at its first line end.
      const std::uint64_t commentGoesOn = 0 - std::uint64_t{part == Part::Comment};
      const std::uint64_t carried =
          (inLiteral & ~commentGoesOn) |
          ((literal >> std::countr_zero(ends | kTopBit)) & 1 & commentGoesOn);
      const std::uint64_t inside = literal ^ (0 - carried);
      if ((inside & ends) == 0) {
        std::uint64_t open = marks.apostrophes & ~inside;  // apostrophes outside literals
        bool continued = false;
        for (;;) {
          if (part == Part::Code) {
            if (open == 0) break;
            const auto at = static_cast<std::size_t>(std::countr_zero(open));
            part = Part::Comment;
            commentStart = block + at;
            ++result.commentLines;
            ends &= BitsFrom(at);  // the lines before it keep everything
          }
          if (ends == 0) break;  // the comment goes on in the next block
          const auto at = static_cast<std::size_t>(std::countr_zero(ends));
          const char* lineEnd = block + at - 1;  // the CR of the line's CR LF
          out.Cut(commentStart, lineEnd);
          lineStart = block + at + 1;
          ends &= ends - 1;
          open &= BitsFrom(at + 1);
          if (EndsWithContinuation(commentStart, lineEnd)) {
            part = Part::ContinuedComment;
            continued = true;
            break;
          }
          part = Part::Code;
        }
        if (!continued) {
          const char* afterLast = block + kBlockSize - std::countl_zero(marks.lineEnds | 1);
          lineStart = marks.lineEnds != 0 ? afterLast : lineStart;
          inLiteral = inside >> 63;  // of use only for a code line that goes on
          continue;
        }
      }
    }

    // A line at a time: its bytes in this block run from `from` (0 for a line
    // that began before) up to its line end, the lowest bit of `ends` (none:
    // the line goes on).
    auto from = static_cast<std::size_t>(lineStart - std::min(lineStart, block));
    for (ends &= BitsFrom(from);; ends &= ends - 1) {
      if (part == Part::Code && from < size) {
        // Inside a literal, counted from the line's start: from the start of
        // the block for a line that began before it.
        const std::uint64_t before = from != 0 ? (literal >> (from - 1)) & 1 : inLiteral;
        const std::uint64_t inside = literal ^ (0 - before);
        const std::uint64_t beforeEnd = (ends - 1) & ~ends;
        const std::uint64_t comments = marks.apostrophes & ~inside & BitsFrom(from) & beforeEnd;
        if (comments != 0) {
          part = Part::Comment;
          commentStart = block + std::countr_zero(comments);
          ++result.commentLines;
        } else {
          inLiteral = inside >> 63;  // of use only for a line that goes on
        }
      }

      const char* lineEnd;  // where the line's line end starts, or the end of the text
      const char* next;     // where the next line starts
      bool crlf = false;
      if (ends != 0) {
        const auto at = static_cast<std::size_t>(std::countr_zero(ends));
        const char* last = block + at;
        crlf = *last == '\n' && last != begin && last[-1] == '\r';
        lineEnd = last - crlf;
        next = last + 1;
        from = at + 1;
      } else if (lastBlock && lineStart != end) {
        lineEnd = next = end;  // the last line, without a line end
        from = size;
      } else {
        break;
      }

      const char* kept = lineEnd;  // the end of what the line keeps
      switch (part) {
        case Part::Header:
          if (next != end) {
            const bool attribute = IsAttributeLine(next, end);
            if (seenAttribute && !attribute) {
              part = Part::Code;
              result.codePart = true;
            }
            seenAttribute = attribute || seenAttribute;
          }
          break;
        case Part::Code:
          break;
        case Part::Comment:
          kept = commentStart;
          part = EndsWithContinuation(commentStart, lineEnd) ? Part::ContinuedComment : Part::Code;
          break;
        case Part::ContinuedComment:
          kept = lineStart;
          if (lineEnd != lineStart) ++result.commentLines;  // an empty line loses nothing
          part = EndsWithContinuation(lineStart, lineEnd) ? Part::ContinuedComment : Part::Code;
          break;
      }
      if (!crlf) {
        out.EndWithCrLf(kept, next);
        otherLineEnds = true;
      } else if (kept != lineEnd) {
        out.Cut(kept, lineEnd);
      }
      lineStart = next;
      inLiteral = 0;
    }
  }
  out.Finish(end);
  // A line cut always loses its apostrophe, so it is counted.
  result.changed = result.commentLines != 0 || otherLineEnds;
  return result;
}

}  // namespace

StripResult StripComments(std::string_view source, const CodePage& page, std::string& cleaned,
                          ByteSearch search) {
#if VELMORI_SSE2
  if (search == ByteSearch::Vector) {
    return Strip<Sse2Marker>(source, page, cleaned);
  }
#endif
  (void)search;
  return Strip<PlainMarker>(source, page, cleaned);
}

StripResult StripComments(std::string_view source, const CodePage& page, std::string& cleaned) {
  return StripComments(source, page, cleaned, ByteSearch::Vector);
}

}  // namespace velmori
