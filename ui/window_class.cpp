#include "window_class.h"

namespace velmori {

HINSTANCE ProgramInstance() { return GetModuleHandleW(nullptr); }

bool RegisterWindowClass(const WNDCLASSEXW& windowClass) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(windowClass.hInstance, windowClass.lpszClassName, &existing)) return true;
  return RegisterClassExW(&windowClass) != 0;
}

HWND CreateControl(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                   DWORD exStyle, int id) {
  return CreateWindowExW(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                         parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         ProgramInstance(), nullptr);
}

void MoveControl(HWND control, int left, int top, int width, int height) {
  SetWindowPos(control, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

PixelSize TextExtent(HWND control, HFONT font) {
  const std::wstring text = WindowText(control);
  const HDC dc = GetDC(control);
  if (dc == nullptr) return {0, 0};
  const HGDIOBJ old = SelectObject(dc, font);
  RECT extent{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &extent,
            DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return {extent.right - extent.left, extent.bottom - extent.top};
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

}  // namespace velmori
