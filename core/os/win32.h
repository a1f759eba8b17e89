#pragma once
// What every Windows part of the program shares (the file layer, velmori-cli's
// console, the window, the GUI benchmark): owners of kernel handles, the text
// conversions, and the way to ask the system for a text of unknown length.
// Windows code only; the portable core never includes it.

#include <windows.h>

#include <string>
#include <string_view>

#include "unique_handle.h"

namespace velmori {

// A file, whose empty value is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
  using Handle = HANDLE;
  static HANDLE Empty() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) noexcept { ::CloseHandle(handle); }
};
// An event, a thread or another kernel object, whose empty value is null.
struct KernelObjectTraits {
  using Handle = HANDLE;
  static void Close(HANDLE handle) noexcept { ::CloseHandle(handle); }
};
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueKernelObject = UniqueHandle<KernelObjectTraits>;

// Text of a code page (CP_UTF8, CP_ACP, ...) as UTF-16, and back.
std::wstring Widen(UINT codePage, std::string_view text);
std::string Narrow(UINT codePage, std::wstring_view text);

// A text the system writes into a buffer of a size it is given: `get(buffer,
// size)` returns the length of the text, or the size it needs when the buffer
// is too small, or 0 on failure (then the result is empty).
template <typename Get>
std::wstring SystemText(Get get) {
  std::wstring text(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = get(text.data(), static_cast<DWORD>(text.size()));
    if (length == 0) return {};
    const bool fits = length < text.size();
    text.resize(length);
    if (fits) return text;
  }
}

}  // namespace velmori
