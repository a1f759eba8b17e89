#pragma once
// The main window: a box for the project file path (typed, dropped or browsed
// to), a warning, and the OK and Cancel buttons.

#include <windows.h>
#include <ole2.h>

#include <optional>
#include <string>
#include <vector>

#include "code_page.h"
#include "dpi.h"
#include "layout.h"
#include "drop_target.h"
#include "open_dialog.h"
#include "os/file_system.h"
#include "progress_window.h"
#include "run_thread.h"
#include "ui_port.h"
#include "wait_cursor.h"
#include "win32_handles.h"

namespace velmori {

inline constexpr wchar_t kMainWindowClass[] = L"VelmoriMain";

// Everything the window reaches outside itself.
struct MainServices {
  FileSystem& files;
  MessagePort& messages;
  CodePage codePage;
  OpenDialogFunctions openDialog;
  WindowDpiFunction windowDpi;  // for the main and the progress window
};

// Control identifiers. OK and Cancel carry the dialog identifiers, so Enter and
// Esc reach them through the dialog keyboard handling.
enum MainControlId : int {
  kIdOk = IDOK,
  kIdCancel = IDCANCEL,
  kIdPathLabel = 100,
  kIdPathEdit = 101,
  kIdBrowse = 102,
  kIdWarning = 103,
};

class MainWindow {
 public:
  explicit MainWindow(MainServices services);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow();

  // Creates the window and its controls, hidden until Show. Returns false, with
  // GetLastError set, when the window cannot be made.
  bool Create();
  // Shows and activates the window, with the focus in the path box.
  void Show();
  // Closes the window, which ends the program.
  void Close();

  // Gives the dialog keyboard interface (Tab, Enter, Esc, Alt+V) a message of
  // the message loop; true when it was handled.
  bool HandleDialogKey(MSG& message);

  HWND hwnd() const noexcept { return window_.get(); }
  HWND pathLabel() const noexcept { return pathLabel_; }
  HWND pathEdit() const noexcept { return pathEdit_; }
  HWND browseButton() const noexcept { return browseButton_; }
  HWND okButton() const noexcept { return okButton_; }
  HWND cancelButton() const noexcept { return cancelButton_; }
  HWND warningLabel() const noexcept { return warningLabel_; }
  // The drop target registered for the path box.
  IDropTarget* pathDropTarget() const noexcept { return dropTarget_.get(); }
  ProgressWindow& progress() noexcept { return progress_; }
  // Whether a run is going on (on its worker thread).
  bool running() const noexcept { return run_.running(); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  void OnOk();
  void OnRunFinished(const RunOutcome& outcome);
  void OnBrowse();
  void OnFilesDropped(const std::vector<std::wstring>& files);
  void OnCommand(int id, int code, HWND control);

  void CreateControls();
  // The layout at `dpi` with the warning measured in `font`.
  MainLayout LayoutAt(unsigned dpi, HFONT font) const;
  void Rescale(unsigned dpi);
  void Layout();
  void GiveFocus(HWND control);
  void LoadIcons();
  void ReportUnexpected(const char* description);

  MainServices services_;
  ProgressWindow progress_{services_.windowDpi};
  RunThread run_{services_.messages, progress_};
  std::optional<WaitCursor> waitCursor_;  // while a run lasts
  HWND focusBeforeRun_ = nullptr;
  UniqueWindow window_;
  HWND pathLabel_ = nullptr;
  HWND pathEdit_ = nullptr;
  HWND browseButton_ = nullptr;
  HWND okButton_ = nullptr;
  HWND cancelButton_ = nullptr;
  HWND warningLabel_ = nullptr;
  UniqueFont font_;
  UniqueIcon bigIcon_;
  UniqueIcon smallIcon_;
  ComPtr<FileDropTarget> dropTarget_;
  DropRegistration dropRegistration_;
  unsigned dpi_ = kDefaultDpi;
  MainLayout layout_{};
};

}  // namespace velmori
