#pragma once
// The startup procedure and the window event loop of the program.

#include <windows.h>

namespace velmori {

class MainWindow;

// Creates and shows the main window and runs the event loop until the main
// window is unloaded. Returns the exit code of the program.
int Main();

// Runs the event loop with the dialog keyboard interface of `mainWindow` until
// WM_QUIT; returns its exit code.
int RunMessageLoop(MainWindow& mainWindow);

}  // namespace velmori
