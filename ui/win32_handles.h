#pragma once
// Small move-only owners for the Win32 and COM resources the program holds.

#include <windows.h>
#include <ole2.h>

#include <utility>

namespace velmori {

// Owns one handle and releases it with Traits::Close. Copying is deleted: a
// copyable owner would release twice.
template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Handle{}; }
  Handle release() noexcept { return std::exchange(handle_, Handle{}); }
  void reset(Handle handle = Handle{}) noexcept {
    const Handle old = std::exchange(handle_, handle);
    if (old != Handle{}) Traits::Close(old);
  }

 private:
  Handle handle_{};
};

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

struct KernelObjectTraits {
  using Handle = HANDLE;  // an event, thread or other kernel object; null when empty
  static void Close(Handle handle) noexcept { CloseHandle(handle); }
};

using UniqueFont = UniqueHandle<FontTraits>;
using UniqueKernelObject = UniqueHandle<KernelObjectTraits>;
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
