// velmori.exe in a process of its own, operated from outside as a user would,
// on a real project in a temporary folder.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <system_error>

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

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION program{};
  std::wstring command = L"velmori.exe";
  ASSERT_TRUE(CreateProcessW(VELMORI_EXE, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &program));
  const auto box = [&](const std::wstring& text) {
    return WaitFor([&] {
      const HWND found = WindowOf(program.dwProcessId, L"#32770");
      return found != nullptr && TextOf(GetDlgItem(found, 0xFFFF)) == text ? found : nullptr;
    });
  };
  [&] {
    const HWND main = WaitFor([&] { return WindowOf(program.dwProcessId, L"VelmoriMain"); });
    ASSERT_NE(main, nullptr) << "no main window";
    EXPECT_EQ(TextOf(main), L"Velmori");
    const HWND path = FindWindowExW(main, nullptr, L"Edit", nullptr);
    for (wchar_t ch : vbp.wstring()) PostMessageW(path, WM_CHAR, ch, 1);
    ASSERT_NE(WaitFor([&] { return TextOf(path) == vbp.wstring() ? path : nullptr; }), nullptr);
    const LPARAM enter = 1 | static_cast<LPARAM>(MapVirtualKeyW(VK_RETURN, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(path, WM_KEYDOWN, VK_RETURN, enter);
    PostMessageW(path, WM_KEYUP, VK_RETURN, enter | 3LL << 30);

    const HWND confirmation = box(L"バックアップをとりましたか？\r\n"
                                  L"バックアップをとったことを確認したら、[OK]ボタンを押してください。");
    ASSERT_NE(confirmation, nullptr) << "no confirmation";
    EXPECT_EQ(TextOf(confirmation), L"Velmori");
    EXPECT_NE(GetDlgItem(confirmation, IDCANCEL), nullptr);
    EXPECT_FALSE(IsWindowEnabled(main));  // modal to the whole program
    PostMessageW(GetDlgItem(confirmation, IDOK), BM_CLICK, 0, 0);

    const HWND success = box(L"正常に終了しました。");
    ASSERT_NE(success, nullptr) << "no success message";
    EXPECT_EQ(TextOf(success), L"Velmori");
    EXPECT_EQ(GetDlgItem(success, IDCANCEL), nullptr);  // OK alone
    PostMessageW(GetDlgItem(success, IDOK), BM_CLICK, 0, 0);

    // The window stays for another run, with the path; キャンセル ends the program.
    ASSERT_NE(WaitFor([&] { return IsWindowEnabled(main) ? main : nullptr; }), nullptr);
    EXPECT_EQ(TextOf(path), vbp.wstring());
    PostMessageW(FindWindowExW(main, nullptr, L"Button", L"キャンセル"), BM_CLICK, 0, 0);
    ASSERT_EQ(WaitForSingleObject(program.hProcess, 20000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(program.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
  }();
  TerminateProcess(program.hProcess, 99);  // still running only when the test failed
  WaitForSingleObject(program.hProcess, 5000);
  CloseHandle(program.hProcess);
  CloseHandle(program.hThread);

  std::ifstream in(module, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            Ansi(L"Attribute VB_Name = \"basSource\"\r\n\r\n"
                 L"Public Const TITLE = \"表示\" \r\nRem 残る\r\n"));
  in.close();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

}  // namespace
