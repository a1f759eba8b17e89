#pragma once
// Small move-only owners for the Win32 and COM resources the program holds.

#include <windows.h>
#include <ole2.h>

#include <utility>

#include "os/unique_handle.h"
#include "os/win32.h"

namespace velmori {

// The owners of GDI objects, windows and hooks; kernel handles' are in os/win32.h.
struct FontTraits {
  using Handle = HFONT;
  static void Close(HFONT font) noexcept { DeleteObject(font); }
};
struct WindowTraits {
  using Handle = HWND;
  static void Close(HWND window) noexcept { DestroyWindow(window); }
};
struct HookTraits {
  using Handle = HHOOK;
  static void Close(HHOOK hook) noexcept { UnhookWindowsHookEx(hook); }
};
struct ScreenDcTraits {
  using Handle = HDC;
  static void Close(HDC dc) noexcept { ReleaseDC(nullptr, dc); }
};
struct IconTraits {
  using Handle = HICON;
  static void Close(HICON icon) noexcept { DestroyIcon(icon); }
};

using UniqueFont = UniqueHandle<FontTraits>;
using UniqueWindow = UniqueHandle<WindowTraits>;
using UniqueHook = UniqueHandle<HookTraits>;
using UniqueScreenDc = UniqueHandle<ScreenDcTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;

// A counted COM reference.
template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  // Takes over a reference the caller already holds.
  static ComPtr Adopt(T* pointer) noexcept {
    ComPtr result;
    result.pointer_ = pointer;
    return result;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const noexcept { return pointer_; }
  T* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }
  void reset() noexcept {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
  }

 private:
  T* pointer_ = nullptr;
};

// OLE for the calling thread (drag and drop needs it), from construction to destruction.
class OleSession {
 public:
  OleSession() noexcept : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;
  ~OleSession() {
    if (ok_) OleUninitialize();
  }

 private:
  bool ok_;
};

}  // namespace velmori
