// Shows the progress window as a run shows it part-way through the standard
// modules, and keeps it on screen until the process is ended. scripts/screenshots
// takes its picture.

#include <windows.h>

#include "messages.h"
#include "progress_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  velmori::ProgressWindow progress(velmori::WindowDpi);
  progress.RunStarted();
  progress.CategoryStarted(5, velmori::text::kLoadingModules);
  progress.FileDone(0);
  progress.FileDone(1);
  progress.FileDone(2);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
