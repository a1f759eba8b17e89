#pragma once
// Pixel density of windows, with an override for tests, and the DPI-dependent
// system metrics the windows need.

#include <windows.h>

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

// Makes every window of the program lay itself out at `dpi` (0: the real DPI).
// Tests use it to check the geometry at several densities on one screen.
void SetDpiOverride(unsigned dpi);

// The DPI a window lays itself out at: the override, else the window's own.
unsigned WindowDpi(HWND window);

// Outer window size for a client area of `client` pixels at `dpi`.
PixelSize WindowSizeForClient(PixelSize client, DWORD style, DWORD exStyle, unsigned dpi);

// Gives a window exactly `client` pixels of client area, centred on its monitor.
void PlaceCentred(HWND window, PixelSize client);

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
