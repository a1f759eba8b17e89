#pragma once
// frmProgress: the small tool window that shows the kind of file being cleaned
// and a bar that grows file by file. It is the progress display of a run.

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui_port.h"
#include "win32_handles.h"

namespace velmori {

inline constexpr wchar_t kProgressCaption[] = L"コメントを削除しています･･･";

class FrmProgress final : public ProgressDisplay {
 public:
  // `owner`: the window it stands above (it has no taskbar button of its own).
  explicit FrmProgress(HWND owner = nullptr) noexcept : owner_(owner) {}
  FrmProgress(const FrmProgress&) = delete;
  FrmProgress& operator=(const FrmProgress&) = delete;
  ~FrmProgress() override;

  void SetOwner(HWND owner) noexcept { owner_ = owner; }

  // ProgressDisplay
  void Load() override;
  void Show() override;
  void Refresh() override;
  void InitProgress(std::int32_t vlngMax, const std::string& vstrMsg) override;
  void Progress(std::int32_t vlngIdx) override;
  void Unload() override;

  HWND hwnd() const noexcept { return window_.get(); }
  HWND lblMsg() const noexcept { return lblMsg_; }
  HWND picProg() const noexcept { return picProg_; }
  HWND lblProg() const noexcept { return lblProg_; }
  // The width of lblProg in twips, as computed.
  double BarTwips() const noexcept { return barTwips_; }
  unsigned dpi() const noexcept { return dpi_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Form_Load();
  void Layout();
  void SizeBar();
  void OnDpiChanged(unsigned dpi, const RECT& suggested);

  HWND owner_ = nullptr;
  UniqueWindow window_;
  HWND lblMsg_ = nullptr;
  HWND picProg_ = nullptr;
  HWND lblProg_ = nullptr;
  UniqueFont font_;
  unsigned dpi_ = 96;
  std::int32_t mlngMax = 0;
  double barTwips_ = 0;
};

}  // namespace velmori
