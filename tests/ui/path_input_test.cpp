// The ways into the path box besides typing: a drop on it, the Open dialog
// (with a fake in place of GetOpenFileNameW) and the command line.

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <utility>

#include "open_dialog.h"
#include "startup.h"
#include "ui_test_support.h"

namespace velmori::test {
namespace {

// What a drag source hands over: one format, as a new HGLOBAL for every GetData.
class DataObject final : public IDataObject {
 public:
  DataObject(CLIPFORMAT format, std::string bytes) : format_(format), bytes_(std::move(bytes)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject) ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = GlobalAlloc(GMEM_FIXED, bytes_.size());
    std::memcpy(medium->hGlobal, bytes_.data(), bytes_.size());
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    return format->cfFormat == format_ && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

 private:
  CLIPFORMAT format_;
  std::string bytes_;
};

std::string Bytes(const void* data, std::size_t size) { return {static_cast<const char*>(data), size}; }

TEST(DropOnPathBox, AFileListPutsItsFirstFileInTheBoxAndNothingElseIsTaken) {
  // As Explorer builds a file list: DROPFILES, each name ended by a NUL, one more NUL.
  std::wstring deep = L"C:\\";
  while (deep.size() < 600) deep += L"とても深いフォルダ\\";  // longer than MAX_PATH
  const std::wstring names = deep + L"表示.vbp" + L'\0' + L"C:\\B\\second.vbp" + L'\0' + L'\0';
  const DROPFILES header{sizeof(DROPFILES), {}, FALSE, TRUE};
  const std::string files = Bytes(&header, sizeof header);
  // An old program's list in the system code page: ソ is 0x83 0x5C in Shift-JIS.
  const DROPFILES ansiHeader{sizeof(DROPFILES), {}, FALSE, FALSE};
  char ansi[64]{};
  WideCharToMultiByte(CP_ACP, 0, L"C:\\ソース\\表示.vbp", -1, ansi, sizeof ansi, nullptr, nullptr);
  const std::wstring text = L"C:\\Work\\typed.vbp";
  const struct {
    const char* name;
    CLIPFORMAT format;
    std::string bytes;
    std::wstring path;  // in the box afterwards
    DWORD over, drop;   // the effects shown while over the box and at the drop
    DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;  // by the source
  } cases[] = {
      {"two files, the first wins", CF_HDROP, files + Bytes(names.data(), names.size() * 2),
       deep + L"表示.vbp", DROPEFFECT_COPY, DROPEFFECT_COPY},
      {"a source that allows no copy", CF_HDROP, files + Bytes(names.data(), names.size() * 2),
       deep + L"表示.vbp", DROPEFFECT_NONE, DROPEFFECT_NONE, DROPEFFECT_MOVE},
      {"an ANSI list", CF_HDROP,
       Bytes(&ansiHeader, sizeof ansiHeader) + ansi + '\0' + "C:\\b.vbp" + '\0' + '\0',
       L"C:\\ソース\\表示.vbp", DROPEFFECT_COPY, DROPEFFECT_COPY},
      {"an empty list", CF_HDROP, files + std::string(2, '\0'), L"C:\\before.vbp", DROPEFFECT_COPY,
       DROPEFFECT_NONE},
      {"text only", CF_UNICODETEXT, Bytes(text.c_str(), text.size() * 2 + 2), L"C:\\before.vbp",
       DROPEFFECT_NONE, DROPEFFECT_NONE},
  };
  for (const auto& c : cases) {
    MainWindowFixture fixture;
    SetWindowTextW(fixture.window.pathEdit(), L"C:\\before.vbp");
    DataObject data(c.format, c.bytes);
    IDropTarget* target = fixture.window.pathDropTarget();
    ASSERT_NE(target, nullptr);
    // Registered for the box: a second registration is refused.
    EXPECT_EQ(RegisterDragDrop(fixture.window.pathEdit(), target), DRAGDROP_E_ALREADYREGISTERED);
    RECT box{};
    GetWindowRect(fixture.window.pathEdit(), &box);
    const POINTL point{box.left + 5, box.top + 5};
    DWORD enter = c.allowed, over = c.allowed, drop = c.allowed;
    target->DragEnter(&data, MK_LBUTTON, point, &enter);
    target->DragOver(MK_LBUTTON, point, &over);
    target->Drop(&data, MK_LBUTTON, point, &drop);
    EXPECT_EQ(fixture.Path(), c.path) << c.name;
    EXPECT_EQ(enter, c.over) << c.name;
    EXPECT_EQ(over, c.over) << c.name;
    EXPECT_EQ(drop, c.drop) << c.name;
    EXPECT_TRUE(fixture.shown.empty()) << c.name;
  }
}

// The dialog, owned by the main window with room for the longest path: its
// choice goes into the path box; a cancel changes nothing, and a failure of
// the dialog is reported.
TEST(ShowProjectOpenDialog, PutsTheChoiceInThePathBox) {
  MainWindowFixture fixture;
  fixture.onDialog = [&](OPENFILENAMEW* ofn) {
    EXPECT_EQ(ofn->lStructSize, sizeof(OPENFILENAMEW));
    EXPECT_EQ(ofn->hwndOwner, fixture.window.hwnd());
    EXPECT_EQ(std::wstring(ofn->lpstrFile), L"");
    EXPECT_EQ(ofn->nMaxFile, 32768u);
    ofn->lpstrFile[ofn->nMaxFile - 1] = L'x';  // all of it there
    std::wcscpy(ofn->lpstrFile, L"D:\\プロジェクト\\表示.vbp");
    return TRUE;
  };
  fixture.Click(fixture.window.browseButton());
  EXPECT_EQ(fixture.Path(), L"D:\\プロジェクト\\表示.vbp");
  for (const DWORD error : {DWORD{0}, DWORD{CDERR_DIALOGFAILURE}}) {
    fixture.onDialog = [](OPENFILENAMEW*) { return FALSE; };
    fixture.dialogError = error;
    fixture.Click(fixture.window.browseButton());
    EXPECT_EQ(fixture.Path(), L"D:\\プロジェクト\\表示.vbp");
  }
  ASSERT_EQ(fixture.shown.size(), 1u);  // for the failure alone
  EXPECT_EQ(fixture.shown[0].type, static_cast<UINT>(MB_TASKMODAL | MB_OK | MB_ICONSTOP));
  EXPECT_NE(fixture.shown[0].text.find(L"0xFFFF (CDERR_DIALOGFAILURE)"), std::wstring::npos);
}

// The dialog accepts existing files only, read-only ones included, and shows
// groups beside projects. It once refused a read-only project (as a
// version-control checkout leaves it), offered to create a file that did not
// exist, and showed no project groups.
TEST(ShowProjectOpenDialog, OffersExistingProjectsAndGroupsReadOnlyOnesToo) {
  MainWindowFixture fixture;
  DWORD flags = 0;
  std::wstring patterns;  // of the one filter, the one selected
  fixture.onDialog = [&](OPENFILENAMEW* ofn) {
    flags = ofn->Flags;
    const wchar_t* second = ofn->lpstrFilter + std::wcslen(ofn->lpstrFilter) + 1;
    if (ofn->nFilterIndex == 1 && second[std::wcslen(second) + 1] == L'\0') patterns = second;
    return FALSE;
  };
  fixture.Click(fixture.window.browseButton());
  constexpr DWORD kMustExist = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  EXPECT_EQ(flags & kMustExist, kMustExist);
  EXPECT_EQ(flags & (OFN_CREATEPROMPT | OFN_NOREADONLYRETURN | OFN_OVERWRITEPROMPT), 0u);
  EXPECT_EQ(patterns, L"*.vbp;*.vbg");
  EXPECT_TRUE(fixture.shown.empty());  // a cancel says nothing
}

TEST(PathArgument, IsWhatFollowsTheProgramNameWithoutTheCommandLinesQuotes) {
  const struct {
    const wchar_t* commandLine;
    const wchar_t* path;
  } cases[] = {
      {L"velmori.exe", L""},
      {L"\"C:\\Program Files\\velmori.exe\" \"C:\\My Work\\表示.vbp\"", L"C:\\My Work\\表示.vbp"},
      {L"velmori.exe C:\\My Work\\a.vbp", L"C:\\My Work\\a.vbp"},  // split at its space
      {L"velmori.exe   D:\\b.vbg  ", L"D:\\b.vbg"},
  };
  for (const auto& c : cases) EXPECT_EQ(PathArgument(c.commandLine), c.path) << c.commandLine;
}

}  // namespace
}  // namespace velmori::test
