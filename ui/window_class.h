#pragma once
// Helpers shared by the program's window classes.

#include <windows.h>

#include <string>

#include "layout.h"

namespace velmori {

// The module whose resources and window classes the program uses.
HINSTANCE ProgramInstance();

// A window class of the program: arrow cursor, `background` (none: the window
// paints it), no icon.
WNDCLASSEXW WindowClassOf(const wchar_t* name, WNDPROC procedure, HBRUSH background);
// The dialog face color, as a class background.
HBRUSH FaceColorBrush();
// Registers a window class once per process; returns false when that fails.
bool RegisterWindowClass(const WNDCLASSEXW& windowClass);

// The object a window procedure belongs to: stored from CREATESTRUCT at
// WM_NCCREATE, cleared at WM_NCDESTROY.
template <typename T>
T* WindowObject(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* object = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
    return object;
  }
  auto* object = reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  return object;
}

// A visible child control, placed later.
HWND CreateControl(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                   DWORD exStyle, int id);
// Puts a child control at a pixel rectangle of its parent's client area.
void PlaceControl(HWND control, const PixelRect& rect);

// The extent of a control's text on one line in `font` (a & marks a mnemonic).
PixelSize TextExtent(HWND control, HFONT font);
// The size `text` takes in `font` as a static control draws it, wrapped at
// `width` pixels.
PixelSize WrappedTextExtent(HWND control, HFONT font, const std::wstring& text, int width);

// The whole text of a window.
std::wstring WindowText(HWND window);

}  // namespace velmori
