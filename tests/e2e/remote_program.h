#pragma once
// Operating velmori.exe from another process, as a user would: finding its
// windows, reading their texts, typing a path and answering message boxes.
// Used by the end-to-end tests and the benchmark that times the program.

#include <windows.h>

#include <chrono>
#include <functional>
#include <iterator>
#include <string>

namespace velmori::remote {

// Text in the system code page (Shift-JIS under the tests' locale).
inline std::string Ansi(const std::wstring& text) {
  std::string bytes(text.size() * 2, '\0');
  bytes.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, text.data(),
      static_cast<int>(text.size()), bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr)));
  return bytes;
}

// The text of a window of another process (WM_GETTEXT crosses processes).
inline std::wstring TextOf(HWND window) {
  wchar_t text[1024]{};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 5000, &copied);
  return text;
}

// A visible top-level window of the process with this class.
inline HWND WindowOf(DWORD process, const wchar_t* windowClass) {
  for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, windowClass, nullptr));) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == process && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

// Asks until the answer is a window, for up to `limit`.
inline HWND WaitFor(const std::function<HWND()>& window,
                    std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  for (const auto end = std::chrono::steady_clock::now() + limit;
       std::chrono::steady_clock::now() < end; Sleep(20)) {
    if (const HWND found = window()) return found;
  }
  return nullptr;
}

// velmori.exe started in a process of its own, with a project typed into its
// path box and OK pressed.
class Program {
 public:
  // `arguments`: the rest of the command line after the program name.
  explicit Program(const std::wstring& exe, const std::wstring& arguments = {}) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring command = L"velmori.exe";
    if (!arguments.empty()) command += L" " + arguments;
    started_ = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
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
  HWND Box(const std::wstring& text,
           std::chrono::milliseconds limit = std::chrono::seconds(20)) const {
    return WaitFor(
        [&] {
          const HWND found = WindowOf(process_.dwProcessId, L"#32770");
          return found != nullptr && TextOf(GetDlgItem(found, 0xFFFF)) == text ? found : nullptr;
        },
        limit);
  }

  // Types `project` into the path box and presses Enter; returns the main window.
  HWND Start(const std::wstring& project) {
    if (!Attach()) return nullptr;
    for (wchar_t ch : project) PostMessageW(path_, WM_CHAR, ch, 1);
    if (!WaitFor([&] { return TextOf(path_) == project ? path_ : nullptr; })) return nullptr;
    PressEnter();
    return main_;
  }

  // The main window, once it is shown, and its path box; nothing typed.
  HWND Attach() {
    if (!started_) return nullptr;
    main_ = WaitFor([&] { return WindowOf(process_.dwProcessId, L"VelmoriMain"); });
    if (main_) path_ = FindWindowExW(main_, nullptr, L"Edit", nullptr);
    return main_;
  }

  // Enter in the path box: OK, the default button.
  void PressEnter() const {
    const LPARAM enter = 1 | static_cast<LPARAM>(MapVirtualKeyW(VK_RETURN, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(path_, WM_KEYDOWN, VK_RETURN, enter);
    PostMessageW(path_, WM_KEYUP, VK_RETURN, enter | 3LL << 30);
  }

  HWND Confirmation(std::chrono::milliseconds limit = std::chrono::seconds(20)) const {
    return Box(L"バックアップをとりましたか？\r\n"
               L"バックアップをとったことを確認したら、[OK]ボタンを押してください。",
               limit);
  }

  HWND main() const { return main_; }
  HWND path() const { return path_; }

 private:
  PROCESS_INFORMATION process_{};
  bool started_ = false;
  HWND main_ = nullptr;
  HWND path_ = nullptr;
};

}  // namespace velmori::remote
