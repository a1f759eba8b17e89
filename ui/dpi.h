#pragma once
// Pixel density of windows and the DPI-dependent system metrics the windows need.

#include <windows.h>

#include <functional>
#include <optional>

#include "layout.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

namespace velmori {

inline constexpr unsigned kDefaultDpi = 96;

// The DPI the system gives a window: that of the screen it stands on.
unsigned WindowDpi(HWND window);

// How a window learns, once created, the DPI to lay itself out at: WindowDpi in
// the program; tests pass a fixed density to check the geometry at several
// densities on one screen.
using WindowDpiFunction = std::function<unsigned(HWND window)>;

// Outer window size for a client area of `client` pixels at `dpi`.
PixelSize WindowSizeForClient(PixelSize client, DWORD style, DWORD exStyle, unsigned dpi);

// Gives a window laid out at `dpi` exactly `client` pixels of client area,
// centered on its monitor.
void PlaceCentered(HWND window, PixelSize client, unsigned dpi);

// The system message font for `dpi`.
bool MessageFontForDpi(unsigned dpi, LOGFONTW& font);

// The two DPI messages, answered alike by both windows: WM_GETDPISCALEDSIZE
// with the outer size of the client area `clientAt(dpi)` gives; WM_DPICHANGED by
// `rescale(dpi)` (new font and layout), then taking the rectangle Windows
// suggests. Nothing for any other message.
template <typename ClientAt, typename Rescale>
std::optional<LRESULT> HandleDpiMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        DWORD style, DWORD exStyle, ClientAt clientAt,
                                        Rescale rescale) {
  if (message == WM_GETDPISCALEDSIZE) {
    const auto dpi = static_cast<unsigned>(wParam);
    const PixelSize size = WindowSizeForClient(clientAt(dpi), style, exStyle, dpi);
    *reinterpret_cast<SIZE*>(lParam) = SIZE{size.width, size.height};
    return TRUE;
  }
  if (message == WM_DPICHANGED) {
    rescale(static_cast<unsigned>(LOWORD(wParam)));
    const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(window, nullptr, suggested.left, suggested.top,
                 suggested.right - suggested.left, suggested.bottom - suggested.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
  }
  return std::nullopt;
}

}  // namespace velmori
