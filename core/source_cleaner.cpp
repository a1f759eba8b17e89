#include "source_cleaner.h"

#include <new>

#include "error_report.h"
#include "project_run.h"
#include "text_scan.h"

namespace velmori {
namespace {

using namespace scan;

// Bytes that end the fast skip over code: line ends, quotes, apostrophes and
// every byte of 0x80 and above (double-byte characters need stepping).
inline bool HasCodeStop(std::uint64_t word) {
  return (word & kHighs) | HasLineEnd(word) | HasByte(word, '"') | HasByte(word, '\'');
}

struct CodeScan {
  const char* cut;      // the comment's apostrophe, or lineEnd when there is none
  const char* lineEnd;  // the CR or LF ending the line, or the end of the text
};

// Finds the first apostrophe outside double-quoted literals, stepping by
// characters so that a trail byte is never taken for a quote or apostrophe.
CodeScan ScanCodeLine(const char* p, const char* end, const CodePage& page) {
  bool inLiteral = false;
  for (;;) {
    while (end - p >= 8 && !HasCodeStop(Load8(p))) p += 8;
    if (p == end) return {end, end};
    const char c = *p;
    if (c == '\r' || c == '\n') return {p, p};
    if (c == '\'' && !inLiteral) return {p, FindLineEnd(p + 1, end)};
    if (c == '"') inLiteral = !inLiteral;
    p += page.CharLength(p, end);
  }
}

// Whether [begin, end) ends with a line continuation: a blank, an underscore,
// then only blanks. Bytes are tested first; characters are stepped only when
// the bytes match, to be sure the blank is not the trail byte of a character.
bool EndsWithContinuation(const char* begin, const char* end, const CodePage& page) {
  const char* t = end;
  while (t != begin && IsBlank(t[-1])) --t;
  if (t - begin < 2 || t[-1] != '_' || !IsBlank(t[-2])) return false;
  const char* blank = t - 2;
  const char* p = begin;
  while (p < blank) p += page.CharLength(p, end);
  return p == blank;
}

bool ContainsAttribute(const char* p, const char* end, const CodePage& page) {
  static constexpr std::string_view kWord = "attribute";
  while (end - p >= static_cast<std::ptrdiff_t>(kWord.size())) {
    if ((*p | 0x20) == 'a' && EqualsNoCase(p, kWord)) return true;
    p += page.CharLength(p, end);
  }
  return false;
}

}  // namespace

void StripComments(std::string_view source, const CodePage& page, std::string& rstrText) {
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
  rstrText.append(run, static_cast<std::size_t>(end - run));
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
    StripComments(buffers.original, context.codePage, buffers.cleaned);
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
  if (buffers.cleaned == buffers.original) return true;
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
