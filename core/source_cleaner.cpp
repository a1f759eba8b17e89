#include "source_cleaner.h"

#include <new>

#include "error_report.h"
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
    if (!IsSecondByte(from, hit, page) && EqualsNoCase(hit, kWord)) return true;
    from = hit + 1;
  }
}

}  // namespace

bool StripComments(std::string_view source, const CodePage& page, std::string& rstrText) {
  rstrText.clear();
  rstrText.reserve(source.size() + 2);
  const char* p = source.data();
  const char* const end = p + source.size();
  // Unchanged lines are not copied one by one: `run` marks the start of the
  // bytes that pass through as they are and are appended in one piece.
  const char* run = p;
  bool seenAttribute = false;
  bool inCode = false;
  bool continuedComment = false;

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
      } else {
        const CodeScan scanned = ScanCodeLine(p, end, page);
        cut = scanned.cut;
        lineEnd = scanned.lineEnd;
        continuedComment = cut != lineEnd && EndsWithContinuation(cut, lineEnd, page);
      }
    }
    bool crlf;
    const char* next = SkipLineEnd(lineEnd, end, crlf);
    if (cut != lineEnd || !crlf) {
      rstrText.append(run, static_cast<std::size_t>(cut - run));
      rstrText.append("\r\n", 2);
      run = next;
    }
    p = next;
  }
  const bool changed = run != source.data();
  rstrText.append(run, static_cast<std::size_t>(end - run));
  return changed;
}

bool ReadStrippedSource(const RunContext& context, const NativeString& vstrPath,
                        SourceBuffers& buffers) {
  static constexpr char kWhat[] = "ソース ファイルを読み込めませんでした。";
  buffers.cleaned.clear();
  try {
    const OsStatus status = context.files.ReadAll(vstrPath, buffers.original);
    if (!status.ok()) {
      ReportFailure(context.messages, kWhat, vstrPath, status);
      return false;
    }
    buffers.changed = StripComments(buffers.original, context.codePage, buffers.cleaned);
  } catch (const std::bad_alloc&) {
    buffers = SourceBuffers();
    ReportFailure(context.messages, kWhat, vstrPath, "メモリが足りません。");
    return false;
  }
  return true;
}

bool ClearFile(const RunContext& context, const NativeString& vstrPath, NativeString& rstrTemp) {
  const OsStatus status = context.files.CreateTempBeside(vstrPath, rstrTemp);
  if (!status.ok()) {
    ReportFailure(context.messages, "一時ファイルを作成できませんでした。", vstrPath, status);
    return false;
  }
  return true;
}

bool AppendText(const RunContext& context, const NativeString& vstrPath,
                std::string_view vstrText) {
  const OsStatus status = context.files.Append(vstrPath, vstrText);
  if (!status.ok()) {
    ReportFailure(context.messages, "一時ファイルに書き込めませんでした。", vstrPath, status);
    return false;
  }
  return true;
}

namespace {

// Removes the temporary file on every path that does not hand it to Replace.
class TempFile {
 public:
  explicit TempFile(FileSystem& files) : files_(files) {}
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (!path.empty()) files_.Remove(path);
  }
  NativeString path;

 private:
  FileSystem& files_;
};

}  // namespace

bool CleanSourceFile(const RunContext& context, const NativeString& vstrPath,
                     SourceBuffers& buffers) {
  const FileInfo info = context.files.Probe(vstrPath);
  if (!info.ordinary) return true;
  if (!ReadStrippedSource(context, vstrPath, buffers)) return false;
  if (!buffers.changed) return true;
  if (info.readOnly) {
    ReportFailure(context.messages, "読み取り専用のファイルは書き換えられません。", vstrPath,
                  ReadOnlyError());
    return false;
  }

  TempFile temp(context.files);
  if (!ClearFile(context, vstrPath, temp.path)) return false;
  if (!AppendText(context, temp.path, buffers.cleaned)) return false;
  const OsStatus status = context.files.Replace(vstrPath, temp.path);
  if (!status.ok()) {
    ReportFailure(context.messages, "ファイルを置き換えられませんでした。", vstrPath, status);
    return false;
  }
  temp.path.clear();  // it has become the file itself
  return true;
}

}  // namespace velmori
