#pragma once
// The program's message boxes: MessageBoxW, modal to the whole program (task
// modal, no owner), titled with the application title.

#include <windows.h>

#include <functional>
#include <string>

#include "ui_port.h"

namespace velmori {

// The shape of MessageBoxW; tests put a recording fake in its place.
using MessageBoxFunction = std::function<int(HWND owner, const wchar_t* text,
                                             const wchar_t* title, UINT type)>;

class SystemMessagePort final : public MessagePort {
 public:
  SystemMessagePort();
  explicit SystemMessagePort(MessageBoxFunction box);

  // Shown with the MessageBox style of its kind; only IDOK answers Ok.
  Answer ShowMessage(const std::string& text, MessageKind kind) override;

 private:
  MessageBoxFunction box_;
};

}  // namespace velmori
