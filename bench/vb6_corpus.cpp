#include "vb6_corpus.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string_view>

namespace velmori::bench {
namespace {

// clang-format off
// Words of Japanese text in code page 932; those marked 5C hold a character
// whose second byte is 0x5C, the byte of a backslash.
constexpr std::string_view kJapanese[] = {
    "\x8C\xDA\x8Bq",                                           // 顧客
    "\x88\xEA\x97\x97\x82\xF0\x95\\\x8E\xA6\x82\xB7\x82\xE9",  // 一覧を表示する 5C
    "\x83\\\x81[\x83g\x8F\x87",                                // ソート順 5C
    "\x97\\\x92\xE8\x95\\",                                    // 予定表 5C
    "\x93\xFC\x97\xCD\x83`\x83" "F\x83" "b\x83N",              // 入力チェック
    "\x83G\x83\x89\x81[\x8F\x88\x97\x9D",                      // エラー処理
    "\x90\\\x90\xBF\x83" "f\x81[\x83^",                        // 申請データ 5C
    "\x8D\\\x90\xAC\x83t\x83@\x83" "C\x83\x8B",                // 構成ファイル 5C
    "\x8F\\\x95\xAA\x82\xC8\x97\xCC\x88\xE6",                  // 十分な領域 5C
    "\x8B@\x94\\\x90\xA7\x8C\xC0",                             // 機能制限 5C
    "\x8E\xE6\x88\xF8\x90\xE6\x83R\x81[\x83h",                 // 取引先コード
    "\x8D\x87\x8Cv\x8B\xE0\x8Az\x81i\x90\xC5\x8D\x9E\x81j",    // 合計金額（税込）
    "\x93\\\x82\xE8\x95t\x82\xAF",                             // 貼り付け 5C
    "\x95\xDB\x91\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B",  // 保存しました。
    "\xC3\xDE\xB0\xC0\x8C\x8F\x90\x94",                        // ﾃﾞｰﾀ件数 (half-width kana)
    "\x81u\x8Am\x94" "F\x81v",                                 // 「確認」
};
constexpr char kFixedSingle[] = "\x8C\xC5\x92\xE8(\x8E\xC0\x90\xFC)";  // 固定(実線)

// No word holds a double quote (the words fill literals) or "attribute".
constexpr std::string_view kEnglish[] = {
    "customer", "don't", "check", "the", "total", "list", "update", "see", "key",
    "TODO:", "fixed", "2003/04/01", "order", "code", "can't", "empty", "rows"};

// Statements as code repeats them; in those with quotes, % stands for text.
constexpr std::string_view kPlain[] = {
    "End If", "Next lngIdx", "Set rs = Nothing", "rs.MoveNext", "Loop", "Exit Sub", "Else",
    "lngCount = lngCount + 1", "If rs.EOF Then", "For lngIdx = 0 To lngMax - 1",
    "Do While Not rs.EOF", "Call ClearForm(Me)", "Dim strKey As String", "Dim lngRow As Long",
    "txtCode.SetFocus", "Screen.MousePointer = vbDefault", "strKey = Trim$(txtCode.Text)",
    "If Len(strKey) = 0 Then Exit Sub", "lngRet = SaveData(strKey, lngRow)"};
constexpr std::string_view kQuoted[] = {
    "strMsg = \"%\"", "MsgBox \"%\", vbExclamation", "lblStatus.Caption = \"%\"",
    "strSql = strSql & \" WHERE % = '\" & strKey & \"'\"",
    "strName = Replace(strName, \"'\", \"''\")",
    "lblTitle.Caption = \"%\" & \" \"\"\" & strKey & \"\"\"\"", "Debug.Print \"%: \" & lngCount",
    "If strKey = \"%\" Then"};
// clang-format on

constexpr std::string_view kProcedures[] = {"LoadList",   "SaveData",  "CheckInput",
                                            "ShowDetail", "CalcTotal", "ReadConfig"};
constexpr std::string_view kControls[] = {"VB.CommandButton cmd", "VB.TextBox txt", "VB.Label lbl",
                                          "VB.CheckBox chk"};

// What the generator makes of each kind of source, in the order of kCategoryTable.
struct KindShape {
  const char* prefix;        // of the module's name
  const char* extension;
  const char* ansiFolder;    // as the project file writes it; may be empty
  const char* nativeFolder;  // the same as a UTF-8 path
  const char* designer;      // the object type of its designer block, or null
  bool named;                // listed as "Name; path", as VB writes modules and classes
};
constexpr KindShape kKinds[] = {
    // 表示: its first character's second byte is a backslash's.
    {"frm", ".frm", "\x95\\\x8E\xA6", "\xE8\xA1\xA8\xE7\xA4\xBA", "VB.Form", false},
    {"bas", ".bas", "Modules", "Modules", nullptr, true},
    {"cls", ".cls", "Classes", "Classes", nullptr, true},
    {"ctl", ".ctl", "Controls", "Controls", "VB.UserControl", false},
    {"ppg", ".pag", "", "", "VB.PropertyPage", false},
};
static_assert(std::size(kKinds) == kCategoryCount, "one shape per source category");

// Every ten sources: two forms, two modules, four classes, a user control, a property page.
using enum SourceCategory;
constexpr SourceCategory kMix[] = {Form, Module, Class, UserControl,  Class,
                                   Form, Module, Class, PropertyPage, Class};
constexpr const char* kStems[] = {"Customer", "Invoice", "Schedule", "Staff",    "Sort",
                                  "Config",   "Request", "Rating",   "Supplier", "Display"};

// SplitMix64: small, fast and the same everywhere.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  std::uint64_t state_;
};

// Writes one source. Each property of TextShape is a share that a count keeps
// up with as the text grows: the next piece goes where the count is behind.
class SourceWriter {
 public:
  SourceWriter(const TextShape& shape, std::uint64_t seed) : shape_(shape), rng_(seed) {}

