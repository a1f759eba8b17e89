#include "frm_main.h"

#include <exception>
#include <utility>

#include "dpi.h"
#include "layout.h"
#include "project_run.h"
#include "res/resource.h"
#include "ui_font.h"
#include "wait_cursor.h"
#include "window_class.h"

namespace velmori {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;

constexpr wchar_t kLblVbpText[] = L"Visual Basic Project(&V):";
constexpr wchar_t kLabel1Text[] =
    L"指定した vbp ファイルに含まれる全モジュールが更新の対象となります。\r\n"
    L"既存のモジュールが上書きされますので、実行前に必ずバックアップをとってください。";
constexpr char kConfirmText[] =
    "バックアップをとりましたか？\r\n"
    "バックアップをとったことを確認したら、[OK]ボタンを押してください。";
constexpr char kSuccessText[] = "正常に終了しました。";
constexpr char kUnexpectedFailure[] = "処理中に予期しないエラーが発生しました。\n\n";

void Place(HWND control, const PixelRect& rect) {
  MoveControl(control, rect.left, rect.top, rect.width, rect.height);
}

}  // namespace

FrmMain::FrmMain(MainServices services) : services_(std::move(services)) {}

FrmMain::~FrmMain() { window_.reset(); }

bool FrmMain::Load() {
  if (window_) return true;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = ProgramInstance();
  windowClass.hIcon = LoadIconW(ProgramInstance(), MAKEINTRESOURCEW(IDI_VELMORI));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = kMainWindowClass;
  if (!RegisterWindowClass(windowClass)) return false;

  // The caption is empty until Form_Load gives it the application title.
  window_.reset(CreateWindowExW(kExStyle, kMainWindowClass, L"", kStyle, 0, 0, 1, 1, nullptr,
                                nullptr, ProgramInstance(), this));
  if (!window_) return false;
  dpi_ = WindowDpi(window_.get());
  CreateControls();
  font_ = CreateUiFont(dpi_);
  ApplyFont(window_.get(), font_.get());
  LoadIcons();
  Layout();
  PlaceCentred(window_.get(), LayoutMain(dpi_).client);
  frmProgress_.SetOwner(window_.get());
  dropTarget_ = FileDropTarget::Create(
      [this](const std::vector<std::wstring>& files) { txtVbp_OLEDragDrop(files); });
  dropRegistration_ = DropRegistration(txtVbp_, dropTarget_.get());
  Form_Load();
  return true;
}

void FrmMain::CreateControls() {
  const HWND window = window_.get();
  // Creation order is the tab order: path box, "...", OK, Cancel.
  lblVbp_ = CreateControl(window, L"STATIC", kLblVbpText, SS_LEFTNOWORDWRAP, 0, kIdLblVbp);
  txtVbp_ = CreateControl(window, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                          kIdTxtVbp);
  SendMessageW(txtVbp_, EM_SETLIMITTEXT, 0, 0);  // no length limit of its own
  cmdVbp_ = CreateControl(window, L"BUTTON", L"...", WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY, 0,
                          kIdCmdVbp);
  cmdOK_ = CreateControl(window, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON | BS_NOTIFY, 0,
                         kIdOk);
  cmdCancel_ = CreateControl(window, L"BUTTON", L"キャンセル",
                             WS_TABSTOP | BS_PUSHBUTTON | BS_NOTIFY, 0, kIdCancel);
  Label1_ = CreateControl(window, L"STATIC", kLabel1Text, SS_LEFT, 0, kIdLabel1);
}

