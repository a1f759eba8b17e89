#include "wait_cursor.h"

namespace velmori {
namespace {

int g_depth = 0;

HCURSOR WaitShape() { return LoadCursorW(nullptr, IDC_WAIT); }

LRESULT CALLBACK AfterWindowProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && g_depth > 0) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (call->message == WM_SETCURSOR) SetCursor(WaitShape());
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

WaitCursor::WaitCursor()
    : hook_(SetWindowsHookExW(WH_CALLWNDPROCRET, AfterWindowProc, nullptr, GetCurrentThreadId())) {
  ++g_depth;
  SetCursor(WaitShape());
}

WaitCursor::~WaitCursor() {
  hook_.reset();
  if (--g_depth == 0) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

bool WaitCursor::Answer() {
  if (g_depth == 0) return false;
  SetCursor(WaitShape());
  return true;
}

}  // namespace velmori
