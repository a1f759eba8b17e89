#pragma once
// frmMain: the main window. A box for the project file path (typed, dropped or
// browsed to), a warning, and the OK and Cancel buttons.

#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "code_page.h"
#include "drop_target.h"
#include "frm_progress.h"
#include "open_dialog.h"
#include "os/file_system.h"
#include "ui_port.h"
#include "win32_handles.h"

namespace velmori {

inline constexpr wchar_t kMainWindowClass[] = L"VelmoriMain";

// Everything the window reaches outside itself.
struct MainServices {
  FileSystem& files;
  MessagePort& messages;
  CodePage codePage;
  OpenDialogFunctions openDialog;
};

// Control identifiers. OK and Cancel carry the dialog identifiers, so Enter and
// Esc reach them through the dialog keyboard handling.
enum MainControlId : int {
  kIdOk = IDOK,
  kIdCancel = IDCANCEL,
  kIdLblVbp = 100,
  kIdTxtVbp = 101,
  kIdCmdVbp = 102,
  kIdLabel1 = 103,
};

class FrmMain {
 public:
  explicit FrmMain(MainServices services);
  FrmMain(const FrmMain&) = delete;
  FrmMain& operator=(const FrmMain&) = delete;
  ~FrmMain();

  // Creates the window and its controls (which runs Form_Load); hidden until
  // Show. Returns false, with GetLastError set, when the window cannot be made.
  bool Load();
  // Shows the window modeless with the focus in the path box.
  void Show();
  // Closes the window, which ends the program.
  void Unload();

  // Gives the dialog keyboard interface (Tab, Enter, Esc, Alt+V) a message of
  // the message loop; true when it was handled.
  bool HandleDialogKey(MSG& message);

  HWND hwnd() const noexcept { return window_.get(); }
  HWND lblVbp() const noexcept { return lblVbp_; }
  HWND txtVbp() const noexcept { return txtVbp_; }
  HWND cmdVbp() const noexcept { return cmdVbp_; }
  HWND cmdOK() const noexcept { return cmdOK_; }
  HWND cmdCancel() const noexcept { return cmdCancel_; }
  HWND Label1() const noexcept { return Label1_; }
  unsigned dpi() const noexcept { return dpi_; }
  // The drop target registered for the path box.
  IDropTarget* txtVbpDropTarget() const noexcept { return dropTarget_.get(); }
  FrmProgress& progress() noexcept { return frmProgress_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  void Form_Load();
  void cmdOK_Click();
  void cmdCancel_Click();
  void cmdVbp_Click();
  void txtVbp_OLEDragDrop(const std::vector<std::wstring>& files);

  void CreateControls();
  void Layout();
  void OnCommand(int id, int code, HWND control);
  void OnActivate(bool active);
  void OnNextControl(WPARAM wParam, LPARAM lParam);
  void OnDpiChanged(unsigned dpi, const RECT& suggested);
  void MakeDefault(HWND button);
  void LoadIcons();
  void ReportUnexpected(const char* description);

  MainServices services_;
  FrmProgress frmProgress_;
  UniqueWindow window_;
  HWND lblVbp_ = nullptr;
  HWND txtVbp_ = nullptr;
  HWND cmdVbp_ = nullptr;
  HWND cmdOK_ = nullptr;
  HWND cmdCancel_ = nullptr;
  HWND Label1_ = nullptr;
  HWND focusBeforeDeactivation_ = nullptr;
  UniqueFont font_;
  UniqueIcon bigIcon_;
  UniqueIcon smallIcon_;
  ComPtr<FileDropTarget> dropTarget_;
  DropRegistration dropRegistration_;
  unsigned dpi_ = 96;
};

}  // namespace velmori
