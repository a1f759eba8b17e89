// Dropping on the path box: data objects built in the test, handed to the drop
// target that the window registered for the box.

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "drop_target.h"
#include "ui_test_support.h"
#include "window_class.h"

namespace velmori::test {
namespace {

// A data object offering fixed formats, each as a new HGLOBAL per GetData.
class TestDataObject final : public IDataObject {
 public:
  static ComPtr<TestDataObject> Create() { return ComPtr<TestDataObject>::Adopt(new TestDataObject); }

  void Offer(CLIPFORMAT format, std::string bytes) { formats_[format] = std::move(bytes); }
  int getDataCalls = 0;
  LONG references() const { return references_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
      *object = static_cast<IDataObject*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    ++getDataCalls;
    if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    const std::string& bytes = formats_[format->cfFormat];
    const HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(global), bytes.data(), bytes.size());
    GlobalUnlock(global);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = global;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    if (format == nullptr || !(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    return formats_.count(format->cfFormat) != 0 ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }

 private:
  TestDataObject() = default;
  ~TestDataObject() = default;
  LONG references_ = 1;
  std::map<CLIPFORMAT, std::string> formats_;
};

// A CF_HDROP file list as Explorer builds it: DROPFILES, then the names, each
// ended by a NUL, and one more NUL.
std::string FileList(const std::vector<std::wstring>& names) {
  DROPFILES header{};
  header.pFiles = sizeof header;
  header.fWide = TRUE;
  std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
  for (const auto& name : names) {
    bytes.append(reinterpret_cast<const char*>(name.c_str()), (name.size() + 1) * sizeof(wchar_t));
  }
  bytes.append(sizeof(wchar_t), '\0');
  return bytes;
}

std::string AnsiFileList(const std::vector<std::string>& names) {
  DROPFILES header{};
  header.pFiles = sizeof header;
  header.fWide = FALSE;
  std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
  for (const auto& name : names) bytes.append(name.c_str(), name.size() + 1);
  bytes.push_back('\0');
  return bytes;
}

std::string UnicodeText(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.c_str()),
                     (text.size() + 1) * sizeof(wchar_t));
}

// Drags `data` over the path box and drops it; returns the effects shown.
struct DragResult {
  DWORD enter, over, drop;
};
DragResult DragAndDrop(MainWindowFixture& fixture, IDataObject* data) {
  IDropTarget* target = fixture.frm.txtVbpDropTarget();
  RECT box{};
  GetWindowRect(fixture.frm.txtVbp(), &box);
  const POINTL point{box.left + 5, box.top + 5};
  const DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
  DragResult result{allowed, allowed, allowed};
  target->DragEnter(data, MK_LBUTTON, point, &result.enter);
  target->DragOver(MK_LBUTTON, point, &result.over);
  target->Drop(data, MK_LBUTTON, point, &result.drop);
  return result;
}

const std::wstring kLongPath = [] {
  std::wstring path = L"C:\\";
  while (path.size() < 600) path += L"とても深いフォルダ\\";
  return path + L"長いパス.vbp";
}();

TEST(DropOnPathBox, TheWindowRegistersADropTargetForThePathBox) {
  MainWindowFixture fixture;
  ASSERT_NE(fixture.frm.txtVbpDropTarget(), nullptr);
  // A second registration is refused: the box already has one.
  EXPECT_EQ(RegisterDragDrop(fixture.frm.txtVbp(), fixture.frm.txtVbpDropTarget()),
            DRAGDROP_E_ALREADYREGISTERED);
}

TEST(DropOnPathBox, FileListsPutTheirFirstFileInTheBox) {
  const struct {
    const char* name;
    std::vector<std::wstring> files;
    std::wstring expected;
  } cases[] = {
      {"one file", {L"C:\\Work\\app.vbp"}, L"C:\\Work\\app.vbp"},
      {"two files: the first wins", {L"C:\\A\\first.vbp", L"C:\\B\\second.vbp"}, L"C:\\A\\first.vbp"},
      {"not a project file", {L"C:\\Work\\readme.txt"}, L"C:\\Work\\readme.txt"},
      {"Japanese names", {L"D:\\開発\\ソース\\表示.vbp", L"D:\\x.vbp"}, L"D:\\開発\\ソース\\表示.vbp"},
      {"longer than MAX_PATH", {kLongPath, L"C:\\short.vbp"}, kLongPath},
  };
  for (const auto& c : cases) {
    MainWindowFixture fixture;
    fixture.SetPath(L"C:\\before.vbp");
    auto data = TestDataObject::Create();
    data->Offer(CF_HDROP, FileList(c.files));
    const DragResult effects = DragAndDrop(fixture, data.get());
    EXPECT_EQ(fixture.Path(), c.expected) << c.name;
    EXPECT_EQ(effects.enter, static_cast<DWORD>(DROPEFFECT_COPY)) << c.name;
    EXPECT_EQ(effects.over, static_cast<DWORD>(DROPEFFECT_COPY)) << c.name;
    EXPECT_EQ(effects.drop, static_cast<DWORD>(DROPEFFECT_COPY)) << c.name;
    EXPECT_TRUE(fixture.boxes.shown.empty()) << c.name;
    EXPECT_EQ(data->references(), 1) << c.name;  // nothing kept of the data object
  }
}

TEST(DropOnPathBox, AnAnsiFileListIsReadInTheSystemCodePage) {
  MainWindowFixture fixture;
  auto data = TestDataObject::Create();
  const std::wstring path = L"C:\\プロジェクト\\ソース.vbp";  // ソ is 0x83 0x5C in Shift-JIS
  data->Offer(CF_HDROP, AnsiFileList({ToAnsi(path), "C:\\other.vbp"}));
  DragAndDrop(fixture, data.get());
  EXPECT_EQ(fixture.Path(), path);
}

TEST(DropOnPathBox, AnythingButAFileListChangesNothingAndShowsNothing) {
  const struct {
    const char* name;
    CLIPFORMAT format;
    std::string bytes;
  } cases[] = {
      {"text", CF_UNICODETEXT, UnicodeText(L"C:\\Work\\typed.vbp")},
      {"ANSI text", CF_TEXT, std::string("C:\\Work\\typed.vbp", 18)},
      {"an empty file list", CF_HDROP, FileList({})},
      {"nothing at all", 0, ""},
  };
  for (const auto& c : cases) {
    MainWindowFixture fixture;
    fixture.SetPath(L"C:\\before.vbp");
    auto data = TestDataObject::Create();
    if (c.format != 0) data->Offer(c.format, c.bytes);
    const DragResult effects = DragAndDrop(fixture, data.get());
    EXPECT_EQ(fixture.Path(), L"C:\\before.vbp") << c.name;
    EXPECT_TRUE(fixture.boxes.shown.empty()) << c.name;
    EXPECT_EQ(effects.drop, static_cast<DWORD>(DROPEFFECT_NONE)) << c.name;
    if (c.format != CF_HDROP) {
      EXPECT_EQ(effects.enter, static_cast<DWORD>(DROPEFFECT_NONE)) << c.name;  // no-drop cursor
      EXPECT_EQ(effects.over, static_cast<DWORD>(DROPEFFECT_NONE)) << c.name;
    }
  }
}

TEST(DropOnPathBox, TheCursorShowsCopyOnlyWhileAFileListIsOverTheBox) {
  MainWindowFixture fixture;
  auto data = TestDataObject::Create();
  data->Offer(CF_HDROP, FileList({L"C:\\dragged.vbp"}));
  IDropTarget* target = fixture.frm.txtVbpDropTarget();
  DWORD effect = DROPEFFECT_MOVE;  // a source that allows no copy
  target->DragEnter(data.get(), MK_LBUTTON, POINTL{0, 0}, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  effect = DROPEFFECT_COPY;
  target->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  target->DragLeave();
  effect = DROPEFFECT_COPY;
  target->DragOver(MK_LBUTTON, POINTL{0, 0}, &effect);  // the drag has left
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(fixture.Path(), L"");
}

}  // namespace
}  // namespace velmori::test