  std::string Write(const KindShape& kind, const std::string& name, std::size_t bytes) {
    Header(kind, name);
    code_ = out_.size();
    codeLines_ = lines_;
    quotes_ = 0;
    // The header keeps its comments: the code part carries the file's share.
    const double codeBytes = static_cast<double>(bytes > code_ ? bytes - code_ : 1);
    commentShare_ = shape_.commentShare * static_cast<double>(bytes) / codeBytes;
    Line("Option Explicit\r\n");
    OpenProcedure();
    while (out_.size() < bytes) CodeLine();
    Line("End Sub");
    return std::move(out_);
  }

 private:
  void Put(std::string_view text) {
    for (const char c : text) {
      nonAscii_ += static_cast<unsigned char>(c) >= 0x80;
      quotes_ += c == '"' || c == '\'';
      lines_ += c == '\n';
    }
    out_ += text;
  }
  void Line(std::string_view text = {}) {
    Put(text);
    Put("\r\n");
  }

  // Whether `count` is behind `share` of `total`; a random lead varies the pattern.
  bool Behind(double share, std::size_t count, std::size_t total) {
    return static_cast<double>(count) < share * static_cast<double>(total + rng_.Below(256));
  }

  // At least a word and about n bytes, Japanese while the file is behind on
  // non-ASCII bytes.
  void Text(std::ptrdiff_t n) {
    const std::size_t start = out_.size();
    do {
      if (Behind(shape_.nonAsciiShare, nonAscii_, out_.size())) {
        Put(rng_.Pick(kJapanese));
      } else {
        Put(out_.size() == start ? "" : " ");
        Put(rng_.Pick(kEnglish));
      }
    } while (static_cast<std::ptrdiff_t>(out_.size() - start) < n);
  }

