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

  // `style` is one of the program's style values (16, 33, 48, 64).
  int ShowMessage(const std::string& text, int style) override;

 private:
  MessageBoxFunction box_;
};

}  // namespace velmori
