#pragma once
// Dropping files from the file manager on a window: an OLE drop target that
// accepts the file list (CF_HDROP) of the dropped data and nothing else.

#include <windows.h>
#include <ole2.h>

#include <functional>
#include <string>
#include <vector>

#include "win32_handles.h"

namespace velmori {

// True when `data` offers a file list.
bool OffersFileList(IDataObject* data);

// The paths of the file list in `data`, in their order; empty when there is none
// or it cannot be read. Each name is read at the length the list reports for it.
std::vector<std::wstring> DroppedFiles(IDataObject* data);

class FileDropTarget final : public IDropTarget {
 public:
  // Receives the paths of every drop that carries a file list.
  using Handler = std::function<void(const std::vector<std::wstring>& files)>;

  // A new target with one reference, owned by the returned pointer.
  static ComPtr<FileDropTarget> Create(Handler handler);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDropTarget: the copy cursor over the window for a file list, the no-drop
  // cursor for anything else.
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point,
                                      DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point,
                                 DWORD* effect) override;

 private:
  explicit FileDropTarget(Handler handler);
  ~FileDropTarget() = default;
  DWORD Effect(DWORD allowed) const;

  LONG references_ = 1;
  bool fileList_ = false;
  Handler handler_;
};

// Registers a drop target for a window and revokes it on destruction.
class DropRegistration {
 public:
  DropRegistration() noexcept = default;
  DropRegistration(HWND window, IDropTarget* target) noexcept;
  DropRegistration(const DropRegistration&) = delete;
  DropRegistration& operator=(const DropRegistration&) = delete;
  DropRegistration(DropRegistration&& other) noexcept;
  DropRegistration& operator=(DropRegistration&& other) noexcept;
  ~DropRegistration();

 private:
  void Revoke() noexcept;
  HWND window_ = nullptr;
};

}  // namespace velmori
