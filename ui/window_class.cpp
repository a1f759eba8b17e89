#include "window_class.h"

namespace velmori {

HINSTANCE ProgramInstance() { return GetModuleHandleW(nullptr); }

WNDCLASSEXW WindowClassOf(const wchar_t* name, WNDPROC procedure, HBRUSH background) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = ProgramInstance();
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  return windowClass;
}

HBRUSH FaceColorBrush() {
  return reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
}

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

void PlaceControl(HWND control, const PixelRect& rect) {
  SetWindowPos(control, nullptr, rect.left, rect.top, rect.width, rect.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

PixelSize MeasureText(HWND control, HFONT font, const std::wstring& text, int width, UINT format) {
  const HDC dc = GetDC(control);
  if (dc == nullptr) return {0, 0};
  const HGDIOBJ old = SelectObject(dc, font);
  RECT extent{0, 0, width, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &extent,
            DT_CALCRECT | DT_EXPANDTABS | format);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return {extent.right - extent.left, extent.bottom - extent.top};
}

}  // namespace

PixelSize TextExtent(HWND control, HFONT font) {
  return MeasureText(control, font, WindowText(control), 0, DT_SINGLELINE);
}

PixelSize WrappedTextExtent(HWND control, HFONT font, const std::wstring& text, int width) {
  return MeasureText(control, font, text, width, DT_WORDBREAK);
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
