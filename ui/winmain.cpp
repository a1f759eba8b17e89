// velmori.exe: removes the comments from the source files of a Visual Basic 6 project.

#include <windows.h>

#include "startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return velmori::RunProgram(velmori::PathArgument(GetCommandLineW()));
}
