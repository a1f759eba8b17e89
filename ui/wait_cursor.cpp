#include "wait_cursor.h"

namespace velmori {
namespace {

HCURSOR WaitShape() { return LoadCursorW(nullptr, IDC_WAIT); }

// Runs after each window procedure of the thread; installed only while a
// WaitCursor exists, so whenever it runs, a run is going on.
LRESULT CALLBACK AfterWindowProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && reinterpret_cast<const CWPRETSTRUCT*>(lParam)->message == WM_SETCURSOR) {
    SetCursor(WaitShape());
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

WaitCursor::WaitCursor()
    : hook_(SetWindowsHookExW(WH_CALLWNDPROCRET, AfterWindowProc, nullptr, GetCurrentThreadId())) {
  Show();
}

WaitCursor::~WaitCursor() {
  hook_.reset();
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

void WaitCursor::Show() const { SetCursor(WaitShape()); }

}  // namespace velmori