  // A property line as the designer writes it, at `level` (three blanks each):
  // a number from low to high, or for a caption text of that many bytes.
  void Property(std::size_t level, std::string_view name, std::size_t low, std::size_t high) {
    Put(std::string(3 * level, ' ') + std::string(name) + std::string(16 - name.size(), ' '));
    if (name != "Caption") return Line("=   " + std::to_string(low + rng_.Below(high - low + 1)));
    Put("=   \"");
    Text(static_cast<std::ptrdiff_t>(low + rng_.Below(high - low + 1)));
    Line("\"");
  }

  void Header(const KindShape& kind, const std::string& name) {
    if (kind.designer != nullptr) {
      Line("VERSION 5.00\r\nBegin " + std::string(kind.designer) + " " + name);
      Property(1, "Caption", 4, 20);
      Property(1, "ClientHeight", 3000, 9000);
      for (std::size_t i = 0; out_.size() + 200 < shape_.headerBytes; ++i) {
        Line("   Begin " + std::string(rng_.Pick(kControls)) + "Field" + std::to_string(i));
        Property(2, "Caption", 4, 20);
        if (rng_.Below(100) < 40)
          Line(std::string("      BorderStyle     =   1  '") + kFixedSingle);
        Property(2, "Height", 300, 3000);
        Property(2, "Left", 60, 8000);
        Property(2, "TabIndex", i, i);
        Property(2, "Top", 60, 6000);
        Property(2, "Width", 600, 4000);
        Line("   End");
      }
      Line("End");
    } else if (std::string_view(kind.prefix) == "cls") {
      Line(
          "VERSION 1.0 CLASS\r\nBEGIN\r\n  MultiUse = -1  'True\r\n"
          "  Persistable = 0  'NotPersistable\r\n  DataBindingBehavior = 0  'vbNone\r\n"
          "  DataSourceBehavior  = 0  'vbNone\r\n  MTSTransactionMode  = 0  "
          "'NotAnMTSObject\r\nEND");
    }
    Line("Attribute VB_Name = \"" + name + "\"");
    if (std::string_view(kind.prefix) == "bas") return;
    const bool designer = kind.designer != nullptr;
    Line(std::string("Attribute VB_GlobalNameSpace = False\r\nAttribute VB_Creatable = ") +
         (designer ? "False" : "True") + "\r\nAttribute VB_PredeclaredId = " +
         (designer ? "True" : "False") + "\r\nAttribute VB_Exposed = False");
  }

  void OpenProcedure() {
    Line("Private Sub " + std::string(rng_.Pick(kProcedures)) + std::to_string(lines_) + "()");
    procedureLines_ = 10 + rng_.Below(50);
  }

  // The length the next line should have without its CR LF, spread around
  // the average and making up for the code lines before it.
  std::ptrdiff_t Want() {
    const double average = static_cast<double>(shape_.lineBytes);
    const double behind = average * static_cast<double>(lines_ - codeLines_) -
                          static_cast<double>(out_.size() - code_);
    return static_cast<std::ptrdiff_t>(average * (0.5 + rng_.Unit()) +
                                       std::clamp(behind, -average, average)) -
           2;
  }

  void CodeLine() {
    const auto end = static_cast<std::ptrdiff_t>(out_.size()) + Want();
    const auto rest = [&] { return end - static_cast<std::ptrdiff_t>(out_.size()); };
    if (rest() < 10) return Line();
    if (procedureLines_-- == 0) {
      Line("End Sub\r\n");
      return OpenProcedure();
    }
    Put(rng_.Below(100) < 70 ? "    " : "        ");
    // The line's last text, the comment's or else the literal's, fills it up.
    const bool comment = Behind(commentShare_, comments_, out_.size() - code_);
    if (comment && rng_.Below(100) < 35) return Comment(rest());  // a line of its own
    if (Behind(shape_.quotesPerKib / 1024, quotes_, out_.size() - code_)) {
      const std::string_view statement = rng_.Pick(kQuoted);
      const std::size_t hole = std::min(statement.find('%'), statement.size());
      Put(statement.substr(0, hole));
      if (hole != statement.size()) {
        const auto after = static_cast<std::ptrdiff_t>(statement.size() - hole - 1);
        Text(comment ? 1 : rest() - after);
        Put(statement.substr(hole + 1));
      }
    } else {
      Put(rng_.Pick(kPlain));
    }
    if (!comment) return Line();
    Put(" ");
    Comment(rest());
  }

