#pragma once
// The progress window: the small tool window that shows the kind of file being
// cleaned and a bar that grows file by file. It shows the progress of a run.

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

#include "dpi.h"
#include "layout.h"
#include "ui_port.h"
#include "win32_handles.h"

namespace velmori {

class ProgressWindow final : public RunProgress {
 public:
  // `windowDpi` gives the DPI the window lays itself out at when it is created.
  explicit ProgressWindow(WindowDpiFunction windowDpi)
      : windowDpi_(std::move(windowDpi)) {}
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;
  ~ProgressWindow() override;

  // The window it stands above (it has no taskbar button of its own), and which
  // a run disables meanwhile.
  void SetOwner(HWND owner) noexcept { owner_ = owner; }

  // RunProgress, in the window's terms: a run creates, shows and paints the
  // window; a category starts the bar; a file done moves it; the end closes it.
  void RunStarted() override {
    Create();
    Show();
    Repaint();
  }
  void CategoryStarted(std::int32_t fileCount, const std::string& message) override {
    StartBar(fileCount, message);
  }
  void FileDone(std::int32_t index) override { MoveBar(index); }
  void RunEnded() override { Close(); }

  void Create();
  void Show();
  // Paints the whole window now, so a change of category and the last state
  // before the window closes are always seen.
  void Repaint();
  // Shows `message`; a `maximum` above 0 also empties the bar and makes it the
  // number of steps of a full bar.
  void StartBar(std::int32_t maximum, const std::string& message);
  // Sets the bar to `index` steps of the maximum.
  void MoveBar(std::int32_t index);
  // Closes the window, giving its owner its input back first.
  void Close();

  HWND hwnd() const noexcept { return window_.get(); }
  HWND messageLabel() const noexcept { return messageLabel_; }
  HWND track() const noexcept { return track_; }
  HWND bar() const noexcept { return bar_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The pixels the message label needs beyond its designed height at `dpi` for
  // the longest of the messages a run can show, in `font`.
  int MessageGrowthAt(unsigned dpi, HFONT font) const;
  void Rescale(unsigned dpi);
  void Layout();
  void SizeBar();

  WindowDpiFunction windowDpi_;
  HWND owner_ = nullptr;
  UniqueWindow window_;
  HWND messageLabel_ = nullptr;
  HWND track_ = nullptr;
  HWND bar_ = nullptr;
  UniqueFont font_;
  unsigned dpi_ = kDefaultDpi;
  std::int32_t barMaximum_ = 0;
  double barTwips_ = 0;
  int messageGrowth_ = 0;
};

}  // namespace velmori
