#include "message_box.h"

#include <utility>

#include "os/file_system.h"

namespace velmori {

SystemMessagePort::SystemMessagePort()
    : box_([](HWND owner, const wchar_t* text, const wchar_t* title, UINT type) {
        return MessageBoxW(owner, text, title, type);
      }) {}

SystemMessagePort::SystemMessagePort(MessageBoxFunction box) : box_(std::move(box)) {}

int SystemMessagePort::ShowMessage(const std::string& text, int style) {
  static const NativeString title = Utf8ToNative(kAppTitle);
  const NativeString wide = Utf8ToNative(text);
  return box_(nullptr, wide.c_str(), title.c_str(), MB_TASKMODAL | static_cast<UINT>(style));
}

}  // namespace velmori
