// The UI tests create real windows: OLE (for drag and drop) and the common
// controls are set up once for the test thread, as RunProgram does.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "win32_handles.h"

int main(int argc, char** argv) {
  const velmori::OleSession ole;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
