// The file layer on Windows: wide-character paths, ANSI code page bytes.

#include <aclapi.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "file_system.h"
#include "system_files.h"
#include "win32.h"

namespace velmori {
namespace {

OsStatus LastError() { return OsStatus{::GetLastError()}; }

// Full paths of MAX_PATH characters and more take the \\?\ form, which every
// file function accepts whatever the system's long-path setting.
std::wstring Extended(const NativeString& fullPath) {
  if (fullPath.size() < MAX_PATH - 12 || fullPath.rfind(L"\\\\?\\", 0) == 0) return fullPath;
  if (fullPath.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + fullPath.substr(2);
  return L"\\\\?\\" + fullPath;
}

constexpr DWORD kChunk = 1u << 30;

FileFacts FactsOf(DWORD attributes) {
  FileFacts facts;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    facts.kind = FileKind::Folder;
  } else if (attributes & FILE_ATTRIBUTE_HIDDEN) {
    facts.kind = FileKind::Hidden;
  } else if (attributes & FILE_ATTRIBUTE_SYSTEM) {
    facts.kind = FileKind::System;
  } else {
    facts.kind = FileKind::Ordinary;
  }
  facts.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  facts.attributes = attributes;
  return facts;
}

// What a file that would not open is: not there, one of the skips (a folder
// opens only for its attributes), or a failure with the open's own reason.
ReadResult LookUpUnopened(const NativeString& path, DWORD openError) {
  if (IsNotFound(OsStatus{openError})) return {};
  const DWORD attributes = ::GetFileAttributesW(Extended(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    const FileFacts facts = FactsOf(attributes);
    if (facts.kind != FileKind::Ordinary) return {{}, facts};
  }
  return {OsStatus{openError}, {}};
}

// The path an open file really has: links resolved, the name as on disk, in
// the \\?\ form. Falls back to the path it was opened by.
NativeString FinalPath(HANDLE file, const NativeString& openedAs) {
  NativeString path = SystemText([file](wchar_t* buffer, DWORD size) {
    return ::GetFinalPathNameByHandleW(file, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  });
  return path.empty() ? Extended(openedAs) : path;
}

// The name a rename through a handle takes: the native form \??\C:\... of a
// full path, which needs no conversion on the way to the file system.
std::wstring NtName(const NativeString& fullPath) {
  if (fullPath.rfind(L"\\\\?\\", 0) == 0) return L"\\??\\" + fullPath.substr(4);
  if (fullPath.rfind(L"\\\\", 0) == 0) return L"\\??\\UNC\\" + fullPath.substr(2);
  return L"\\??\\" + fullPath;
}

bool Exists(const NativeString& path) {
  return ::GetFileAttributesW(Extended(path).c_str()) != INVALID_FILE_ATTRIBUTES ||
         !IsNotFound(LastError());
}

// Whether a DACL holds settings of the file's own rather than only what its
// folder passes down.
bool HasOwnSettings(PACL dacl, SECURITY_DESCRIPTOR_CONTROL control) {
  if (dacl == nullptr || (control & SE_DACL_PROTECTED)) return true;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (::GetAce(dacl, i, &ace) && !(static_cast<ACE_HEADER*>(ace)->AceFlags & INHERITED_ACE)) {
      return true;
    }
  }
  return false;
}

// The DACL of an open file as a self-relative security descriptor, in one
// call for the usual size; empty when it cannot be read.
std::string DaclOf(HANDLE file) {
  std::string descriptor(512, '\0');
  for (;;) {
    DWORD needed = 0;
    if (::GetKernelObjectSecurity(file, DACL_SECURITY_INFORMATION, descriptor.data(),
                                  static_cast<DWORD>(descriptor.size()), &needed)) {
      descriptor.resize(::GetSecurityDescriptorLength(descriptor.data()));
      return descriptor;
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= descriptor.size()) return {};
    descriptor.resize(needed);
  }
}

// The DACL of an open file when it holds settings of the file's own; empty
// when it only has what its folder passes down (the new file gets the same
// from the same folder) or cannot be read.
std::string OwnSecurityOf(HANDLE file) {
  std::string descriptor = DaclOf(file);
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (descriptor.empty() ||
      !::GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted) ||
      !::GetSecurityDescriptorControl(descriptor.data(), &control, &revision) ||
      !HasOwnSettings(present ? dacl : nullptr, control)) {
    return {};
  }
  return descriptor;
}

// Gives `to` the DACL of `own` as it is, inherited entries marked as such,
// unless `to` has it already (as under Wine, which marks no entry inherited).
OsStatus ApplyOwnSecurity(std::string own, HANDLE to) {
  if (own.empty() || DaclOf(to) == own) return {};
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!::GetSecurityDescriptorControl(own.data(), &control, &revision)) return LastError();
  const SECURITY_INFORMATION what =
      DACL_SECURITY_INFORMATION | ((control & SE_DACL_PROTECTED)
                                       ? PROTECTED_DACL_SECURITY_INFORMATION
                                       : UNPROTECTED_DACL_SECURITY_INFORMATION);
  if (!::SetKernelObjectSecurity(to, what, own.data())) return LastError();
  return {};
}

class Win32TempFile final : public TempFile {
 public:
  Win32TempFile(HANDLE file, NativeString path, NativeString target)
      : file_(file), path_(std::move(path)), target_(std::move(target)) {}
  ~Win32TempFile() override { Discard(); }

