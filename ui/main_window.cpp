#include "main_window.h"

#include <exception>
#include <utility>

#include "layout.h"
#include "messages.h"
#include "project_run.h"
#include "res/resource.h"
#include "ui_font.h"
#include "window_class.h"

namespace velmori {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;

HWND CreateTextControl(HWND parent, const wchar_t* windowClass, const char* text, DWORD style,
                       DWORD exStyle, int id) {
  return CreateControl(parent, windowClass, Utf8ToNative(text).c_str(), style, exStyle, id);
}

}  // namespace

MainWindow::MainWindow(MainServices services) : services_(std::move(services)) {}

MainWindow::~MainWindow() { window_.reset(); }

bool MainWindow::Create() {
  if (window_) return true;
  WNDCLASSEXW windowClass = WindowClassOf(kMainWindowClass, WindowProc, FaceColorBrush());
  // Room for the dialog manager's own slots (DWLP_MSGRESULT, DWLP_DLGPROC, which
  // stays empty, and DWLP_USER); the window's object is in GWLP_USERDATA, which
  // is not one of them. See WindowProc.
  windowClass.cbWndExtra = DLGWINDOWEXTRA;
  windowClass.hIcon = LoadIconW(ProgramInstance(), MAKEINTRESOURCEW(IDI_VELMORI));
  if (!RegisterWindowClass(windowClass)) return false;

  // The caption is empty until the window and its controls are complete.
  window_.reset(CreateWindowExW(kExStyle, kMainWindowClass, L"", kStyle, 0, 0, 1, 1, nullptr,
                                nullptr, ProgramInstance(), this));
  if (!window_) return false;
  CreateControls();
  Rescale(services_.windowDpi(window_.get()));
  PlaceCentered(window_.get(), layout_.client, dpi_);
  progress_.SetOwner(window_.get());
  dropTarget_ = FileDropTarget::Create(
      [this](const std::vector<std::wstring>& files) { OnFilesDropped(files); });
  dropRegistration_ = DropRegistration(pathEdit_, dropTarget_.get());
  SetWindowTextW(window_.get(), Utf8ToNative(text::kAppTitle).c_str());
  return true;
}

void MainWindow::CreateControls() {
  const HWND window = window_.get();
  // Creation order is the tab order: path box, "...", OK, Cancel.
  pathLabel_ = CreateTextControl(window, L"STATIC", text::kPathLabel, SS_LEFTNOWORDWRAP, 0,
                                 kIdPathLabel);
  pathEdit_ = CreateControl(window, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                            kIdPathEdit);
  SendMessageW(pathEdit_, EM_SETLIMITTEXT, 0, 0);  // no length limit of its own
  browseButton_ = CreateTextControl(window, L"BUTTON", text::kBrowseButton,
                                    WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY, 0, kIdBrowse);
  okButton_ = CreateTextControl(window, L"BUTTON", text::kOkButton,
                                WS_TABSTOP | BS_DEFPUSHBUTTON | BS_NOTIFY, 0, kIdOk);
  cancelButton_ = CreateTextControl(window, L"BUTTON", text::kCancelButton,
                                    WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY, 0, kIdCancel);
  warningLabel_ = CreateTextControl(window, L"STATIC", text::kWarning, SS_LEFT, 0, kIdWarning);
  SendMessageW(window, DM_SETDEFID, kIdOk, 0);
}

// The font, the icons and the layout at `dpi`: at creation and on a move to a
// screen of another density.
void MainWindow::Rescale(unsigned dpi) {
  dpi_ = dpi;
  font_ = CreateUiFont(dpi_);
  ApplyFont(window_.get(), font_.get());
  LoadIcons();
  Layout();
}

