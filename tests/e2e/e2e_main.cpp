// Tests of velmori.exe from outside. The path of the program is the first
// argument after the GoogleTest options.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "program_driver.h"

int main() {
  int argc = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
  testing::InitGoogleTest(&argc, wide);
  if (argc < 2) {
    std::fprintf(stderr, "usage: velmori_e2e_tests [gtest options] path\\to\\velmori.exe\n");
    return 2;
  }
  // Relative to the current folder, so the test can name the program as it was built.
  const DWORD length = GetFullPathNameW(wide[1], 0, nullptr, nullptr);
  std::wstring full(length, L'\0');
  full.resize(GetFullPathNameW(wide[1], length, full.data(), nullptr));
  velmori::test::SetProgramPath(full);
  LocalFree(wide);
  return RUN_ALL_TESTS();
}
