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
#include <system_error>
#include <vector>

namespace {

// Text in the system code page (Shift-JIS under the tests' locale).
std::string Ansi(const std::wstring& text) {
  std::string bytes(text.size() * 2, '\0');
  bytes.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, text.data(),
      static_cast<int>(text.size()), bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr)));
  return bytes;
}

// The text of a window of another process (WM_GETTEXT crosses processes).
std::wstring TextOf(HWND window) {
  wchar_t text[1024]{};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 5000, &copied);
  return text;
}

// A visible top-level window of the process with this class.
HWND WindowOf(DWORD process, const wchar_t* windowClass) {
  for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, windowClass, nullptr));) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == process && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

// Asks until the answer is a window, for up to 20 seconds.
HWND WaitFor(const std::function<HWND()>& window) {
  for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       std::chrono::steady_clock::now() < end; Sleep(20)) {
    if (const HWND found = window()) return found;
  }
  return nullptr;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// velmori.exe started in a process of its own, with a project typed into its
// path box and OK pressed.
class Program {
 public:
  Program() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring command = L"velmori.exe";
    started_ = CreateProcessW(VELMORI_EXE, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process_);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program() {
    if (!started_) return;
    TerminateProcess(process_.hProcess, 99);  // still running only when a test failed
    WaitForSingleObject(process_.hProcess, 5000);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }

  HANDLE process() const { return process_.hProcess; }

  // The message box showing `text`, once it is there.
  HWND Box(const std::wstring& text) const {
    return WaitFor([&] {
      const HWND found = WindowOf(process_.dwProcessId, L"#32770");
      return found != nullptr && TextOf(GetDlgItem(found, 0xFFFF)) == text ? found : nullptr;
    });
  }

  // Types `project` into the path box and presses Enter; returns the main window.
  HWND Start(const std::wstring& project) {
    if (!started_) return nullptr;
    main_ = WaitFor([&] { return WindowOf(process_.dwProcessId, L"VelmoriMain"); });
    if (!main_) return nullptr;
    path_ = FindWindowExW(main_, nullptr, L"Edit", nullptr);
    for (wchar_t ch : project) PostMessageW(path_, WM_CHAR, ch, 1);
    if (!WaitFor([&] { return TextOf(path_) == project ? path_ : nullptr; })) return nullptr;
    const LPARAM enter = 1 | static_cast<LPARAM>(MapVirtualKeyW(VK_RETURN, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(path_, WM_KEYDOWN, VK_RETURN, enter);
    PostMessageW(path_, WM_KEYUP, VK_RETURN, enter | 3LL << 30);
    return main_;
  }

  HWND Confirmation() const {
    return Box(L"バックアップをとりましたか？\r\n"
               L"バックアップをとったことを確認したら、[OK]ボタンを押してください。");
  }

  HWND path() const { return path_; }

 private:
  PROCESS_INFORMATION process_{};
  bool started_ = false;
  HWND main_ = nullptr;
  HWND path_ = nullptr;
};

TEST(EndToEnd, CleansATypedProjectAndEndsWithCancel) {
  // In Shift-JIS, in a folder named ソース: the second byte of ソ is a backslash.
  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       (L"velmori-e2e-" + std::to_wstring(GetCurrentProcessId()));
  const std::filesystem::path vbp = folder / L"業務.vbp", module = folder / L"ソース" / L"basソース.bas";
  std::filesystem::create_directories(module.parent_path());
  std::ofstream(vbp, std::ios::binary) << Ansi(L"Type=Exe\r\nModule=basSource; ソース\\basソース.bas\r\n");
  std::ofstream(module, std::ios::binary)
      << Ansi(L"Attribute VB_Name = \"basSource\"\r\n' 日本語のコメント\r\n"
              L"Public Const TITLE = \"表示\" ' 表題\r\nRem 残る\r\n");

  Program program;
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

    const HWND success = program.Box(L"正常に終了しました。");
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

  EXPECT_EQ(ReadFile(module), Ansi(L"Attribute VB_Name = \"basSource\"\r\n\r\n"
                                   L"Public Const TITLE = \"表示\" \r\nRem 残る\r\n"));
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

// The program killed at several moments of a run, as a crash or Task Manager
// would: each module is either as it was or cleaned, nothing of the program's
// stays beside them, and a whole run afterwards cleans everything.
TEST(EndToEnd, AKilledRunLosesNothingAndLeavesNothing) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      (L"velmori-kill-" + std::to_wstring(GetCurrentProcessId()));
  std::filesystem::create_directories(folder);
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
    std::ofstream(folder / name, std::ios::binary) << dirty;
  }
  std::ofstream(folder / "app.vbp", std::ios::binary) << project;
  std::sort(names.begin(), names.end());
  const auto check = [&](bool finished) {
    std::vector<std::string> listed;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      listed.push_back(entry.path().filename().string());
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
    Program program;
    ASSERT_NE(program.Start((folder / "app.vbp").wstring()), nullptr);
    const HWND confirmation = program.Confirmation();
    ASSERT_NE(confirmation, nullptr);
    PostMessageW(GetDlgItem(confirmation, IDOK), BM_CLICK, 0, 0);
    Sleep(delay);
    TerminateProcess(program.process(), 1);
    ASSERT_EQ(WaitForSingleObject(program.process(), 10000), WAIT_OBJECT_0);
    Sleep(100);  // the system closes the dead process's files
    const int cleaned = check(false);
    EXPECT_GE(cleaned, cleanedBefore) << "after " << delay << " ms";
    cleanedBefore = cleaned;
  }
  {
    Program program;
    ASSERT_NE(program.Start((folder / "app.vbp").wstring()), nullptr);
    const HWND confirmation = program.Confirmation();
    ASSERT_NE(confirmation, nullptr);
    PostMessageW(GetDlgItem(confirmation, IDOK), BM_CLICK, 0, 0);
    ASSERT_NE(program.Box(L"正常に終了しました。"), nullptr);
  }
  EXPECT_EQ(check(true), kModules);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

}  // namespace
