#include "startup.h"

#include <commctrl.h>

#include <string>

#include "frm_main.h"
#include "message_box.h"

namespace velmori {

int Main() {
  const OleSession ole;  // without it drops are not accepted; the rest still works
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  SystemMessagePort messages;
  FrmMain frmMain(MainServices{SystemFileSystem(), messages, SystemCodePage(), SystemOpenDialog()});
  if (!frmMain.Load()) {
    const OsStatus status{GetLastError()};
    messages.ShowMessage("ウィンドウを作成できませんでした。\n\n" + DescribeOsError(status),
                         kStyleError);
    return 1;
  }
  frmMain.Show();
  return RunMessageLoop(frmMain);
}

int RunMessageLoop(FrmMain& frmMain) {
  MSG message{};
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return 1;
    if (frmMain.HandleDialogKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace velmori
