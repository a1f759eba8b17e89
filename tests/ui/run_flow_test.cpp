// The OK button: confirmation, wait cursor, the run on real files, and the
// messages after it.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ui_test_support.h"
#include "wait_cursor.h"
#include "window_class.h"

namespace velmori::test {
namespace {

const std::wstring kConfirm =
    L"バックアップをとりましたか？\r\n"
    L"バックアップをとったことを確認したら、[OK]ボタンを押してください。";

// The real file system, noting what the screen shows whenever the run reads a
// file; reading the file named `failOn` throws instead.
class WatchingFiles final : public FileSystem {
 public:
  struct Seen {
    std::wstring file;
    HCURSOR cursor;
    bool progressShown;
    std::wstring message;
    double barTwips;
  };
  FrmProgress* progress = nullptr;
  std::vector<Seen> reads;
  std::wstring failOn;

  FileInfo Probe(const NativeString& path) override { return real_.Probe(path); }
  OsStatus ReadAll(const NativeString& path, std::string& bytes) override {
    const std::wstring name = std::filesystem::path(path).filename().wstring();
    if (name == failOn) throw std::runtime_error("out of memory");
    const HWND window = progress->hwnd();
    reads.push_back({name, GetCursor(), window != nullptr && IsWindowVisible(window),
                     window != nullptr ? WindowText(progress->lblMsg()) : L"",
                     progress->BarTwips()});
    return real_.ReadAll(path, bytes);
  }
  OsStatus CreateTempBeside(const NativeString& file, NativeString& tempPath) override {
    return real_.CreateTempBeside(file, tempPath);
  }
  OsStatus Append(const NativeString& path, std::string_view bytes) override {
    return real_.Append(path, bytes);
  }
  OsStatus Replace(const NativeString& target, const NativeString& replacement) override {
    return real_.Replace(target, replacement);
  }
  void Remove(const NativeString& path) override { real_.Remove(path); }

 private:
  FileSystem& real_ = SystemFileSystem();
};

const std::string kModule =
    "Attribute VB_Name = \"basTool\"\r\n"
    "Option Explicit ' every variable declared\r\n"
    "' a comment line\r\n"
    "Public Sub Run()\r\n"
    "    Debug.Print 1 ' done\r\n"
    "End Sub\r\n";
const std::string kModuleCleaned =
    "Attribute VB_Name = \"basTool\"\r\n"
    "Option Explicit \r\n"
    "\r\n"
    "Public Sub Run()\r\n"
    "    Debug.Print 1 \r\n"
    "End Sub\r\n";

const std::string kForm =
    "VERSION 5.00\r\n"
    "Begin VB.Form frmA\r\n"
    "   Caption = \"'A'\"\r\n"
    "End\r\n"
    "Attribute VB_Name = \"frmA\"\r\n"
    "Private Sub Form_Load() ' starts\r\n"
    "End Sub\r\n";
const std::string kFormCleaned =
    "VERSION 5.00\r\n"
    "Begin VB.Form frmA\r\n"
    "   Caption = \"'A'\"\r\n"
    "End\r\n"
    "Attribute VB_Name = \"frmA\"\r\n"
    "Private Sub Form_Load() \r\n"
    "End Sub\r\n";

// A project of two forms and one module, in a folder with a Japanese name.
struct Project {
  TempFolder folder;
  std::filesystem::path vbp, formA, formB, module;
  Project() {
    vbp = folder.Write(L"プロジェクト\\tool.vbp",
                       "Type=Exe\r\nForm=frmA.frm\r\nForm=frmB.frm\r\n"
                       "Module=basTool; Sub\\basTool.bas\r\n");
    formA = folder.Write(L"プロジェクト\\frmA.frm", kForm);
    formB = folder.Write(L"プロジェクト\\frmB.frm", kForm);
    module = folder.Write(L"プロジェクト\\Sub\\basTool.bas", kModule);
  }
};

struct RunFixture {
  WatchingFiles files;
  MainWindowFixture window{96, &files};
  RunFixture() { files.progress = &window.frm.progress(); }
};

TEST(OkButton, AnythingButOkToTheConfirmationLeavesEverythingUntouched) {
  for (int answer : {IDCANCEL, IDABORT, 0}) {
    Project project;
    RunFixture run;
    run.window.SetPath(project.vbp.wstring());
    run.window.boxes.answers = {answer};
    run.window.Click(run.window.frm.cmdOK());

    ASSERT_EQ(run.window.boxes.shown.size(), 1u) << answer;
    const ShownBox& box = run.window.boxes.shown[0];
    EXPECT_EQ(box.text, kConfirm);
    EXPECT_EQ(box.title, L"Velmori");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_TASKMODAL | 33));
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_TRUE(run.files.reads.empty()) << answer;
    EXPECT_EQ(ReadBytes(project.module), kModule);
    EXPECT_EQ(run.window.frm.progress().hwnd(), nullptr);
  }
}

