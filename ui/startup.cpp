#include "startup.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "main_window.h"
#include "message_box.h"
#include "messages.h"

namespace velmori {

std::wstring PathArgument(const wchar_t* commandLine) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(commandLine, &count);
  if (arguments == nullptr) return {};
  std::wstring path;
  for (int i = 1; i < count; ++i) {
    if (i > 1) path += L' ';
    path += arguments[i];
  }
  LocalFree(arguments);
  return path;
}

int RunProgram(const std::wstring& path) {
  const OleSession ole;  // without it drops are not accepted; the rest still works
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  SystemMessagePort messages;
  MainWindow mainWindow(
      MainServices{SystemFileSystem(), messages, SystemCodePage(), SystemOpenDialog(), WindowDpi});
  if (!mainWindow.Create()) {
    const OsStatus status{GetLastError()};
    messages.ShowMessage(text::kWindowNotCreated + DescribeFailure(status), MessageKind::Error);
    return 1;
  }
  SetWindowTextW(mainWindow.pathEdit(), path.c_str());
  mainWindow.Show();
  return RunMessageLoop(mainWindow);
}

int RunMessageLoop(MainWindow& mainWindow) {
  MSG message{};
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return 1;
    if (mainWindow.HandleDialogKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace velmori
