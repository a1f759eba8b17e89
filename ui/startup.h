#pragma once
// The program from its command line to its exit code: the main window and the
// message loop.

#include <windows.h>

#include <string>

namespace velmori {

class MainWindow;

// The path a command line gives the program (velmori.exe PATH, as a drop on
// its icon, "送る" and "プログラムから開く" start it): its arguments after the
// program name, the quotes of the command line taken off, joined by a space
// when an unquoted path was split at its spaces. Empty when there is none.
std::wstring PathArgument(const wchar_t* commandLine);

// Creates and shows the main window with `path` in its path box and runs the
// message loop until the main window is destroyed. Nothing runs before OK is
// pressed. Returns the exit code of the program.
int RunProgram(const std::wstring& path = {});

// Runs the message loop with the dialog keyboard interface of `mainWindow`
// until WM_QUIT; returns its exit code.
int RunMessageLoop(MainWindow& mainWindow);

}  // namespace velmori
