// velmori.exe in a process of its own, operated from outside as a user would,
// on a real project in a temporary folder.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <regex>
#include <system_error>
#include <vector>

#include "remote_program.h"

namespace {

using namespace velmori::remote;

const std::wstring kSuccess = L"正常に終了しました。";
const std::string kDirty = "Attribute VB_Name = \"m\"\r\nx = 1 ' c\r\n";
const std::string kClean = "Attribute VB_Name = \"m\"\r\nx = 1 \r\n";

// A fresh folder under the temporary folder, removed afterwards.
struct TempFolder {
  explicit TempFolder(const std::wstring& name)
      : path(std::filesystem::temp_directory_path() /
             (name + std::to_wstring(GetCurrentProcessId()))) {
    std::filesystem::create_directories(path);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  void Write(const std::filesystem::path& relative, const std::string& bytes) const {
    std::filesystem::create_directories((path / relative).parent_path());
    std::ofstream(path / relative, std::ios::binary) << bytes;
  }
  std::filesystem::path path;
};

// Presses OK in the confirmation, once it is shown.
bool Confirm(const Program& program) {
  const HWND confirmation = program.Confirmation();
  if (confirmation == nullptr) return false;
  PostMessageW(GetDlgItem(confirmation, IDOK), BM_CLICK, 0, 0);
  return true;
}

TEST(EndToEnd, CleansATypedProjectAndEndsWithCancel) {
  // In Shift-JIS, in a folder named ソース: the second byte of ソ is a backslash.
  const TempFolder folder(L"velmori-e2e-");
  const std::filesystem::path vbp = folder.path / L"業務.vbp", module = L"ソース/basソース.bas";
  folder.Write(vbp, Ansi(L"Type=Exe\r\nModule=basSource; ソース\\basソース.bas\r\n"));
  folder.Write(module, Ansi(L"Attribute VB_Name = \"basSource\"\r\n' 日本語のコメント\r\n"
                            L"Public Const TITLE = \"表示\" ' 表題\r\nRem 残る\r\n"));

  Program program(VELMORI_EXE);
  [&] {
    const HWND main = program.Start(vbp.wstring());
    ASSERT_NE(main, nullptr) << "no main window";
    EXPECT_EQ(TextOf(main), L"Velmori");

    const HWND confirmation = program.Confirmation();
    ASSERT_NE(confirmation, nullptr) << "no confirmation";
    EXPECT_EQ(TextOf(confirmation), L"Velmori");
    EXPECT_NE(GetDlgItem(confirmation, IDCANCEL), nullptr);
    EXPECT_FALSE(IsWindowEnabled(main));  // modal to the whole program
    PostMessageW(GetDlgItem(confirmation, IDOK), BM_CLICK, 0, 0);

    const HWND success = program.Box(kSuccess);
    ASSERT_NE(success, nullptr) << "no success message";
    EXPECT_EQ(TextOf(success), L"Velmori");
    EXPECT_EQ(GetDlgItem(success, IDCANCEL), nullptr);  // OK alone
    PostMessageW(GetDlgItem(success, IDOK), BM_CLICK, 0, 0);

    // The window stays for another run, with the path; キャンセル ends the program.
    ASSERT_NE(WaitFor([&] { return IsWindowEnabled(main) ? main : nullptr; }), nullptr);
    EXPECT_EQ(TextOf(program.path()), vbp.wstring());
    PostMessageW(FindWindowExW(main, nullptr, L"Button", L"キャンセル"), BM_CLICK, 0, 0);
    ASSERT_EQ(WaitForSingleObject(program.process(), 20000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(program.process(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
  }();

  EXPECT_EQ(ReadFile(folder.path / module), Ansi(L"Attribute VB_Name = \"basSource\"\r\n\r\n"
                                                L"Public Const TITLE = \"表示\" \r\nRem 残る\r\n"));
}

// Started as a drop on its icon starts it: the group's path in the box,
// nothing run before OK, then one confirmation and one success message for
// both projects of the group.
TEST(EndToEnd, APathArgumentFillsTheBoxAndAGroupCleansWithOneConfirmation) {
  const TempFolder folder(L"velmori-group-");
  const std::filesystem::path group = folder.path / L"業務 一式.vbg";
  folder.Write(group, "VBGROUP 5.0\r\nStartupProject=one.vbp\r\nProject=two\\two.vbp\r\n");
  folder.Write("one.vbp", "Module=a; a.bas\r\n");
  folder.Write("two/two.vbp", "Module=b; b.bas\r\n");
  folder.Write("a.bas", kDirty);
  folder.Write("two/b.bas", kDirty);

  Program program(VELMORI_EXE, L"\"" + group.wstring() + L"\"");
  [&] {
    ASSERT_NE(program.Attach(), nullptr) << "no main window";
    EXPECT_EQ(TextOf(program.path()), group.wstring());
    EXPECT_EQ(program.Confirmation(std::chrono::milliseconds(500)), nullptr) << "ran unasked";
    EXPECT_EQ(ReadFile(folder.path / L"a.bas"), kDirty);
    program.PressEnter();
    ASSERT_TRUE(Confirm(program)) << "no confirmation";
    const HWND success = program.Box(kSuccess);
    ASSERT_NE(success, nullptr) << "no success message";
    PostMessageW(GetDlgItem(success, IDOK), BM_CLICK, 0, 0);
  }();
  EXPECT_EQ(ReadFile(folder.path / L"a.bas"), kClean);
  EXPECT_EQ(ReadFile(folder.path / L"two" / L"b.bas"), kClean);
}

// The program killed at several moments of a run, as a crash or Task Manager
// would: each module is either as it was or cleaned, nothing of the program's
// stays beside them, and a whole run afterwards cleans everything.
TEST(EndToEnd, AKilledRunLosesNothingAndLeavesNothing) {
  const TempFolder temp(L"velmori-kill-");
  const std::filesystem::path& folder = temp.path;
  constexpr int kModules = 300;
  std::string dirty = "Attribute VB_Name = \"m\"\r\n", clean = dirty;
  for (int line = 0; line < 600; ++line) {
    const std::string code = "x = " + std::to_string(line) + " ";
    dirty += code + "' " + Ansi(L"コメント") + "\r\n";
    clean += code + "\r\n";
  }
  std::string project = "Type=Exe\r\n";
  std::vector<std::string> names{"app.vbp"};
  for (int i = 0; i < kModules; ++i) {
    const std::string name = "mod" + std::to_string(1000 + i) + ".bas";
    project += "Module=m; " + name + "\r\n";
    names.push_back(name);
    temp.Write(name, dirty);
  }
  temp.Write("app.vbp", project);
  std::sort(names.begin(), names.end());
  const auto check = [&](bool finished) {
    std::vector<std::string> listed;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      // The system removes the temporary file of a killed run, except in the
      // two moments the program cannot mark it: while the system creates it,
      // and between clearing the mark and the rename. The next run that cleans
      // that module (it is still the original) removes it.
      static const std::regex kLeftover(R"(mod\d+\.bas\.velmori1\.tmp)");
      if (!finished && std::regex_match(name, kLeftover)) {
        EXPECT_EQ(ReadFile(folder / name.substr(0, name.find(".velmori"))), dirty) << name;
        continue;
      }
      listed.push_back(name);
    }
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, names);
    int cleaned = 0;
    for (int i = 0; i < kModules; ++i) {
      const std::string bytes = ReadFile(folder / names[static_cast<std::size_t>(i) + 1]);
      EXPECT_TRUE(bytes == clean || (!finished && bytes == dirty)) << names[i + 1];
      cleaned += bytes == clean;
    }
    return cleaned;
  };

  int cleanedBefore = 0;
  for (const DWORD delay : {0, 60, 150, 300}) {
    Program program(VELMORI_EXE);
    ASSERT_NE(program.Start((folder / "app.vbp").wstring()), nullptr);
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
    ASSERT_NE(program.Start((folder / "app.vbp").wstring()), nullptr);
    ASSERT_TRUE(Confirm(program));
    ASSERT_NE(program.Box(kSuccess), nullptr);
  }
  EXPECT_EQ(check(true), kModules);
}

}  // namespace