void MainWindow::LoadIcons() {
  const auto load = [this](int size) {
    const int pixels = MulDiv(size, static_cast<int>(dpi_), static_cast<int>(kDefaultDpi));
    return UniqueIcon(static_cast<HICON>(LoadImageW(
        ProgramInstance(), MAKEINTRESOURCEW(IDI_VELMORI), IMAGE_ICON, pixels, pixels, 0)));
  };
  bigIcon_ = load(32);
  smallIcon_ = load(16);
  SendMessageW(window_.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  SendMessageW(window_.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

MainLayout MainWindow::LayoutAt(unsigned dpi, HFONT font) const {
  const MainLayout designed = LayoutMain(dpi);
  const PixelSize warning = WrappedTextExtent(warningLabel_, font, Utf8ToNative(text::kWarning),
                                              designed.warningLabel.width);
  return LayoutMain(dpi, Growth(warning.height, designed.warningLabel.height));
}

void MainWindow::Layout() {
  layout_ = LayoutAt(dpi_, font_.get());
  const MainLayout& layout = layout_;
  // The caption label is sized to its text, so a wider replacement font does not cut it.
  PlaceControl(pathLabel_, SizedToText(layout.pathLabel, TextExtent(pathLabel_, font_.get())));
  PlaceControl(pathEdit_, layout.pathEdit);
  PlaceControl(browseButton_, layout.browseButton);
  PlaceControl(okButton_, layout.okButton);
  PlaceControl(cancelButton_, layout.cancelButton);
  PlaceControl(warningLabel_, layout.warningLabel);
}

void MainWindow::Show() {
  if (!window_) return;
  ShowWindow(window_.get(), SW_SHOW);
  SetForegroundWindow(window_.get());
  GiveFocus(pathEdit_);
}

void MainWindow::Close() { window_.reset(); }

bool MainWindow::HandleDialogKey(MSG& message) {
  return window_ && IsDialogMessageW(window_.get(), &message);
}

// Asks for the confirmation and starts the run on its worker thread. The
// window takes no input until the run is over, as under a modal window; it
// goes on painting and answering the system. The focus it had comes back after
// the run: disabled, the window may lose it without the dialog manager seeing.
void MainWindow::OnOk() {
  if (services_.messages.ShowMessage(text::kConfirmBackup, MessageKind::Confirmation) !=
      Answer::Ok) {
    return;
  }
  const std::wstring project = PathFromUserText(WindowText(pathEdit_));
  run_.Start(
      window_.get(),
      [files = &services_.files, codePage = services_.codePage, project](MessagePort& messages,
                                                                         RunProgress& progress) {
        FailureBoxes failures(messages);
        return CleanProject(RunContext{*files, progress, failures, codePage}, project);
      },
      [this](const RunOutcome& outcome) { OnRunFinished(outcome); });
  waitCursor_.emplace();
  focusBeforeRun_ = GetFocus();
  EnableWindow(window_.get(), FALSE);
}

void MainWindow::OnRunFinished(const RunOutcome& outcome) {
  waitCursor_.reset();
  EnableWindow(window_.get(), TRUE);
  GiveFocus(focusBeforeRun_);
  if (!outcome.unexpected.empty()) {
    ReportUnexpected(outcome.unexpected.c_str());
  } else if (outcome.succeeded) {
    services_.messages.ShowMessage(text::kSuccess, MessageKind::Information);
  }
}

void MainWindow::ReportUnexpected(const char* description) {
  try {
    services_.messages.ShowMessage(std::string(text::kUnexpectedFailure) + description,
                                   MessageKind::Error);
  } catch (...) {
    // Not even the report could be made (no memory left): nothing more to do.
  }
}

void MainWindow::OnBrowse() {
  const std::optional<std::wstring> path =
      ShowProjectOpenDialog(window_.get(), services_.openDialog, services_.messages);
  if (path) SetWindowTextW(pathEdit_, path->c_str());
}

void MainWindow::OnFilesDropped(const std::vector<std::wstring>& files) {
  if (!files.empty()) SetWindowTextW(pathEdit_, files.front().c_str());
}

void MainWindow::OnCommand(int id, int code, HWND control) {
  switch (code) {
    case BN_CLICKED:  // also Enter (IDOK) and Esc (IDCANCEL) from the dialog keys
      if (running()) break;  // the window takes no input during a run
      if (id == kIdOk) OnOk();
      else if (id == kIdCancel) Close();
      else if (id == kIdBrowse) OnBrowse();
      break;
    // The dialog manager gives a button the default look, so that Enter presses
    // it, when it moves the focus there itself (Tab, GiveFocus); a click
    // focuses the control directly, so it is told of that focus too.
    case BN_SETFOCUS:
      SendMessageW(window_.get(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
      break;
    case EN_SETFOCUS:  // as above, but without selecting the text a click places the caret in
      SendMessageW(window_.get(), DM_SETDEFID, kIdOk, 0);
      break;
    default:
      break;
  }
}

// Moves the focus through the dialog manager, which also gives the default
// look to a focused button (else back to OK); to the path box when `control`
// is no longer one of ours.
void MainWindow::GiveFocus(HWND control) {
  if (control == nullptr || !IsChild(window_.get(), control)) control = pathEdit_;
  SendMessageW(window_.get(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

// The system's dialog manager, DefDlgProcW, does what this procedure leaves:
// it keeps OK as the default button (DM_SETDEFID), moves the focus on
// WM_NEXTDLGCTL, which IsDialogMessageW sends for Tab and Alt+V, and remembers
// the focus when the window is deactivated and gives it back on activation.
LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                        LPARAM lParam) {
  MainWindow* self = WindowObject<MainWindow>(window, message, lParam);
  if (self == nullptr) return DefDlgProcW(window, message, wParam, lParam);
  try {
    return self->HandleMessage(window, message, wParam, lParam);
  } catch (const std::exception& failure) {
    // Nothing may unwind into the system code that called the window procedure.
    self->ReportUnexpected(failure.what());
    return 0;
  }
}

LRESULT MainWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (run_.HandleMessage(message, wParam, lParam)) return 0;
  const auto dpiAnswer = HandleDpiMessage(
      window, message, wParam, lParam, kStyle, kExStyle,
      [this](unsigned dpi) { return LayoutAt(dpi, CreateUiFont(dpi).get()).client; },
      [this](unsigned dpi) { Rescale(dpi); });
  if (dpiAnswer) return *dpiAnswer;
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_SETCURSOR:  // also for the controls and the progress window, which ask first
      if (!waitCursor_) break;
      waitCursor_->Show();
      return TRUE;
    case WM_CLOSE:
      if (!running()) Close();  // the close box, Alt+F4 and the taskbar wait for the run
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // The session ends: closing finishes the file being cleaned, stops the
      // run before the next one and ends the program.
      if (wParam) Close();
      return 0;
    case WM_DESTROY:
      run_.StopAndWait();
      waitCursor_.reset();
      dropRegistration_ = DropRegistration();
      progress_.Close();
      PostQuitMessage(0);  // the last window of the program is gone
      return 0;
    case WM_NCDESTROY:
      window_.release();
      pathLabel_ = pathEdit_ = browseButton_ = okButton_ = cancelButton_ = warningLabel_ = nullptr;
      break;
    default:
      break;
  }
  return DefDlgProcW(window, message, wParam, lParam);
}

}  // namespace velmori
