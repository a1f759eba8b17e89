#pragma once
// The Open dialog for the project file (the browse button of the main window).

#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <optional>
#include <string>

#include "ui_port.h"

namespace velmori {

// The settings of every showing. The project is only read, so any existing
// file will do, a read-only one (as a version-control checkout leaves it) too.
inline constexpr DWORD kProjectDialogFlags =
    OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
inline constexpr DWORD kProjectFilterIndex = 1;
inline constexpr wchar_t kProjectInitialDir[] = L"\\";
// Room for the longest path Windows knows, so no chosen path is cut.
inline constexpr DWORD kPathBufferChars = 32768;

// The two system calls, replaceable by fakes in tests.
struct OpenDialogFunctions {
  std::function<BOOL(OPENFILENAMEW*)> getOpenFileName;
  std::function<DWORD()> extendedError;
};
OpenDialogFunctions SystemOpenDialog();

// Shows the Open dialog modal to `owner`. The full path of the file the user
// chose; nothing when the user cancelled (nothing shown) or the dialog failed
// (reported through `messages` as an error).
std::optional<std::wstring> ShowProjectOpenDialog(HWND owner, const OpenDialogFunctions& dialog,
                                                  MessagePort& messages);

// The report text for a CommDlgExtendedError code.
std::string DescribeDialogFailure(DWORD code);

}  // namespace velmori