  const NativeString& path() const override { return path_; }

  // Marks the open file for deletion: the system removes it when the last
  // handle closes, also when the process dies.
  OsStatus MarkForDeletion(bool marked) {
    // Set by position: the one member's name is a macro of the Windows headers.
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(marked)};
    if (!::SetFileInformationByHandle(file_.get(), FileDispositionInfo, &disposition,
                                      sizeof disposition)) {
      return LastError();
    }
    marked_ = marked;
    return {};
  }

  OsStatus Write(std::string_view bytes) override {
    while (!bytes.empty()) {
      DWORD written = 0;
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kChunk));
      if (!::WriteFile(file_.get(), bytes.data(), want, &written, nullptr)) return LastError();
      bytes.remove_prefix(written);
    }
    return {};
  }

  // Only what describes the file as the user sees it; never what describes
  // its storage (offline, recall, pinned, sparse, compressed, encrypted, reparse).
  OsStatus CopyMetadata(const FileFacts& target, std::string_view ownSecurity) override {
    constexpr DWORD kCarried = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                               FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO basic{};  // zero times stay as they are
    basic.CreationTime.QuadPart = static_cast<LONGLONG>(target.created);
    basic.FileAttributes = target.attributes & kCarried;
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileInformationByHandle(file_.get(), FileBasicInfo, &basic, sizeof basic)) {
      return LastError();
    }
    return ApplyOwnSecurity(std::string(ownSecurity), file_.get());
  }

  OsStatus Flush() override {
    if (!::FlushFileBuffers(file_.get())) return LastError();
    return {};
  }

  // One rename through our own handle that replaces the target's name: the
  // file system swaps the name over in one step. (ReplaceFileW, by contrast,
  // moves the target aside first, and a kill between its steps leaves no file
  // under the name.)
  OsStatus MoveOver() override {
    if (const OsStatus unmarked = MarkForDeletion(false); !unmarked.ok()) return unmarked;
    const std::wstring name = NtName(target_);
    std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFO, FileName) +
                                      (name.size() + 1) * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::copy(name.begin(), name.end(), rename->FileName);
    if (!::SetFileInformationByHandle(file_.get(), FileRenameInfo, rename,
                                      static_cast<DWORD>(buffer.size()))) {
      const OsStatus failed = LastError();
      MarkForDeletion(true);
      return failed;
    }
    file_.reset();  // flushed: nothing is left for the close to report
    return {};
  }

  bool Discard() override {
    if (!file_) return true;  // moved over or discarded already
    const bool marked = marked_ || MarkForDeletion(true).ok();
    file_.reset();
    if (marked) return true;
    return os::RetryForAboutASecond(
        [this] { return ::DeleteFileW(Extended(path_).c_str()) || !Exists(path_); });
  }

 private:
  UniqueFile file_;
  NativeString path_;
  NativeString target_;
  bool marked_ = false;
};

}  // namespace

std::wstring Widen(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  const int length = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
  return wide;
}

std::string Narrow(UINT codePage, std::wstring_view text) {
  if (text.empty()) return {};
  const int length = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(std::max(length, 0)), '\0');
  ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                        length, nullptr, nullptr);
  return narrow;
}