TEST(OkButton, OkCleansTheProjectUnderTheWaitCursorAndReportsSuccess) {
  Project project;
  RunFixture run;
  run.window.SetPath(project.vbp.wstring());
  run.window.Click(run.window.frm.cmdOK());

  // The confirmation, then the success message after the cursor came back.
  ASSERT_EQ(run.window.boxes.shown.size(), 2u);
  EXPECT_EQ(run.window.boxes.shown[0].text, kConfirm);
  const ShownBox& success = run.window.boxes.shown[1];
  EXPECT_EQ(success.text, L"正常に終了しました。");
  EXPECT_EQ(success.type, static_cast<UINT>(MB_TASKMODAL | 64));
  EXPECT_EQ(success.title, L"Velmori");
  EXPECT_EQ(success.cursor, LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));

  EXPECT_EQ(ReadBytes(project.formA), kFormCleaned);
  EXPECT_EQ(ReadBytes(project.formB), kFormCleaned);
  EXPECT_EQ(ReadBytes(project.module), kModuleCleaned);

  // The project file and the three sources, each read under the wait cursor;
  // the sources while the progress window showed their kind and the bar.
  ASSERT_EQ(run.files.reads.size(), 4u);
  const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  for (const auto& read : run.files.reads) EXPECT_EQ(read.cursor, wait) << ToUtf8(read.file);
  EXPECT_EQ(run.files.reads[0].file, L"tool.vbp");
  const struct {
    const wchar_t* file;
    const wchar_t* message;
    double barTwips;
  } expected[] = {
      {L"frmA.frm", L"フォームを読み込んでいます…", 0},
      {L"frmB.frm", L"フォームを読み込んでいます…", 0},  // Progress(0) after the first
      {L"basTool.bas", L"標準モジュールを読み込んでいます…", 0},
  };
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const auto& read = run.files.reads[i + 1];
    EXPECT_EQ(read.file, expected[i].file);
    EXPECT_TRUE(read.progressShown) << i;
    EXPECT_EQ(read.message, expected[i].message) << i;
    EXPECT_EQ(read.barTwips, expected[i].barTwips) << i;
  }
  // The run unloaded the progress window; the main window stays for another run.
  EXPECT_EQ(run.window.frm.progress().hwnd(), nullptr);
  EXPECT_TRUE(IsWindowVisible(run.window.frm.hwnd()));
  EXPECT_EQ(run.window.Path(), project.vbp.wstring());
}

TEST(OkButton, TheRunTakesThePathTextUnchanged) {
  // With a leading space the text names no file: it is not trimmed. (A trailing
  // space would prove nothing: Windows drops it from the last part of a path.)
  Project project;
  RunFixture run;
  run.window.SetPath(L" " + project.vbp.wstring());
  run.window.Click(run.window.frm.cmdOK());
  ASSERT_EQ(run.window.boxes.shown.size(), 2u);
  EXPECT_EQ(run.window.boxes.shown[1].type, static_cast<UINT>(MB_TASKMODAL | 48));
  EXPECT_EQ(ReadBytes(project.module), kModule);
}

