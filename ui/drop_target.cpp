#include "drop_target.h"

#include <shellapi.h>

#include <utility>

namespace velmori {
namespace {

FORMATETC FileListFormat() {
  return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

// The storage medium of a GetData call, released at the end of the scope.
class Medium {
 public:
  Medium() noexcept = default;
  Medium(const Medium&) = delete;
  Medium& operator=(const Medium&) = delete;
  ~Medium() {
    if (filled_) ReleaseStgMedium(&medium_);
  }
  bool Get(IDataObject* data, FORMATETC format) {
    filled_ = SUCCEEDED(data->GetData(&format, &medium_));
    return filled_;
  }
  const STGMEDIUM& get() const { return medium_; }

 private:
  STGMEDIUM medium_{};
  bool filled_ = false;
};

}  // namespace

bool OffersFileList(IDataObject* data) {
  if (data == nullptr) return false;
  FORMATETC format = FileListFormat();
  return data->QueryGetData(&format) == S_OK;
}

std::vector<std::wstring> DroppedFiles(IDataObject* data) {
  std::vector<std::wstring> files;
  if (data == nullptr) return files;
  Medium medium;
  if (!medium.Get(data, FileListFormat()) || medium.get().tymed != TYMED_HGLOBAL) return files;
  const auto drop = static_cast<HDROP>(medium.get().hGlobal);
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    if (length == 0) continue;  // an empty entry names no file
    std::wstring name(length, L'\0');
    const UINT copied = DragQueryFileW(drop, i, name.data(), length + 1);
    name.resize(copied);
    files.push_back(std::move(name));
  }
  return files;
}

FileDropTarget::FileDropTarget(Handler handler) : handler_(std::move(handler)) {}

ComPtr<FileDropTarget> FileDropTarget::Create(Handler handler) {
  return ComPtr<FileDropTarget>::Adopt(new FileDropTarget(std::move(handler)));
}

HRESULT STDMETHODCALLTYPE FileDropTarget::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
    *object = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE FileDropTarget::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG STDMETHODCALLTYPE FileDropTarget::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

DWORD FileDropTarget::Effect(DWORD allowed) const {
  return fileList_ && (allowed & DROPEFFECT_COPY) != 0 ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

HRESULT STDMETHODCALLTYPE FileDropTarget::DragEnter(IDataObject* data, DWORD, POINTL,
                                                    DWORD* effect) {
  fileList_ = OffersFileList(data);
  if (effect != nullptr) *effect = Effect(*effect);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FileDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
  if (effect != nullptr) *effect = Effect(*effect);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FileDropTarget::DragLeave() {
  fileList_ = false;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FileDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
  fileList_ = false;
  const DWORD allowed = effect != nullptr ? *effect : 0;
  if (effect != nullptr) *effect = DROPEFFECT_NONE;
  try {
    const std::vector<std::wstring> files = DroppedFiles(data);  // done with the data object
    if (files.empty()) return S_OK;
    if (effect != nullptr) *effect = allowed & DROPEFFECT_COPY;
    if (handler_) handler_(files);
  } catch (...) {
    // A drop that fails is ignored, silently; nothing may unwind into OLE.
  }
  return S_OK;
}

DropRegistration::DropRegistration(HWND window, IDropTarget* target) noexcept {
  if (window != nullptr && target != nullptr && SUCCEEDED(RegisterDragDrop(window, target))) {
    window_ = window;
  }
}

DropRegistration::DropRegistration(DropRegistration&& other) noexcept
    : window_(std::exchange(other.window_, nullptr)) {}

DropRegistration& DropRegistration::operator=(DropRegistration&& other) noexcept {
  if (this != &other) {
    Revoke();
    window_ = std::exchange(other.window_, nullptr);
  }
  return *this;
}

DropRegistration::~DropRegistration() { Revoke(); }

void DropRegistration::Revoke() noexcept {
  if (window_ != nullptr) RevokeDragDrop(std::exchange(window_, nullptr));
}

}  // namespace velmori
