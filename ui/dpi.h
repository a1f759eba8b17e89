#pragma once
// Pixel density of windows, with an override for tests, and the DPI-dependent
// system metrics the windows need.

#include <windows.h>

#include "layout.h"

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

}  // namespace velmori
