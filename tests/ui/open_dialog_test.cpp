// The Open dialog for the project file, with a fake in place of GetOpenFileNameW.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "open_dialog.h"
#include "ui_test_support.h"
#include "window_class.h"

namespace velmori::test {
namespace {

// The filter text: pairs of description and pattern, each ended by a NUL, and a
// final NUL.
std::vector<std::wstring> FilterParts(const wchar_t* filter) {
  std::vector<std::wstring> parts;
  for (const wchar_t* p = filter; p != nullptr && *p != L'\0'; p += parts.back().size() + 1) {
    parts.emplace_back(p);
  }
  return parts;
}

// Writes a chosen file into the dialog's buffer, as the dialog does.
BOOL Choose(OPENFILENAMEW* ofn, const std::wstring& path) {
  if (path.size() + 1 > ofn->nMaxFile) return FALSE;
  path.copy(ofn->lpstrFile, path.size());
  ofn->lpstrFile[path.size()] = L'\0';
  return TRUE;
}

TEST(ShowProjectOpenDialog, ShowsTheDialogWithExactlyTheProgramsSettings) {
  MainWindowFixture fixture;
  fixture.onDialog = [&](OPENFILENAMEW* ofn) {
    EXPECT_EQ(ofn->lStructSize, sizeof(OPENFILENAMEW));
    EXPECT_EQ(ofn->hwndOwner, fixture.frm.hwnd());
    EXPECT_EQ(ofn->Flags, 0xA006u);
    EXPECT_EQ(ofn->Flags, static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY |
                                              OFN_CREATEPROMPT | OFN_NOREADONLYRETURN));
    EXPECT_EQ(FilterParts(ofn->lpstrFilter),
              (std::vector<std::wstring>{L"プロジェクト ファイル (*.vbp)", L"*.vbp"}));
    EXPECT_EQ(ofn->nFilterIndex, 1u);
    EXPECT_EQ(std::wstring(ofn->lpstrInitialDir), L"\\");
    EXPECT_EQ(std::wstring(ofn->lpstrFile), L"");
    EXPECT_EQ(ofn->nMaxFile, 32768u);
    ofn->lpstrFile[ofn->nMaxFile - 1] = L'x';  // the whole buffer is there to write
    EXPECT_EQ(ofn->lpstrTitle, nullptr);
    EXPECT_EQ(ofn->lpstrDefExt, nullptr);
    EXPECT_EQ(ofn->lpstrCustomFilter, nullptr);
    EXPECT_EQ(ofn->lpfnHook, nullptr);
    EXPECT_EQ(ofn->lpTemplateName, nullptr);
    return Choose(ofn, L"C:\\Work\\app.vbp");
  };
  fixture.Click(fixture.frm.cmdVbp());

  EXPECT_EQ(fixture.dialogCalls, 1);
  EXPECT_EQ(fixture.Path(), L"C:\\Work\\app.vbp");
  EXPECT_TRUE(fixture.boxes.shown.empty());
}

TEST(ShowProjectOpenDialog, OutcomesOfTheDialog) {
  std::wstring deep = L"C:\\";
  while (deep.size() < 5000) deep += L"ずっと深いフォルダ\\";
  deep += L"app.vbp";
  const struct {
    const char* name;
    BOOL shown;            // what GetOpenFileNameW returns
    std::wstring chosen;   // the file it writes
    DWORD error;           // what CommDlgExtendedError returns after a FALSE
    bool result;
    std::wstring box;      // the path box afterwards
    const wchar_t* report; // a part of the error report, or nullptr for none
  } cases[] = {
      {"chosen", TRUE, L"D:\\プロジェクト\\表示.vbp", 0, true, L"D:\\プロジェクト\\表示.vbp", nullptr},
      {"chosen, far beyond MAX_PATH", TRUE, deep, 0, true, deep, nullptr},
      {"cancelled", FALSE, L"", 0, false, L"C:\\before.vbp", nullptr},
      {"buffer too small", FALSE, L"", FNERR_BUFFERTOOSMALL, false, L"C:\\before.vbp",
       L"0x3003 (FNERR_BUFFERTOOSMALL)"},
      {"dialog failure", FALSE, L"", CDERR_DIALOGFAILURE, false, L"C:\\before.vbp",
       L"0xFFFF (CDERR_DIALOGFAILURE)"},
      {"an unknown code", FALSE, L"", 0x4242, false, L"C:\\before.vbp", L"0x4242"},
  };
  for (const auto& c : cases) {
    MainWindowFixture fixture;
    fixture.SetPath(L"C:\\before.vbp");
    fixture.onDialog = [&](OPENFILENAMEW* ofn) { return c.shown ? Choose(ofn, c.chosen) : FALSE; };
    fixture.onDialogError = [&] { return c.error; };

    std::wstring file = L"stale";
    const bool result = ShowProjectOpenDialog(fixture.frm.hwnd(), fixture.dialog,
                                              fixture.messages, file);
    EXPECT_EQ(result, c.result) << c.name;
    EXPECT_EQ(file, c.result ? c.chosen : L"") << c.name;

    // The same through the browse button, with its report.
    fixture.boxes.shown.clear();
    fixture.Click(fixture.frm.cmdVbp());
    EXPECT_EQ(fixture.Path(), c.box) << c.name;
    if (c.report == nullptr) {
      EXPECT_TRUE(fixture.boxes.shown.empty()) << c.name;
    } else {
      ASSERT_EQ(fixture.boxes.shown.size(), 1u) << c.name;
      const ShownBox& box = fixture.boxes.shown[0];
      EXPECT_EQ(box.type, static_cast<UINT>(MB_TASKMODAL | 16)) << c.name;
      EXPECT_EQ(box.title, L"Velmori") << c.name;
      EXPECT_NE(box.text.find(L"ファイルを開くダイアログを表示できませんでした。"), std::wstring::npos)
          << c.name;
      EXPECT_NE(box.text.find(L"CommDlgExtendedError"), std::wstring::npos) << c.name;
      EXPECT_NE(box.text.find(c.report), std::wstring::npos) << ToUtf8(box.text);
    }
  }
}

TEST(ShowProjectOpenDialog, RepaintsTheMainWindowAtOnceAfterAChoice) {
  MainWindowFixture fixture;
  const HWND window = fixture.frm.hwnd();
  fixture.onDialog = [&](OPENFILENAMEW* ofn) {
    // What the dialog covered needs painting when it closes.
    InvalidateRect(window, nullptr, TRUE);
    InvalidateRect(fixture.frm.Label1(), nullptr, TRUE);
    return Choose(ofn, L"C:\\a.vbp");
  };
  std::wstring file;
  ASSERT_TRUE(ShowProjectOpenDialog(window, fixture.dialog, fixture.messages, file));
  // Painted before returning, without a message loop.
  EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
  EXPECT_FALSE(GetUpdateRect(fixture.frm.Label1(), nullptr, FALSE));
}

}  // namespace
}  // namespace velmori::test
