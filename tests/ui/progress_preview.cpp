// Shows the progress window as a run shows it part-way through the standard
// modules, and keeps it on screen until the process is ended. scripts/screenshots
// takes its picture.

#include <windows.h>

#include "frm_progress.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  velmori::FrmProgress frmProgress;
  frmProgress.Load();
  frmProgress.Show();
  frmProgress.Refresh();
  frmProgress.InitProgress(5, "標準モジュールを読み込んでいます…");
  frmProgress.Progress(0);
  frmProgress.Progress(1);
  frmProgress.Progress(2);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
