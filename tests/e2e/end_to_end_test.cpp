// velmori.exe in a process of its own, operated from outside as a user would,
// on a real project in a temporary folder.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "program_driver.h"

namespace velmori::test {
namespace {

using namespace std::chrono_literals;

std::string Ansi(const std::wstring& text) {
  const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length,
                      nullptr, nullptr);
  return bytes;
}

std::string Read(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const std::filesystem::path& file, const std::string& bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A project in Shift-JIS whose module sits in a folder named ソース: the second
// byte of ソ is the byte of the backslash.
struct Project {
  std::filesystem::path folder, vbp, module, classFile;
  std::string moduleText, moduleCleaned, classText, classCleaned;

  Project() {
    folder = std::filesystem::temp_directory_path() /
             (L"velmori-e2e-" + std::to_wstring(GetCurrentProcessId())) / L"テスト プロジェクト";
    vbp = folder / L"業務.vbp";
    module = folder / L"ソース" / L"basソース.bas";
    classFile = folder / L"clsLog.cls";
    moduleText = Ansi(
        L"Attribute VB_Name = \"basSource\"\r\n"
        L"Option Explicit\r\n"
        L"' 日本語のコメント\r\n"
        L"Public Const TITLE = \"表示\" ' 表題\r\n"
        L"Rem 残る\r\n");
    moduleCleaned = Ansi(
        L"Attribute VB_Name = \"basSource\"\r\n"
        L"Option Explicit\r\n"
        L"\r\n"
        L"Public Const TITLE = \"表示\" \r\n"
        L"Rem 残る\r\n");
    classText =
        "VERSION 1.0 CLASS\r\nBEGIN\r\n  MultiUse = -1  'True\r\nEND\r\n"
        "Attribute VB_Name = \"clsLog\"\r\n"
        "Private mlngCount As Long ' lines so far\r\n";
    classCleaned =
        "VERSION 1.0 CLASS\r\nBEGIN\r\n  MultiUse = -1  'True\r\nEND\r\n"
        "Attribute VB_Name = \"clsLog\"\r\n"
        "Private mlngCount As Long \r\n";
    Write(vbp, Ansi(L"Type=Exe\r\n"
                    L"Module=basSource; ソース\\basソース.bas\r\n"
                    L"Class=clsLog; clsLog.cls\r\n"
                    L"Startup=\"Sub Main\"\r\n"));
    Write(module, moduleText);
    Write(classFile, classText);
  }
  ~Project() {
    std::error_code ignored;
    std::filesystem::remove_all(folder.parent_path(), ignored);
  }
};

const std::wstring kConfirm =
    L"バックアップをとりましたか？\r\n"
    L"バックアップをとったことを確認したら、[OK]ボタンを押してください。";

// Starts the program and waits for its main window with the focus in the path box.
struct Started {
  RunningProgram program{ProgramPath()};
  HWND main = nullptr;
  HWND path = nullptr;
  Started() {
    if (!program.started()) return;
    main = WaitForWindow(program.id(), L"VelmoriMain", L"Velmori", 20s);
    if (main != nullptr) path = FindChild(main, L"Edit");
  }
};

// Answers the confirmation with OK and returns the message box that follows it.
HWND ConfirmAndWaitForAnswer(const Started& run, HWND confirmation) {
  Click(GetDlgItem(confirmation, IDOK));
  if (!WaitUntilGone(confirmation, 10s)) return nullptr;
  return WaitForMessageBox(run.program.id(), kConfirm, 30s);
}

TEST(EndToEnd, CleansATypedProjectAndEndsWithCancel) {
  Project project;
  Started run;
  ASSERT_TRUE(run.program.started()) << "cannot start the program";
  ASSERT_NE(run.main, nullptr) << "no main window";
  ASSERT_NE(run.path, nullptr);

  ASSERT_TRUE(Type(run.path, project.vbp.wstring()));
  PressKey(run.path, VK_RETURN);  // Enter presses OK

  const HWND confirmation = WaitForMessageBox(run.program.id(), L"", 20s);
  ASSERT_NE(confirmation, nullptr) << "no confirmation";
  EXPECT_EQ(TextOf(confirmation), L"Velmori");
  EXPECT_EQ(MessageBoxText(confirmation), kConfirm);
  EXPECT_NE(GetDlgItem(confirmation, IDOK), nullptr);
  EXPECT_NE(GetDlgItem(confirmation, IDCANCEL), nullptr);
  EXPECT_FALSE(IsWindowEnabled(run.main));  // modal to the whole program

  const HWND answer = ConfirmAndWaitForAnswer(run, confirmation);
  ASSERT_NE(answer, nullptr) << "no message after the run";
  EXPECT_EQ(TextOf(answer), L"Velmori");
  EXPECT_EQ(MessageBoxText(answer), L"正常に終了しました。");
  EXPECT_EQ(GetDlgItem(answer, IDCANCEL), nullptr);  // OK alone
  Click(GetDlgItem(answer, IDOK));

  EXPECT_EQ(Read(project.module), project.moduleCleaned);
  EXPECT_EQ(Read(project.classFile), project.classCleaned);

  // The window stays for another run; キャンセル ends the program.
  const HWND cancel = FindChild(run.main, L"Button", L"キャンセル");
  ASSERT_NE(cancel, nullptr);
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!IsWindowEnabled(run.main) && std::chrono::steady_clock::now() < deadline) Sleep(20);
  EXPECT_EQ(TextOf(run.path), project.vbp.wstring());
  Click(cancel);
  EXPECT_EQ(run.program.WaitForExit(20s), 0);
}

TEST(EndToEnd, CancelledConfirmationTouchesNothingAndEscEndsTheProgram) {
  Project project;
  Started run;
  ASSERT_NE(run.main, nullptr) << "no main window";
  ASSERT_TRUE(Type(run.path, project.vbp.wstring()));
  Click(FindChild(run.main, L"Button", L"OK"));

  const HWND confirmation = WaitForMessageBox(run.program.id(), L"", 20s);
  ASSERT_NE(confirmation, nullptr);
  Click(GetDlgItem(confirmation, IDCANCEL));
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!IsWindowEnabled(run.main) && std::chrono::steady_clock::now() < deadline) Sleep(20);
  ASSERT_TRUE(IsWindowEnabled(run.main));
  EXPECT_EQ(WaitForMessageBox(run.program.id(), L"", 300ms), nullptr);  // nothing more shown
  EXPECT_EQ(Read(project.module), project.moduleText);

