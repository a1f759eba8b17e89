#pragma once
// The main window in-process, with a recording MessageBoxW and a fake Open dialog.

#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dpi.h"
#include "main_window.h"
#include "message_box.h"
#include "window_class.h"

namespace velmori::test {

// Dispatches what waits in the thread's queue, leaving a WM_QUIT there.
inline void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_QUIT) {
    PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// A message box the program asked for, and what the screen showed meanwhile.
struct ShownBox {
  HWND owner;
  std::wstring text, title;
  UINT type;
  HCURSOR cursor;
  bool progressShown;
};

class MainWindowFixture {
 public:
  explicit MainWindowFixture(unsigned dpi = 96, FileSystem& files = SystemFileSystem())
      : window(MainServices{files, messages, SystemCodePage(), dialog,
                            [dpi](HWND) { return dpi; }}) {
    if (!window.Create()) throw std::runtime_error("the main window was not created");
    window.Show();
    // Under Wine the focus arrives later, as messages from the X server.
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 3000; Sleep(10)) {
      PumpMessages();
      if (GetActiveWindow() == window.hwnd() && IsChild(window.hwnd(), GetFocus())) break;
    }
  }
  ~MainWindowFixture() {
    window.Close();
    PumpMessages();
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  }

  // Clicks a button; a run that OK starts is pumped to its end.
  void Click(HWND button) {
    SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    PumpWhile([this] { return window.running(); });
  }
  // Pumps messages while `busy` holds, for up to ten seconds.
  static void PumpWhile(const std::function<bool()>& busy) {
    for (const DWORD start = GetTickCount(); busy() && GetTickCount() - start < 10000;) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      PumpMessages();
    }
  }
  std::wstring Path() const { return WindowText(window.pathEdit()); }
  // A key through the window's dialog keyboard handling, as the message loop gives it.
  bool Key(UINT message, WPARAM key, LPARAM data = 0) {
    MSG msg{GetFocus(), message, key, data, 0, {}};
    const bool handled = window.HandleDialogKey(msg);
    if (!handled) DispatchMessageW(&msg);
    PumpMessages();
    return handled;
  }

  std::vector<ShownBox> shown;
  std::deque<int> answers;  // IDOK once empty
  std::function<void()> whileShown = [] {};  // runs while each box is open
  std::function<BOOL(OPENFILENAMEW*)> onDialog = [](OPENFILENAMEW*) { return FALSE; };
  DWORD dialogError = 0;
  SystemMessagePort messages{[this](HWND owner, const wchar_t* text, const wchar_t* title,
                                    UINT type) {
    const HWND progress = FindWindowW(L"VelmoriProgress", nullptr);
    shown.push_back({owner, text, title, type, GetCursor(),
                     progress != nullptr && IsWindowVisible(progress)});
    whileShown();
    if (answers.empty()) return IDOK;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }};
  OpenDialogFunctions dialog{[this](OPENFILENAMEW* ofn) { return onDialog(ofn); },
                             [this] { return dialogError; }};
  MainWindow window;
};

}  // namespace velmori::test
