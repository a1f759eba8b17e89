#pragma once
// Operates velmori.exe from another process, as a user would: finds its
// windows, types into them, presses their buttons and reads their texts.

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace velmori::test {

// The path of velmori.exe under test (the command-line argument).
const std::wstring& ProgramPath();
void SetProgramPath(const std::wstring& path);

// A started program, ended at destruction if it is still running.
class RunningProgram {
 public:
  explicit RunningProgram(const std::wstring& exe);
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;
  ~RunningProgram();

  bool started() const { return process_ != nullptr; }
  DWORD id() const { return id_; }
  // Waits for the end of the program; its exit code, or -1 on a time-out.
  long WaitForExit(std::chrono::milliseconds limit);

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// A visible top-level window of process `process` with this class (and, when
// given, this title), waited for up to `limit`; nullptr when none appeared.
HWND WaitForWindow(DWORD process, const std::wstring& windowClass, const std::wstring& title,
                   std::chrono::milliseconds limit);
// A message box of the process whose text differs from `notText`.
HWND WaitForMessageBox(DWORD process, const std::wstring& notText, std::chrono::milliseconds limit);

// The text of a window of another process (WM_GETTEXT, which crosses processes).
std::wstring TextOf(HWND window);
// The text of a message box (its static text control).
std::wstring MessageBoxText(HWND box);
// The child of `parent` with this class and, when given, this text.
HWND FindChild(HWND parent, const std::wstring& windowClass, const std::wstring& text = L"");

// Types text into a control, a character at a time, and waits until it shows it.
bool Type(HWND control, const std::wstring& text);
// Presses a key in the program's message loop, as the keyboard does.
void PressKey(HWND focus, WPARAM key);
// Clicks a button.
void Click(HWND button);
// Waits until a window is closed (or hidden); false on a time-out.
bool WaitUntilGone(HWND window, std::chrono::milliseconds limit);

}  // namespace velmori::test
