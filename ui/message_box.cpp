#include "message_box.h"

#include <utility>

#include "messages.h"
#include "os/file_system.h"

namespace velmori {

SystemMessagePort::SystemMessagePort()
    : box_([](HWND owner, const wchar_t* text, const wchar_t* title, UINT type) {
        return MessageBoxW(owner, text, title, type);
      }) {}

SystemMessagePort::SystemMessagePort(MessageBoxFunction box) : box_(std::move(box)) {}

namespace {

UINT StyleOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Error: return MB_OK | MB_ICONSTOP;
    case MessageKind::Warning: return MB_OK | MB_ICONEXCLAMATION;
    case MessageKind::Confirmation: return MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1;
    case MessageKind::Information: return MB_OK | MB_ICONINFORMATION;
  }
  return MB_OK | MB_ICONSTOP;
}

}  // namespace

Answer SystemMessagePort::ShowMessage(const std::string& text, MessageKind kind) {
  static const NativeString title = Utf8ToNative(text::kAppTitle);
  const NativeString wide = Utf8ToNative(text);
  const int pressed = box_(nullptr, wide.c_str(), title.c_str(), MB_TASKMODAL | StyleOf(kind));
  return pressed == IDOK ? Answer::Ok : Answer::Cancel;
}

}  // namespace velmori
