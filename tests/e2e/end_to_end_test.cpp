// velmori.exe in a process of its own, operated from outside as a user would,
// on a real project in a temporary folder.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <vector>

#include "../core/test_support.h"
#include "remote_program.h"

namespace velmori::test {
namespace {

using namespace remote;

const std::wstring kSuccess = L"正常に終了しました。";

// Presses OK in the confirmation, once it is shown.
bool Confirm(const Program& program) {
  const HWND confirmation = program.Confirmation();
  if (confirmation == nullptr) return false;
  PostMessageW(GetDlgItem(confirmation, IDOK), BM_CLICK, 0, 0);
  return true;
}

// Started as a drop on its icon starts it, with a group in a folder named ソース
// (in Shift-JIS the second byte of ソ is a backslash): the path in the box,
// nothing run before OK, then one confirmation and one success message for
// both projects; the window stays for another run, and キャンセル ends the program.
TEST(EndToEnd, CleansAGroupNamedOnTheCommandLineAndEndsWithCancel) {
  TempFolder folder;
  folder.Write("ソース/業務 一式.vbg", "VBGROUP 5.0\r\nStartupProject=one.vbp\r\nProject=two\\two.vbp\r\n");
  folder.Write("ソース/one.vbp", Ansi(L"Type=Exe\r\nModule=basSource; ソース\\basソース.bas\r\n"));
  folder.Write("ソース/ソース/basソース.bas",
               Ansi(L"Attribute VB_Name = \"basSource\"\r\n' 日本語のコメント\r\n"
                    L"Public Const TITLE = \"表示\" ' 表題\r\nRem 残る\r\n"));
  folder.Write("ソース/two/two.vbp", "Module=b; b.bas\r\n");
  folder.Write("ソース/two/b.bas", kDirtyModule);
  const std::wstring group = folder.Native("ソース/業務 一式.vbg");

  Program program(VELMORI_EXE, L"\"" + group + L"\"");
  [&] {
    const HWND main = program.Attach();
    ASSERT_NE(main, nullptr) << "no main window";
    EXPECT_EQ(TextOf(program.path()), group);
    EXPECT_EQ(program.Confirmation(std::chrono::milliseconds(500)), nullptr) << "ran unasked";
    EXPECT_EQ(folder.Read("ソース/two/b.bas"), kDirtyModule);
    program.PressEnter();

    const HWND confirmation = program.Confirmation();
    ASSERT_NE(confirmation, nullptr) << "no confirmation";
    EXPECT_FALSE(IsWindowEnabled(main));  // modal to the whole program
    PostMessageW(GetDlgItem(confirmation, IDOK), BM_CLICK, 0, 0);

    const HWND success = program.Box(kSuccess);
    ASSERT_NE(success, nullptr) << "no success message";
    PostMessageW(GetDlgItem(success, IDOK), BM_CLICK, 0, 0);

    ASSERT_NE(WaitFor([&] { return IsWindowEnabled(main) ? main : nullptr; }), nullptr);
    EXPECT_EQ(TextOf(program.path()), group);
    PostMessageW(FindWindowExW(main, nullptr, L"Button", L"キャンセル"), BM_CLICK, 0, 0);
    ASSERT_EQ(WaitForSingleObject(program.process(), 20000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(program.process(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
  }();
  EXPECT_EQ(folder.Read("ソース/ソース/basソース.bas"),
            Ansi(L"Attribute VB_Name = \"basSource\"\r\n\r\n"
                 L"Public Const TITLE = \"表示\" \r\nRem 残る\r\n"));
  EXPECT_EQ(folder.Read("ソース/two/b.bas"), kCleanModule);
}

// The program killed at several moments of a run, as a crash or Task Manager
// would: each module is either as it was or cleaned, nothing of the program's
// stays beside them, and a whole run afterwards cleans everything.
TEST(EndToEnd, AKilledRunLosesNothingAndLeavesNothing) {
  TempFolder folder;
  constexpr int kModules = 300;
  std::string dirty = "Attribute VB_Name = \"m\"\r\n", clean = dirty;
  for (int line = 0; line < 600; ++line) {
    const std::string code = "x = " + std::to_string(line) + " ";
    dirty += code + "' " + Ansi(L"コメント") + "\r\n";
    clean += code + "\r\n";
  }
  std::string project = "Type=Exe\r\n";
  for (int i = 0; i < kModules; ++i) {
    const std::string name = "mod" + std::to_string(1000 + i) + ".bas";
    project += "Module=m; " + name + "\r\n";
    folder.Write(name, dirty);
  }
  folder.Write("app.vbp", project);
  const std::vector<std::string> names = folder.Listing();
  const auto check = [&](bool finished) {
    std::vector<std::string> listed;
    for (const std::string& name : folder.Listing()) {
      // The system removes the temporary file of a killed run, except in the
      // two moments the program cannot mark it: while the system creates it,
      // and between clearing the mark and the rename. The next run that cleans
      // that module (it is still the original) removes it.
      static const std::regex kLeftover(R"(mod\d+\.bas\.velmori1\.tmp)");
      if (!finished && std::regex_match(name, kLeftover)) {
        EXPECT_EQ(folder.Read(name.substr(0, name.find(".velmori"))), dirty) << name;
      } else {
        listed.push_back(name);
      }
    }
    EXPECT_EQ(listed, names);
    int cleaned = 0;
    for (const std::string& name : names) {
      if (name == "app.vbp") continue;
      const std::string bytes = folder.Read(name);
      EXPECT_TRUE(bytes == clean || (!finished && bytes == dirty)) << name;
      cleaned += bytes == clean;
    }
    return cleaned;
  };

  int cleanedBefore = 0;
  for (const DWORD delay : {0, 60, 150, 300}) {
    Program program(VELMORI_EXE);
    ASSERT_NE(program.Start(folder.Native("app.vbp")), nullptr);
    ASSERT_TRUE(Confirm(program));
    Sleep(delay);
    TerminateProcess(program.process(), 1);
    ASSERT_EQ(WaitForSingleObject(program.process(), 10000), WAIT_OBJECT_0);
    Sleep(100);  // the system closes the dead process's files
    const int cleaned = check(false);
    EXPECT_GE(cleaned, cleanedBefore) << "after " << delay << " ms";
    cleanedBefore = cleaned;
  }
  {
    Program program(VELMORI_EXE);
    ASSERT_NE(program.Start(folder.Native("app.vbp")), nullptr);
    ASSERT_TRUE(Confirm(program));
    ASSERT_NE(program.Box(kSuccess), nullptr);
  }
  EXPECT_EQ(check(true), kModules);
}

}  // namespace
}  // namespace velmori::test