namespace os {

// Reads into `bytes` as it is: a buffer of the size of the file before, read
// into again, is not filled with zeros first.
ReadResult ReadInto(const NativeString& path, std::string& bytes) {
  UniqueFile file(::CreateFileW(Extended(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return LookUpUnopened(path, ::GetLastError());
  // A device name (CON, AUX, ...) in a project would otherwise wait for input.
  if (::GetFileType(file.get()) != FILE_TYPE_DISK) return {OsStatus{ERROR_BAD_FILE_TYPE}, {}};
  // Two small queries: GetFileInformationByHandle also asks for the volume,
  // which costs more than the whole read on some systems (Wine: about 1 ms).
  FILE_BASIC_INFO basic{};
  FILE_STANDARD_INFO standard{};
  if (!::GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) ||
      !::GetFileInformationByHandleEx(file.get(), FileStandardInfo, &standard,
                                      sizeof standard)) {
    return {LastError(), {}};
  }
  FileFacts facts = FactsOf(basic.FileAttributes);
  if (facts.kind != FileKind::Ordinary) return {{}, facts};
  facts.created = static_cast<std::uint64_t>(basic.CreationTime.QuadPart);
  const auto size = static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
  if (size >= bytes.max_size() - 1) return {OsStatus{ERROR_FILE_TOO_LARGE}, facts};
  // One byte more than the size, so that the usual file is read by one read and its end seen
  // by the next; a file that grows meanwhile is read on to its real end.
  try {
    const std::size_t wanted = static_cast<std::size_t>(size) + 1;
    if (wanted > bytes.capacity()) bytes.clear();  // nothing old to move into a larger buffer
    bytes.resize(wanted);
    std::size_t filled = 0;
    for (;;) {
      if (filled == bytes.size()) bytes.resize(bytes.size() * 2);
      DWORD read = 0;
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - filled, kChunk));
      if (!::ReadFile(file.get(), bytes.data() + filled, want, &read, nullptr)) {
        return {LastError(), facts};
      }
      if (read == 0) break;
      filled += read;
    }
    bytes.resize(filled);
  } catch (const std::bad_alloc&) {
    return {OsStatus{ERROR_NOT_ENOUGH_MEMORY}, facts};
  }
  return {{}, facts};
}

// Opening the file for writing asks the system everything at once: its
// permissions, whether another program holds it without sharing it, and,
// through the same handle, its real path and security settings.
ReplaceTarget PrepareReplace(const NativeString& path) {
  const UniqueFile file(::CreateFileW(Extended(path).c_str(), FILE_WRITE_DATA | READ_CONTROL,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {LastError(), {}, {}};
  return {{}, FinalPath(file.get(), path), OwnSecurityOf(file.get())};
}

// Windows finds files whatever the letter case of their names.
std::vector<NativeString> FindInAnyCase(const NativeString&, FolderNames&) { return {}; }

// NTFS logs a rename itself; a flushed file renamed through its handle needs nothing more.
OsStatus FlushFolder(const NativeString&) { return {}; }

// A new file of ours, held with no sharing and marked for deletion at once.
NewFile CreateNew(const NativeString& name, const NativeString& target) {
  const HANDLE created =
      ::CreateFileW(Extended(name).c_str(), GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_DAC, 0,
                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    // A file marked for deletion that another run still holds answers "access denied".
    const bool taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                       (error == ERROR_ACCESS_DENIED && Exists(name));
    return {OsStatus{error}, taken, nullptr};
  }
  auto temp = std::make_unique<Win32TempFile>(created, name, target);
  if (const OsStatus marked = temp->MarkForDeletion(true); !marked.ok()) {
    return {marked, false, nullptr};
  }
  return {{}, false, std::move(temp)};
}

// A live run holds its file with no sharing, so only a leftover can be deleted.
bool RemoveLeftover(const NativeString& name) {
  return ::DeleteFileW(Extended(name).c_str()) != 0;
}

OsStatus AllNamesTaken() { return OsStatus{ERROR_FILE_EXISTS}; }

}  // namespace os

std::optional<CodePage> LoadCodePage(unsigned id) {
  CPINFO info{};
  if (!::IsValidCodePage(id) || !::GetCPInfo(id, &info)) return std::nullopt;
  std::vector<std::pair<unsigned, unsigned>> ranges;
  for (std::size_t i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
    ranges.emplace_back(info.LeadByte[i], info.LeadByte[i + 1]);
  }
  return CodePage::FromLeadRanges(id, ranges);
}

CodePage SystemCodePage() {
  const UINT id = ::GetACP();
  return LoadCodePage(id).value_or(CodePage::ForId(id));
}

NativeString FullPath(const NativeString& path) {
  if (path.empty()) return {};
  return SystemText([&path](wchar_t* buffer, DWORD size) {
    return ::GetFullPathNameW(path.c_str(), size, buffer, nullptr);
  });
}

NativeString FolderOf(const NativeString& fullPath) {
  const std::size_t slash = fullPath.find_last_of(L'\\');
  return slash == NativeString::npos ? NativeString() : fullPath.substr(0, slash);
}

NativeString PathKey(const NativeString& fullPath) {
  NativeString key = fullPath;
  if (!key.empty()) ::CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
  return key;
}

NativeString AnsiToNative(std::string_view ansi, unsigned codePage) {
  return Widen(codePage, ansi);
}

std::string AnsiToUtf8(std::string_view ansi, unsigned codePage) {
  return NativeToUtf8(Widen(codePage, ansi));
}

NativeString Utf8ToNative(std::string_view utf8) { return Widen(CP_UTF8, utf8); }

std::string NativeToUtf8(const NativeString& native) { return Narrow(CP_UTF8, native); }

std::string DescribeOsError(OsStatus status) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, status.code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) return {};
  return NativeToUtf8(text) + " (" + std::to_string(status.code) + ")";
}

bool IsNotFound(OsStatus status) {
  return status.code == ERROR_FILE_NOT_FOUND || status.code == ERROR_PATH_NOT_FOUND;
}

OsStatus ReadOnlyError() { return OsStatus{ERROR_ACCESS_DENIED}; }

}  // namespace velmori