  PressKey(run.path, VK_ESCAPE);
  EXPECT_EQ(run.program.WaitForExit(20s), 0);
}

TEST(EndToEnd, AMissingProjectIsReportedAndClosingTheWindowEndsTheProgram) {
  Project project;
  Started run;
  ASSERT_NE(run.main, nullptr) << "no main window";
  ASSERT_TRUE(Type(run.path, (project.folder / L"ない.vbp").wstring()));
  PressKey(run.path, VK_RETURN);
  const HWND confirmation = WaitForMessageBox(run.program.id(), L"", 20s);
  ASSERT_NE(confirmation, nullptr);
  const HWND warning = ConfirmAndWaitForAnswer(run, confirmation);
  ASSERT_NE(warning, nullptr);
  EXPECT_EQ(MessageBoxText(warning), L"指定されたフォルダに vbp ファイルが見つかりません。");
  Click(GetDlgItem(warning, IDOK));
  EXPECT_EQ(WaitForMessageBox(run.program.id(), L"指定されたフォルダに vbp ファイルが見つかりません。", 500ms),
            nullptr);  // no success message after a failure

  PostMessageW(run.main, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box of the title bar
  EXPECT_EQ(run.program.WaitForExit(20s), 0);
}

}  // namespace
}  // namespace velmori::test
