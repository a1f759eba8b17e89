#include "progress_window.h"

#include "layout.h"
#include "messages.h"
#include "source_category.h"
#include "os/file_system.h"
#include "ui_font.h"
#include "window_class.h"

#include <algorithm>

namespace velmori {
namespace {

constexpr wchar_t kWindowClass[] = L"VelmoriProgress";
constexpr wchar_t kTrackClass[] = L"VelmoriProgressTrack";
constexpr wchar_t kBarClass[] = L"VelmoriProgressBar";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr COLORREF kBarColor = RGB(0, 0, 255);
constexpr UINT kRepaintNow = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW;

// The bar; the track is a plain window. Both leave the cursor to the window,
// as children do.
LRESULT CALLBACK BarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) {
    RECT area{};
    GetClientRect(window, &area);
    const auto dc = reinterpret_cast<HDC>(wParam);
    SetDCBrushColor(dc, kBarColor);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    return 1;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

ProgressWindow::~ProgressWindow() { Close(); }

void ProgressWindow::Create() {
  if (window_) return;
  if (!RegisterWindowClass(WindowClassOf(kWindowClass, WindowProc, FaceColorBrush())) ||
      !RegisterWindowClass(WindowClassOf(kTrackClass, DefWindowProcW, FaceColorBrush())) ||
      !RegisterWindowClass(WindowClassOf(kBarClass, BarProc, nullptr))) {
    return;
  }
  barMaximum_ = 0;
  barTwips_ = progress_twips::kBar.width;
  window_.reset(CreateWindowExW(kExStyle, kWindowClass,
                                Utf8ToNative(text::kProgressCaption).c_str(), kStyle, 0, 0, 1, 1,
                                owner_, nullptr, ProgramInstance(), this));
  if (!window_) return;
  const HWND window = window_.get();
  messageLabel_ = CreateControl(window, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, 1);
  track_ = CreateControl(window, kTrackClass, L"", WS_CLIPCHILDREN, WS_EX_CLIENTEDGE, 2);
  bar_ = CreateControl(track_, kBarClass, L"", 0, 0, 3);
  Rescale(windowDpi_(window));
  PlaceCentered(window, LayoutProgress(dpi_, barTwips_, messageGrowth_).client, dpi_);
}

void ProgressWindow::Show() {
  if (window_) ShowWindow(window_.get(), SW_SHOW);
}

void ProgressWindow::Repaint() {
  if (window_) RedrawWindow(window_.get(), nullptr, nullptr, kRepaintNow | RDW_FRAME);
}

void ProgressWindow::StartBar(std::int32_t maximum, const std::string& message) {
  if (maximum > 0) {
    barTwips_ = 0;
    barMaximum_ = maximum;
    SizeBar();
  }
  if (!window_) return;
  SetWindowTextW(messageLabel_, Utf8ToNative(message).c_str());
  Repaint();
}

void ProgressWindow::MoveBar(std::int32_t index) {
  if (barMaximum_ == 0) return;  // no bar has been started: nothing to divide by
  barTwips_ = BarWidthTwips(index, barMaximum_);
  SizeBar();
  // The track too: a shorter bar uncovers part of it.
  if (window_) RedrawWindow(track_, nullptr, nullptr, kRepaintNow);
}

void ProgressWindow::Close() {
  // As a modal window does when it ends: were the active window destroyed while
  // its owner is disabled, the system would activate another program's window.
  if (window_ && owner_ != nullptr) EnableWindow(owner_, TRUE);
  window_.reset();
  messageLabel_ = track_ = bar_ = nullptr;
  font_.reset();
  barMaximum_ = 0;
}

// The font and the layout at `dpi`: at creation and on a move to a screen of
// another density.
void ProgressWindow::Rescale(unsigned dpi) {
  dpi_ = dpi;
  font_ = CreateUiFont(dpi_);
  ApplyFont(window_.get(), font_.get());
  Layout();
}

int ProgressWindow::MessageGrowthAt(unsigned dpi, HFONT font) const {
  const PixelRect designed = LayoutProgress(dpi, barTwips_).messageLabel;
  int growth = 0;
  for (const CategoryInfo& row : kCategoryTable) {
    const PixelSize message =
        WrappedTextExtent(messageLabel_, font, Utf8ToNative(row.progressMessage), designed.width);
    growth = std::max(growth, Growth(message.height, designed.height));
  }
  return growth;
}

void ProgressWindow::Layout() {
  messageGrowth_ = MessageGrowthAt(dpi_, font_.get());
  const ProgressLayout layout = LayoutProgress(dpi_, barTwips_, messageGrowth_);
  PlaceControl(messageLabel_, layout.messageLabel);
  PlaceControl(track_, layout.track);
  PlaceControl(bar_, layout.bar);
}

void ProgressWindow::SizeBar() {
  if (!window_) return;
  PlaceControl(bar_, LayoutProgress(dpi_, barTwips_, messageGrowth_).bar);
}

LRESULT CALLBACK ProgressWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  ProgressWindow* self = WindowObject<ProgressWindow>(window, message, lParam);
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return self->HandleMessage(window, message, wParam, lParam);
}

LRESULT ProgressWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto dpiAnswer = HandleDpiMessage(
      window, message, wParam, lParam, kStyle, kExStyle,
      [this](unsigned dpi) {
        return LayoutProgress(dpi, barTwips_, MessageGrowthAt(dpi, CreateUiFont(dpi).get())).client;
      },
      [this](unsigned dpi) { Rescale(dpi); });
  if (dpiAnswer) return *dpiAnswer;
  switch (message) {
    case WM_SETCURSOR:
      // As a child asks its parent, the window asks its owner first, which
      // shows the wait cursor while its run lasts.
      if (owner_ != nullptr && SendMessageW(owner_, WM_SETCURSOR, wParam, lParam)) return TRUE;
      break;
    case WM_CLOSE:
      return 0;  // the run closes the window itself
    case WM_NCDESTROY:
      window_.release();  // destroyed from outside: nothing left to destroy
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace velmori
