#include "open_dialog.h"

#include <cstdio>
#include <vector>

#include "messages.h"
#include "os/file_system.h"

namespace velmori {
namespace {

const char* DialogErrorName(DWORD code) {
  switch (code) {
    case CDERR_DIALOGFAILURE: return "CDERR_DIALOGFAILURE";
    case CDERR_STRUCTSIZE: return "CDERR_STRUCTSIZE";
    case CDERR_INITIALIZATION: return "CDERR_INITIALIZATION";
    case CDERR_NOTEMPLATE: return "CDERR_NOTEMPLATE";
    case CDERR_NOHINSTANCE: return "CDERR_NOHINSTANCE";
    case CDERR_LOADSTRFAILURE: return "CDERR_LOADSTRFAILURE";
    case CDERR_FINDRESFAILURE: return "CDERR_FINDRESFAILURE";
    case CDERR_LOADRESFAILURE: return "CDERR_LOADRESFAILURE";
    case CDERR_LOCKRESFAILURE: return "CDERR_LOCKRESFAILURE";
    case CDERR_MEMALLOCFAILURE: return "CDERR_MEMALLOCFAILURE";
    case CDERR_MEMLOCKFAILURE: return "CDERR_MEMLOCKFAILURE";
    case CDERR_NOHOOK: return "CDERR_NOHOOK";
    case CDERR_REGISTERMSGFAIL: return "CDERR_REGISTERMSGFAIL";
    case FNERR_SUBCLASSFAILURE: return "FNERR_SUBCLASSFAILURE";
    case FNERR_INVALIDFILENAME: return "FNERR_INVALIDFILENAME";
    case FNERR_BUFFERTOOSMALL: return "FNERR_BUFFERTOOSMALL";
    default: return nullptr;
  }
}

}  // namespace

OpenDialogFunctions SystemOpenDialog() {
  return {[](OPENFILENAMEW* settings) { return GetOpenFileNameW(settings); },
          [] { return CommDlgExtendedError(); }};
}

std::string DescribeDialogFailure(DWORD code) {
  char number[16];
  std::snprintf(number, sizeof number, "0x%04lX", static_cast<unsigned long>(code));
  std::string text = text::kDialogFailure;
  text += number;
  if (const char* name = DialogErrorName(code)) {
    text += " (";
    text += name;
    text += ")";
  }
  return text;
}

std::optional<std::wstring> ShowProjectOpenDialog(HWND owner, const OpenDialogFunctions& dialog,
                                                  MessagePort& messages) {
  // Name and pattern, each ended by a NUL, and one more NUL (from c_str) after the pair.
  static const std::wstring filter = Utf8ToNative(text::kProjectFilterName) + L'\0' +
                                     Utf8ToNative(text::kProjectFilterPattern) + L'\0';
  std::vector<wchar_t> file(kPathBufferChars, L'\0');  // the empty file name

  OPENFILENAMEW settings{};
  settings.lStructSize = sizeof settings;
  settings.hwndOwner = owner;
  settings.Flags = kProjectDialogFlags;
  settings.lpstrFilter = filter.c_str();
  settings.nFilterIndex = kProjectFilterIndex;
  settings.lpstrInitialDir = kProjectInitialDir;
  settings.lpstrFile = file.data();
  settings.nMaxFile = kPathBufferChars;

  if (!dialog.getOpenFileName(&settings)) {
    const DWORD code = dialog.extendedError();
    if (code != 0) messages.ShowMessage(DescribeDialogFailure(code), MessageKind::Error);
    return std::nullopt;  // 0: the user cancelled
  }
  // Redraw what the dialog covered before anything else happens.
  if (owner != nullptr) {
    RedrawWindow(owner, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
  file.back() = L'\0';
  return std::wstring(file.data());
}

}  // namespace velmori
