#include "frm_progress.h"

#include "dpi.h"
#include "layout.h"
#include "os/file_system.h"
#include "ui_font.h"
#include "wait_cursor.h"
#include "window_class.h"

namespace velmori {
namespace {

constexpr wchar_t kWindowClass[] = L"VelmoriProgress";
constexpr wchar_t kTrackClass[] = L"VelmoriProgressTrack";
constexpr wchar_t kBarClass[] = L"VelmoriProgressBar";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr COLORREF kBarColour = RGB(0, 0, 255);
constexpr UINT kRepaintNow = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW;

// The track (picProg) and the bar (lblProg): plain children that show the wait
// cursor during a run like the window itself.
LRESULT CALLBACK TrackProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETCURSOR && WaitCursor::Answer()) return TRUE;
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK BarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) {
    RECT area{};
    GetClientRect(window, &area);
    const auto dc = reinterpret_cast<HDC>(wParam);
    SetDCBrushColor(dc, kBarColour);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    return 1;
  }
  return TrackProc(window, message, wParam, lParam);
}

WNDCLASSEXW ClassOf(const wchar_t* name, WNDPROC procedure, HBRUSH background) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = ProgramInstance();
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  return windowClass;
}

HBRUSH FaceColour() { return reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)); }

}  // namespace

FrmProgress::~FrmProgress() { Unload(); }

void FrmProgress::Load() {
  if (window_) return;
  if (!RegisterWindowClass(ClassOf(kWindowClass, WindowProc, FaceColour())) ||
      !RegisterWindowClass(ClassOf(kTrackClass, TrackProc, FaceColour())) ||
      !RegisterWindowClass(ClassOf(kBarClass, BarProc, nullptr))) {
    return;
  }
  mlngMax = 0;
  barTwips_ = progress_twips::lblProg.width;
  window_.reset(CreateWindowExW(kExStyle, kWindowClass, kProgressCaption, kStyle, 0, 0, 1, 1,
                                owner_, nullptr, ProgramInstance(), this));
  if (!window_) return;
  const HWND window = window_.get();
  dpi_ = WindowDpi(window);
  lblMsg_ = CreateControl(window, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, 1);
  picProg_ = CreateControl(window, kTrackClass, L"", WS_CLIPCHILDREN, WS_EX_CLIENTEDGE, 2);
  lblProg_ = CreateControl(picProg_, kBarClass, L"", 0, 0, 3);
  font_ = CreateUiFont(dpi_);
  ApplyFont(window, font_.get());
  Form_Load();
  Layout();
  PlaceCentred(window, LayoutProgress(dpi_, barTwips_).client);
}

void FrmProgress::Form_Load() { SetWindowTextW(lblMsg_, L""); }

void FrmProgress::Show() {
  if (window_) ShowWindow(window_.get(), SW_SHOW);
}

void FrmProgress::Refresh() {
  if (window_) RedrawWindow(window_.get(), nullptr, nullptr, kRepaintNow | RDW_FRAME);
}

void FrmProgress::InitProgress(std::int32_t vlngMax, const std::string& vstrMsg) {
  if (vlngMax > 0) {
    barTwips_ = 0;
    mlngMax = vlngMax;
    SizeBar();
  }
  if (!window_) return;
  SetWindowTextW(lblMsg_, Utf8ToNative(vstrMsg).c_str());
  Refresh();
}

void FrmProgress::Progress(std::int32_t vlngIdx) {
  if (mlngMax == 0) return;  // no bar has been started: nothing to divide by
  barTwips_ = BarWidthTwips(vlngIdx, mlngMax);
  SizeBar();
  // The track too: a shorter bar uncovers part of it.
  if (window_) RedrawWindow(picProg_, nullptr, nullptr, kRepaintNow);
}

void FrmProgress::Unload() {
  window_.reset();
  lblMsg_ = picProg_ = lblProg_ = nullptr;
  font_.reset();
  mlngMax = 0;
}

void FrmProgress::Layout() {
  const ProgressLayout layout = LayoutProgress(dpi_, barTwips_);
  MoveControl(lblMsg_, layout.lblMsg.left, layout.lblMsg.top, layout.lblMsg.width,
              layout.lblMsg.height);
  MoveControl(picProg_, layout.picProg.left, layout.picProg.top, layout.picProg.width,
              layout.picProg.height);
  MoveControl(lblProg_, layout.lblProg.left, layout.lblProg.top, layout.lblProg.width,
              layout.lblProg.height);
}

void FrmProgress::SizeBar() {
  if (!window_) return;
  const PixelRect bar = LayoutProgress(dpi_, barTwips_).lblProg;
  MoveControl(lblProg_, bar.left, bar.top, bar.width, bar.height);
}

void FrmProgress::OnDpiChanged(unsigned dpi, const RECT& suggested) {
  dpi_ = dpi;
  font_ = CreateUiFont(dpi_);
  ApplyFont(window_.get(), font_.get());
  Layout();
  SetWindowPos(window_.get(), nullptr, suggested.left, suggested.top,
               suggested.right - suggested.left, suggested.bottom - suggested.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK FrmProgress::WindowProc(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) {
  FrmProgress* self = WindowObject<FrmProgress>(window, message, lParam);
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return self->HandleMessage(window, message, wParam, lParam);
}

LRESULT FrmProgress::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETCURSOR:
      if (WaitCursor::Answer()) return TRUE;
      break;
    case WM_CLOSE:
      return 0;  // the run closes the window itself
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_GETDPISCALEDSIZE: {
      const auto dpi = static_cast<unsigned>(wParam);
      const PixelSize size =
          WindowSizeForClient(LayoutProgress(dpi, barTwips_).client, kStyle, kExStyle, dpi);
      *reinterpret_cast<SIZE*>(lParam) = SIZE{size.width, size.height};
      return TRUE;
    }
    case WM_NCDESTROY:
      window_.release();  // destroyed from outside: nothing left to destroy
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace velmori
