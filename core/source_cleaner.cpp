#include "source_cleaner.h"

#include <new>

#include "error_report.h"
#include "messages.h"
#include "project_run.h"
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

bool ContainsAttribute(const char* p, const char* end, const CodePage& page) {
  static constexpr std::string_view kWord = "attribute";
  for (const char* from = p;;) {
    const char* hit = FindAnyOf<true, 'a'>(from, end);
    if (end - hit < static_cast<std::ptrdiff_t>(kWord.size())) return false;
    if (!IsSecondByte(from, hit, page) && StartsWithNoCase({hit, kWord.size()}, kWord)) {
      return true;
    }
    from = hit + 1;
  }
}

}  // namespace

StripResult StripComments(std::string_view source, const CodePage& page, std::string& cleaned) {
  cleaned.clear();
  cleaned.reserve(source.size() + 2);
  const char* p = source.data();
  const char* const end = p + source.size();
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
      if (ContainsAttribute(p, lineEnd, page)) {
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
        ++commentLines;
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
  return {changed, commentLines};
}

namespace {

// A failure on the way to replacing `path`, which is still as it was.
void ReportUnchanged(const RunContext& context, std::string_view what, const NativeString& path,
                     OsStatus status, const NativeString& leftover = {}) {
  std::string description = DescribeFailure(status);
  description += "\n";
  description += text::kSourceUnchanged;
  if (!leftover.empty()) {
    description += "\n\n";
    description += text::kTempLeftBehind;
    description += "\n";
    description += NativeToUtf8(leftover);
  }
  ReportFailure(context.messages, what, path, description);
}

// Writes `cleaned` to a new file beside the original's real path and swaps it
// in; on any failure the new file is removed and the original stays. `path`
// is the one the project lists, for the reports.
bool ReplaceWithCleaned(const RunContext& context, const NativeString& path,
                        const NativeString& realPath, const FileFacts& original,
                        std::string_view cleaned) {
  TempResult temp = context.files.CreateTempBeside(realPath);
  if (!temp.status.ok()) {
    ReportUnchanged(context, text::kTempNotCreated, path, temp.status);
    return false;
  }
  const char* what = text::kNotWritten;
  OsStatus status = temp.file->Write(cleaned);
  if (status.ok()) {
    what = text::kMetadataNotCopied;
    status = temp.file->CopyMetadata(original);
  }
  if (status.ok()) {
    what = text::kNotReplaced;
    status = temp.file->MoveOver();
  }
  if (status.ok()) return true;
  const bool removed = temp.file->Discard();
  ReportUnchanged(context, what, path, status, removed ? NativeString() : temp.file->path());
  return false;
}

}  // namespace

bool CleanSourceFile(const RunContext& context, const NativeString& path,
                     SourceBuffers& buffers) {
  const auto done = [&](SourceState state, std::int64_t commentLines) {
    if (context.observer == nullptr) return;
    const bool read = state != SourceState::Skipped;
    context.observer->SourceDone(SourceOutcome{path, state,
                                               read ? buffers.original : std::string_view(),
                                               read ? buffers.cleaned : std::string_view(),
                                               commentLines});
  };
  ReadResult read;
  StripResult strip;
  try {
    read = context.files.Read(path, buffers.original);
    if (!read.facts.ordinary) {  // missing, a folder, hidden or system: skipped
      done(SourceState::Skipped, 0);
      return true;
    }
    if (!read.status.ok()) {
      ReportFailure(context.messages, text::kSourceUnreadable, path, read.status);
      return false;
    }
    strip = StripComments(buffers.original, context.codePage, buffers.cleaned);
  } catch (const std::bad_alloc&) {
    buffers = SourceBuffers();
    ReportFailure(context.messages, text::kSourceUnreadable, path, text::kOutOfMemory);
    return false;
  }
  if (!strip.changed || !context.writes) {
    done(strip.changed ? SourceState::Changed : SourceState::Unchanged, strip.commentLines);
    return true;
  }
  if (read.facts.readOnly) {
    ReportUnchanged(context, text::kReadOnlySource, path, ReadOnlyError());
    return false;
  }
  // Asked only now, of the file still open: a file left as it was needs no answer.
  const NativeString realPath = read.file ? read.file->RealPath() : path;
  read.file.reset();  // closed before it is replaced
  if (!ReplaceWithCleaned(context, path, realPath, read.facts, buffers.cleaned)) return false;
  done(SourceState::Changed, strip.commentLines);
  return true;
}

}  // namespace velmori
