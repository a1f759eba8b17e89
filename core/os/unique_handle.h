#pragma once
// The one owner of a system handle: a file descriptor, a Win32 handle, a GDI
// object. Traits name the handle type, how it is released (Close) and, when
// it is not the type's zero value, the value that holds nothing (Empty).

#include <utility>

namespace velmori {

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  // Copying is deleted: a copyable owner would release twice.
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Empty(); }
  Handle release() noexcept { return std::exchange(handle_, Empty()); }
  void reset(Handle handle = Empty()) noexcept {
    const Handle old = std::exchange(handle_, handle);
    if (old != Empty()) Traits::Close(old);
  }

 private:
  static Handle Empty() noexcept {
    if constexpr (requires { Traits::Empty(); }) {
      return Traits::Empty();
    } else {
      return Handle{};
    }
  }

  Handle handle_ = Empty();
};

}  // namespace velmori