void FrmMain::LoadIcons() {
  const auto load = [this](int size) {
    return UniqueIcon(static_cast<HICON>(LoadImageW(ProgramInstance(),
                                                    MAKEINTRESOURCEW(IDI_VELMORI), IMAGE_ICON,
                                                    MulDiv(size, static_cast<int>(dpi_), 96),
                                                    MulDiv(size, static_cast<int>(dpi_), 96), 0)));
  };
  bigIcon_ = load(32);
  smallIcon_ = load(16);
  SendMessageW(window_.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
  SendMessageW(window_.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

void FrmMain::Layout() {
  const MainLayout layout = LayoutMain(dpi_);
  // The caption label is sized to its text, so a wider replacement font does not cut it.
  Place(lblVbp_, SizedToText(layout.lblVbp, TextExtent(lblVbp_, font_.get())));
  Place(txtVbp_, layout.txtVbp);
  Place(cmdVbp_, layout.cmdVbp);
  Place(cmdOK_, layout.cmdOK);
  Place(cmdCancel_, layout.cmdCancel);
  Place(Label1_, layout.Label1);
}

void FrmMain::Form_Load() {
  SetWindowTextW(window_.get(), Utf8ToNative(kAppTitle).c_str());
}

void FrmMain::Show() {
  if (!window_) return;
  ShowWindow(window_.get(), SW_SHOW);
  SetForegroundWindow(window_.get());
  SetFocus(txtVbp_);
}

void FrmMain::Unload() { window_.reset(); }

bool FrmMain::HandleDialogKey(MSG& message) {
  return window_ && IsDialogMessageW(window_.get(), &message);
}

void FrmMain::cmdOK_Click() {
  if (services_.messages.ShowMessage(kConfirmText, kStyleConfirm) != kAnswerOk) return;
  bool cleaned = false;
  {
    const WaitCursor wait;
    const RunContext context{services_.files, services_.messages, frmProgress_,
                             services_.codePage};
    cleaned = CleanProject(context, WindowText(txtVbp_));
  }
  if (cleaned) services_.messages.ShowMessage(kSuccessText, kStyleInformation);
}

void FrmMain::ReportUnexpected(const char* description) {
  try {
    services_.messages.ShowMessage(std::string(kUnexpectedFailure) + description, kStyleError);
  } catch (...) {
    // Not even the report could be made (no memory left): nothing more to do.
  }
}

void FrmMain::cmdCancel_Click() { Unload(); }

void FrmMain::cmdVbp_Click() {
  std::wstring path;
  if (ShowProjectOpenDialog(window_.get(), services_.openDialog, services_.messages, path)) {
    SetWindowTextW(txtVbp_, path.c_str());
  }
}

void FrmMain::txtVbp_OLEDragDrop(const std::vector<std::wstring>& files) {
  if (!files.empty()) SetWindowTextW(txtVbp_, files.front().c_str());
}

void FrmMain::OnCommand(int id, int code, HWND control) {
  switch (code) {
    case BN_CLICKED:  // also Enter (IDOK) and Esc (IDCANCEL) from the dialog keys
      if (id == kIdOk) cmdOK_Click();
      else if (id == kIdCancel) cmdCancel_Click();
      else if (id == kIdCmdVbp) cmdVbp_Click();
      break;
    case BN_SETFOCUS:  // a focused button is the one Enter presses
      MakeDefault(control);
      break;
    case EN_SETFOCUS:
      MakeDefault(cmdOK_);
      break;
    default:
      break;
  }
}

void FrmMain::MakeDefault(HWND button) {
  for (HWND candidate : {cmdVbp_, cmdOK_, cmdCancel_}) {
    const WPARAM kind = candidate == button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    SendMessageW(candidate, BM_SETSTYLE, kind | BS_NOTIFY, TRUE);
  }
}

void FrmMain::OnActivate(bool active) {
  if (!active) {
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_.get(), focus)) focusBeforeDeactivation_ = focus;
    return;
  }
  HWND focus = focusBeforeDeactivation_;
  if (focus == nullptr || !IsChild(window_.get(), focus)) focus = txtVbp_;
  SetFocus(focus);
}

// The dialog keyboard interface moves the focus through this message (Tab,
// Shift+Tab, and Alt+V, which focuses the label and then the control after it).
void FrmMain::OnNextControl(WPARAM wParam, LPARAM lParam) {
  HWND target = nullptr;
  if (LOWORD(lParam) != 0) {
    target = reinterpret_cast<HWND>(wParam);
  } else {
    HWND from = GetFocus();
    if (from != nullptr && !IsChild(window_.get(), from)) from = nullptr;
    target = GetNextDlgTabItem(window_.get(), from, wParam != 0);
  }
  if (target == nullptr) return;
  if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
    SendMessageW(target, EM_SETSEL, 0, -1);
  }
  SetFocus(target);
}

void FrmMain::OnDpiChanged(unsigned dpi, const RECT& suggested) {
  dpi_ = dpi;
  font_ = CreateUiFont(dpi_);
  ApplyFont(window_.get(), font_.get());
  LoadIcons();
  Layout();
  SetWindowPos(window_.get(), nullptr, suggested.left, suggested.top,
               suggested.right - suggested.left, suggested.bottom - suggested.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK FrmMain::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  FrmMain* self = WindowObject<FrmMain>(window, message, lParam);
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  try {
    return self->HandleMessage(window, message, wParam, lParam);
  } catch (const std::exception& failure) {
    // Nothing may unwind into the system code that called the window procedure.
    // A run stopped this way has unloaded its progress window and restored the
    // cursor on the way out.
    self->ReportUnexpected(failure.what());
    return 0;
  }
}

LRESULT FrmMain::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(kIdOk, DC_HASDEFID);
    case WM_NEXTDLGCTL:
      OnNextControl(wParam, lParam);
      return 0;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case WM_SETCURSOR:
      if (WaitCursor::Answer()) return TRUE;
      break;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_GETDPISCALEDSIZE: {
      const auto dpi = static_cast<unsigned>(wParam);
      const PixelSize size = WindowSizeForClient(LayoutMain(dpi).client, kStyle, kExStyle, dpi);
      *reinterpret_cast<SIZE*>(lParam) = SIZE{size.width, size.height};
      return TRUE;
    }
    case WM_CLOSE:
      Unload();
      return 0;
    case WM_DESTROY:
      dropRegistration_ = DropRegistration();
      frmProgress_.Unload();
      PostQuitMessage(0);  // the last window of the program is gone
      return 0;
    case WM_NCDESTROY:
      window_.release();
      lblVbp_ = txtVbp_ = cmdVbp_ = cmdOK_ = cmdCancel_ = Label1_ = nullptr;
      focusBeforeDeactivation_ = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace velmori
