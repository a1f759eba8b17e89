// The OK button: the confirmation, the run on real files under the wait cursor,
// and the message after it.

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "../core/test_support.h"
#include "ui_test_support.h"

namespace velmori::test {
namespace {

constexpr UINT kConfirmation = MB_TASKMODAL | MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1;
constexpr UINT kError = MB_TASKMODAL | MB_OK | MB_ICONSTOP;
constexpr UINT kInformation = MB_TASKMODAL | MB_OK | MB_ICONINFORMATION;

TEST(OkButton, ConfirmsThenCleansUnderTheWaitCursorAndReportsTheOutcome) {
  const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  const struct {
    const char* name;
    int answer;                // to the confirmation
    bool readOnly, throwing;   // the module is read-only; reading it throws
    const char* module;        // its bytes; null: a module with a comment
    UINT style;                // of the box after the confirmation; 0: none
    const wchar_t* text;       // a part of its text
    HCURSOR cursor;            // and what was shown meanwhile
    bool progressShown;
  } cases[] = {
      {"cancelled", IDCANCEL, false, false, nullptr, 0, nullptr, nullptr, false},
      {"no answer", 0, false, false, nullptr, 0, nullptr, nullptr, false},
      {"cleaned", IDOK, false, false, nullptr, kInformation, L"正常に終了しました。", arrow, false},
      {"read-only module", IDOK, true, false, nullptr, kError, L"basTool.bas", wait, true},
      {"unexpected failure", IDOK, false, true, nullptr, kError, L"out of memory", arrow, false},
      // Code page 1256 text read as 932: 0xF6 would take the quote after it.
      {"a module of another code page", IDOK, false, false,
       "Attribute VB_Name = \"m\"\r\ns = \"name\xF6\", \"ID<>'\" & t & \"'\"\r\n", kError,
       L"basTool.bas\n\n2 行目に、コード ページ 932 ", wait, true},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    folder.Write("tool.vbp", "Type=Exe\r\nModule=basTool; basTool.bas\r\n");
    const std::string module = c.module != nullptr ? c.module : kDirtyModule;
    folder.Write("basTool.bas", module);
    if (c.readOnly) SetFileAttributesW(folder.Native("basTool.bas").c_str(), FILE_ATTRIBUTE_READONLY);
    ForwardingFiles throwing;
    throwing.beforeRead = [](const NativeString& path) {
      if (path.ends_with(L".bas")) throw std::runtime_error("out of memory");
    };
    {
      MainWindowFixture fixture(96, c.throwing ? throwing : SystemFileSystem());
      // As Explorer's "Copy as path" gives it.
      SetWindowTextW(fixture.window.pathEdit(), (L"\"" + folder.Native("tool.vbp") + L"\"").c_str());
      fixture.answers = {c.answer};
      fixture.Click(fixture.window.okButton());

      // The confirmation, then at most one box: never a success after a failure.
      ASSERT_EQ(fixture.shown.size(), c.style == 0 ? 1u : 2u) << c.name;
      EXPECT_EQ(fixture.shown[0].type, kConfirmation);  // its text: the end-to-end tests
      for (const ShownBox& box : fixture.shown) {
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.title, L"Velmori");
      }
      if (c.style != 0) {
        const ShownBox& box = fixture.shown[1];
        EXPECT_EQ(box.type, c.style) << c.name;
        EXPECT_NE(box.text.find(c.text), std::wstring::npos) << c.name;
        EXPECT_EQ(box.cursor, c.cursor) << c.name;
        EXPECT_EQ(box.progressShown, c.progressShown) << c.name;
        EXPECT_EQ(GetCursor(), arrow) << c.name;  // given back by the run
      }
      EXPECT_EQ(fixture.window.progress().hwnd(), nullptr) << c.name;
      EXPECT_TRUE(IsWindowVisible(fixture.window.hwnd()) && IsWindowEnabled(fixture.window.hwnd()))
          << c.name;  // ready for another run
      EXPECT_EQ(folder.Read("basTool.bas"), c.style == kInformation ? kCleanModule : module) << c.name;
      if (c.style == kInformation) {  // and again
        fixture.Click(fixture.window.okButton());
        ASSERT_EQ(fixture.shown.size(), 4u);
        EXPECT_EQ(fixture.shown[3].text, c.text);
      }
    }
    SetFileAttributesW(folder.Native("basTool.bas").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// The real file system with a read of a.bas that waits until the test lets
// it go on: a run caught in the middle of a file.
struct HeldRead {
  HeldRead() {
    files.beforeRead = [this](const NativeString& path) {
      if (!path.ends_with(L"a.bas")) return;
      SetEvent(entered.get());
      WaitForSingleObject(release.get(), 20000);
    };
  }
  bool Entered() const { return WaitForSingleObject(entered.get(), 0) == WAIT_OBJECT_0; }
  void Release() const { SetEvent(release.get()); }

  const UniqueKernelObject entered{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  const UniqueKernelObject release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  ForwardingFiles files;
};

// Whether another thread gets an answer to WM_NULL from `window` within 250 ms,
// while this thread pumps messages, as the system asks a window that looks hung.
bool AnswersTheSystem(HWND window) {
  std::atomic<bool> answered{false};
  std::thread asker([&] {
    DWORD_PTR result = 0;
    answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 250, &result) != 0;
  });
  MainWindowFixture::PumpWhile([&] { return !answered; });
  asker.join();
  return answered;
}

// A run caught in the middle of a file: the window thread goes on painting and
// answering the system; the main window takes no input and cannot be closed;
// a session end finishes the file, stops the run and ends the program.
TEST(OkButton, TheWindowStaysAliveWhileARunWorksAndASessionEndStopsIt) {
  TempFolder folder;
  folder.Write("app.vbp", "Module=a; a.bas\r\nModule=b; b.bas\r\n");
  folder.Write("a.bas", kDirtyModule);
  folder.Write("b.bas", kDirtyModule);
  HeldRead held;
  MainWindowFixture fixture(96, held.files);
  const HWND main = fixture.window.hwnd();
  SetWindowTextW(fixture.window.pathEdit(), folder.Native("app.vbp").c_str());
  const auto clickOk = [&] {
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(fixture.window.okButton()));
  };
  clickOk();
  MainWindowFixture::PumpWhile([&] { return !held.Entered(); });
  ASSERT_TRUE(held.Entered());

  EXPECT_TRUE(AnswersTheSystem(main));
  InvalidateRect(main, nullptr, TRUE);
  PumpMessages();
  RECT unpainted{};
  EXPECT_FALSE(GetUpdateRect(main, &unpainted, FALSE));  // painted already
  EXPECT_TRUE(IsWindowVisible(fixture.window.progress().hwnd()));
  EXPECT_EQ(WindowText(fixture.window.progress().messageLabel()), L"標準モジュールを読み込んでいます…");
  EXPECT_FALSE(IsWindowEnabled(main));
  SendMessageW(main, WM_CLOSE, 0, 0);
  clickOk();  // refused: no second confirmation
  EXPECT_EQ(fixture.shown.size(), 1u);
  EXPECT_TRUE(IsWindow(main));
  EXPECT_TRUE(fixture.window.running());

  std::thread later([&] { Sleep(100), held.Release(); });
  EXPECT_TRUE(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
  SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  later.join();
  EXPECT_FALSE(IsWindow(main));  // the program ends
  EXPECT_EQ(folder.Read("a.bas"), kCleanModule);  // the file begun is finished
  EXPECT_EQ(folder.Read("b.bas"), kDirtyModule);  // the next one is never begun
  EXPECT_EQ(fixture.shown.size(), 1u);
  EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"a.bas", "app.vbp", "b.bas"}));
}

// The session ends while the run's report of a failure is open: the program
// ends at once, though the run waits for the report's answer.
TEST(OkButton, ASessionEndDuringAReportEndsTheProgram) {
  TempFolder folder;
  folder.Write("app.vbp", "Module=m; m.bas\r\n");
  folder.Write("m.bas", kDirtyModule);
  SetFileAttributesW(folder.Native("m.bas").c_str(), FILE_ATTRIBUTE_READONLY);
  {
    MainWindowFixture fixture;
    const HWND main = fixture.window.hwnd();
    SetWindowTextW(fixture.window.pathEdit(), folder.Native("app.vbp").c_str());
    fixture.whileShown = [&] {
      if (fixture.shown.size() == 2) SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    };
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(fixture.window.okButton()));
    MainWindowFixture::PumpWhile([&] { return IsWindow(main) != FALSE; });
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(fixture.shown.size(), 2u);
  }
  SetFileAttributesW(folder.Native("m.bas").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(folder.Read("m.bas"), kDirtyModule);
}

// The cursor a window sets when the mouse moves over it.
HCURSOR CursorOver(HWND window) {
  SetCursor(nullptr);
  SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  return GetCursor();
}

// The cursors over a real message box and over its OK button, which it then presses.
HCURSOR g_overBox = nullptr, g_overButton = nullptr;
void CALLBACK InspectBox(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND box = FindWindowW(L"#32770", nullptr);
  if (box == nullptr || !IsWindowVisible(box)) return;  // not open yet
  KillTimer(nullptr, timer);
  g_overBox = CursorOver(box);
  g_overButton = CursorOver(GetDlgItem(box, IDOK));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// A run caught in the middle of a file: the main window owns the wait cursor
// until the run is over, and it shows over every window of the program and
// over a real message box; afterwards each window shows its own again.
TEST(WaitCursor, ShowsOverEveryWindowAndARealMessageBoxWhileARunLasts) {
  TempFolder folder;
  folder.Write("app.vbp", "Module=a; a.bas\r\n");
  folder.Write("a.bas", kDirtyModule);
  HeldRead held;
  MainWindowFixture fixture(96, held.files);
  ProgressWindow& progress = fixture.window.progress();
  const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  const HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  const auto windows = [&] {
    return std::vector<std::pair<HWND, HCURSOR>>{
        {fixture.window.hwnd(), arrow},
        {fixture.window.pathEdit(), LoadCursorW(nullptr, IDC_IBEAM)},
        {fixture.window.okButton(), arrow},
        {progress.hwnd(), arrow},
        {progress.bar(), arrow}};
  };
  SetWindowTextW(fixture.window.pathEdit(), folder.Native("app.vbp").c_str());
  SendMessageW(fixture.window.hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(fixture.window.okButton()));
  MainWindowFixture::PumpWhile(
      [&] { return !held.Entered(); });
  ASSERT_TRUE(held.Entered());
  EXPECT_NE(progress.hwnd(), nullptr);
  for (const auto& [window, idle] : windows()) EXPECT_EQ(CursorOver(window), wait);
  SetTimer(nullptr, 0, 20, InspectBox);
  EXPECT_EQ(SystemMessagePort().ShowMessage("処理に失敗しました。", MessageKind::Error), Answer::Ok);
  EXPECT_EQ(g_overBox, wait);
  EXPECT_EQ(g_overButton, wait);
  EXPECT_TRUE(fixture.window.running());  // all along

  held.Release();
  MainWindowFixture::PumpWhile([&] { return fixture.window.running(); });
  EXPECT_FALSE(fixture.window.running());
  EXPECT_EQ(GetCursor(), arrow);
  progress.Create();  // as the next run would show it
  for (const auto& [window, idle] : windows()) EXPECT_EQ(CursorOver(window), idle);
}

}  // namespace
}  // namespace velmori::test