TEST(OkButton, AMissingProjectIsReportedUnderTheWaitCursorWithoutSuccess) {
  TempFolder folder;
  RunFixture run;
  run.window.SetPath((folder.path() / L"none.vbp").wstring());
  run.window.Click(run.window.frm.cmdOK());

  ASSERT_EQ(run.window.boxes.shown.size(), 2u);
  const ShownBox& warning = run.window.boxes.shown[1];
  EXPECT_EQ(warning.text, L"指定されたフォルダに vbp ファイルが見つかりません。");
  EXPECT_EQ(warning.type, static_cast<UINT>(MB_TASKMODAL | 48));
  EXPECT_EQ(warning.cursor, LoadCursorW(nullptr, IDC_WAIT));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST(OkButton, AFailingSourceIsReportedOnceAndTheRunStops) {
  Project project;
  SetFileAttributesW(project.formB.c_str(), FILE_ATTRIBUTE_READONLY);
  RunFixture run;
  run.window.SetPath(project.vbp.wstring());
  bool progressShownAtReport = false;
  run.window.boxes.during = [&](const ShownBox&) {
    const HWND progress = run.window.frm.progress().hwnd();
    progressShownAtReport = progress != nullptr && IsWindowVisible(progress);
  };
  run.window.Click(run.window.frm.cmdOK());

  ASSERT_EQ(run.window.boxes.shown.size(), 2u);  // the confirmation and the error report
  const ShownBox& report = run.window.boxes.shown[1];
  EXPECT_EQ(report.type, static_cast<UINT>(MB_TASKMODAL | 16));
  EXPECT_EQ(report.cursor, LoadCursorW(nullptr, IDC_WAIT));
  EXPECT_NE(report.text.find(L"frmB.frm"), std::wstring::npos) << ToUtf8(report.text);
  EXPECT_TRUE(progressShownAtReport);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_EQ(run.window.frm.progress().hwnd(), nullptr);
  EXPECT_EQ(ReadBytes(project.formA), kFormCleaned);  // before the failure
  EXPECT_EQ(ReadBytes(project.formB), kForm);
  EXPECT_EQ(ReadBytes(project.module), kModule);  // after it: untouched
}

TEST(OkButton, AnUnexpectedFailureIsReportedAndEndsTheRunCleanly) {
  Project project;
  RunFixture run;
  run.files.failOn = L"frmB.frm";
  run.window.SetPath(project.vbp.wstring());
  run.window.Click(run.window.frm.cmdOK());

  ASSERT_EQ(run.window.boxes.shown.size(), 2u);  // the confirmation and the report, no success
  const ShownBox& report = run.window.boxes.shown[1];
  EXPECT_EQ(report.type, static_cast<UINT>(MB_TASKMODAL | 16));
  EXPECT_NE(report.text.find(L"out of memory"), std::wstring::npos);
  EXPECT_EQ(report.cursor, LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_EQ(run.window.frm.progress().hwnd(), nullptr);
  EXPECT_FALSE(WaitCursor::Active());
  EXPECT_TRUE(IsWindow(run.window.frm.hwnd()));  // the program goes on
  EXPECT_EQ(ReadBytes(project.formB), kForm);
}

TEST(OkButton, TheWindowRunsAgainAfterARun) {
  Project project;
  RunFixture run;
  run.window.SetPath(project.vbp.wstring());
  run.window.Click(run.window.frm.cmdOK());
  run.window.Click(run.window.frm.cmdOK());
  ASSERT_EQ(run.window.boxes.shown.size(), 4u);
  EXPECT_EQ(run.window.boxes.shown[3].text, L"正常に終了しました。");
  EXPECT_EQ(ReadBytes(project.module), kModuleCleaned);  // cleaning twice changes nothing more
}

}  // namespace
}  // namespace velmori::test