  // A comment of about n bytes, now and then continued on the next line by " _".
  void Comment(std::ptrdiff_t n) {
    const std::size_t start = out_.size();
    Put("'");
    Text(n - 1);
    const bool continued = rng_.Below(100) < 4;
    Put(continued ? " _\r\n        " : "");
    if (continued) Text(static_cast<std::ptrdiff_t>(shape_.lineBytes) / 2);
    comments_ += out_.size() - start - (continued ? 2 : 0);  // all but the CR LF
    Line();
  }

  const TextShape& shape_;
  Rng rng_;
  std::string out_;
  std::size_t lines_ = 0;
  std::size_t code_ = 0;       // where the code part starts
  std::size_t codeLines_ = 0;  // the lines before it
  std::size_t nonAscii_ = 0;   // in the whole file
  std::size_t quotes_ = 0;     // quotes and apostrophes in the code part
  std::size_t comments_ = 0;   // bytes the cleaner removes
  double commentShare_ = 0;    // of the code part
  std::size_t procedureLines_ = 0;
};

}  // namespace

GeneratedProject GenerateProject(const ProjectShape& shape) {
  GeneratedProject project;
  project.projectFileName = "SalesSystem.vbp";
  std::string& vbp = project.projectBytes;
  vbp =
      "Type=Exe\r\nReference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#"
      "..\\..\\Windows\\System32\\stdole2.tlb#OLE Automation\r\n";
  for (std::size_t i = 0; i < shape.fileCount; ++i) {
    const SourceCategory kind = kMix[i % std::size(kMix)];
    const KindShape& k = kKinds[static_cast<std::size_t>(kind)];
    char number[16];
    std::snprintf(number, sizeof number, "%04zu", i + 1);
    const std::string name = std::string(k.prefix) + kStems[i % std::size(kStems)] + number;
    const std::string file = name + k.extension;
    vbp += std::string(InfoOf(kind).key) + "=" + (k.named ? name + "; " : "") +
           (*k.ansiFolder ? std::string(k.ansiFolder) + "\\" : "") + file + "\r\n";
    SourceWriter writer(shape.text, shape.seed * 1000003u + i);
    std::string bytes = writer.Write(k, name, shape.fileBytes);
    project.totalBytes += bytes.size();
    project.largestBytes = std::max(project.largestBytes, bytes.size());
    const std::string folder = *k.nativeFolder ? std::string(k.nativeFolder) + "/" : "";
    project.sources.push_back({kind, folder + file, std::move(bytes)});
  }
  vbp +=
      "Startup=\"Sub Main\"\r\nTitle=\"SalesSystem\"\r\nExeName32=\"SalesSystem.exe\"\r\n"
      "Name=\"SalesSystem\"\r\nMajorVer=1\r\nMinorVer=0\r\n";
  std::stable_sort(project.sources.begin(), project.sources.end(),
                   [](const auto& a, const auto& b) { return a.kind < b.kind; });
  return project;
}

std::optional<std::vector<std::filesystem::path>> WriteProject(
    const GeneratedProject& project, const std::filesystem::path& folder) {
  const auto write = [](const std::filesystem::path& path, const std::string& bytes) {
    std::error_code failed;
    std::filesystem::create_directories(path.parent_path(), failed);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    return !failed && out.good();
  };
  if (!write(folder / project.projectFileName, project.projectBytes)) return std::nullopt;
  std::vector<std::filesystem::path> paths;
  for (const GeneratedSource& source : project.sources) {
    paths.push_back(folder / std::filesystem::u8path(source.nativePath));
    if (!write(paths.back(), source.bytes)) return std::nullopt;
  }
  return paths;
}

}  // namespace velmori::bench
