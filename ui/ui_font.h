#pragma once
// The font of both windows: MS UI Gothic 9.75 pt in the Shift-JIS character
// set, or the system message font where that face is not installed.

#include <windows.h>

#include <string>

#include "win32_handles.h"

namespace velmori {

inline constexpr wchar_t kUiFaceName[] = L"MS UI Gothic";
inline constexpr int kUiFontCentipoints = 975;  // 9.75 pt

// True when a font family named `face` exists in `charset`.
bool FontFamilyInstalled(const wchar_t* face, BYTE charset);

// Character height (negative lfHeight) of a `centipoints` font at `dpi`.
int FontHeightForDpi(int centipoints, unsigned dpi);

// The font of the windows at `dpi`.
UniqueFont CreateUiFont(unsigned dpi);
// The same, told whether MS UI Gothic is installed.
UniqueFont CreateUiFont(unsigned dpi, bool faceInstalled);

// Sets `font` on `window` and every child window of it.
void ApplyFont(HWND window, HFONT font);

}  // namespace velmori
