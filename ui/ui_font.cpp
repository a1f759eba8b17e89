#include "ui_font.h"

#include <string_view>

#include "dpi.h"

namespace velmori {
namespace {

int CALLBACK NoteFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one is enough
}

BOOL CALLBACK SetChildFont(HWND child, LPARAM font) {
  SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  return TRUE;
}

}  // namespace

bool FontFamilyInstalled(const wchar_t* face, BYTE charset) {
  LOGFONTW wanted{};
  wanted.lfCharSet = charset;
  std::wstring_view(face).substr(0, LF_FACESIZE - 1).copy(wanted.lfFaceName, LF_FACESIZE - 1);
  bool found = false;
  const UniqueScreenDc screen(GetDC(nullptr));
  if (!screen) return false;
  EnumFontFamiliesExW(screen.get(), &wanted, NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

int FontHeightForDpi(int centipoints, unsigned dpi) {
  return -MulDiv(centipoints, static_cast<int>(dpi), 72 * 100);
}

UniqueFont CreateUiFont(unsigned dpi) {
  static const bool installed = FontFamilyInstalled(kUiFaceName, SHIFTJIS_CHARSET);
  return CreateUiFont(dpi, installed);
}

UniqueFont CreateUiFont(unsigned dpi, bool faceInstalled) {
  LOGFONTW font{};
  if (faceInstalled || !MessageFontForDpi(dpi, font)) {
    font = LOGFONTW{};
    font.lfHeight = FontHeightForDpi(kUiFontCentipoints, dpi);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    std::wstring_view(kUiFaceName).copy(font.lfFaceName, LF_FACESIZE - 1);
  }
  return UniqueFont(CreateFontIndirectW(&font));
}

void ApplyFont(HWND window, HFONT font) {
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  EnumChildWindows(window, SetChildFont, reinterpret_cast<LPARAM>(font));
}

}  // namespace velmori
