// The file layer on Windows: wide-character paths, ANSI code page bytes.

#include <windows.h>

#include <aclapi.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "file_system.h"

namespace velmori {
namespace {

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(Handle&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle& operator=(Handle&&) = delete;
  ~Handle() {
    if (valid()) ::CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  // Closes now, so that a failure to close (a delayed write error) is seen.
  OsStatus Close() {
    const BOOL closed = ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return OsStatus{closed ? 0u : ::GetLastError()};
  }

 private:
  HANDLE handle_;
};

OsStatus LastError() { return OsStatus{::GetLastError()}; }

// Full paths of MAX_PATH characters and more take the \\?\ form, which every
// file function accepts whatever the system's long-path setting.
std::wstring Extended(const NativeString& fullPath) {
  if (fullPath.size() < MAX_PATH - 12 || fullPath.rfind(L"\\\\?\\", 0) == 0) return fullPath;
  if (fullPath.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + fullPath.substr(2);
  return L"\\\\?\\" + fullPath;
}

constexpr DWORD kChunk = 1u << 30;
constexpr int kTempAttempts = 100;

// The names tried, in turn, for a file of ours beside `file`.
NativeString Sibling(const NativeString& file, int attempt) {
  return file + L".velmori" + std::to_wstring(attempt) + L".tmp";
}

FileFacts FactsOf(DWORD attributes) {
  constexpr DWORD kNotOrdinary =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  FileFacts facts;
  facts.ordinary = (attributes & kNotOrdinary) == 0;
  facts.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  facts.attributes = attributes;
  return facts;
}

FileFacts ProbeByName(const NativeString& path) {
  const DWORD attributes = ::GetFileAttributesW(Extended(path).c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ? FileFacts{} : FactsOf(attributes);
}

// The path an open file really has: links resolved, the name as on disk, in
// the \\?\ form. Falls back to the path it was opened by.
NativeString FinalPath(HANDLE file, const NativeString& openedAs) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFinalPathNameByHandleW(
        file, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return Extended(openedAs);
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length);
  }
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
         ::GetLastError() != ERROR_FILE_NOT_FOUND;
}

// Frees what the security functions allocate.
struct LocalMemory {
  HLOCAL memory = nullptr;
  LocalMemory() = default;
  LocalMemory(const LocalMemory&) = delete;
  LocalMemory& operator=(const LocalMemory&) = delete;
  ~LocalMemory() {
    if (memory) ::LocalFree(memory);
  }
};

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

// Gives `to` the security settings of `from` where `from` has settings of its
// own; a file with inherited settings only gets its new folder's, the same.
OsStatus CopyOwnSecurity(const NativeString& from, HANDLE to) {
  PACL dacl = nullptr;
  LocalMemory descriptor;
  const DWORD error =
      ::GetNamedSecurityInfoW(Extended(from).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, &dacl, nullptr, &descriptor.memory);
  if (error != ERROR_SUCCESS) return OsStatus{error};
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!::GetSecurityDescriptorControl(descriptor.memory, &control, &revision)) return LastError();
  if (!HasOwnSettings(dacl, control)) return {};
  const SECURITY_INFORMATION what =
      DACL_SECURITY_INFORMATION | ((control & SE_DACL_PROTECTED)
                                       ? PROTECTED_DACL_SECURITY_INFORMATION
                                       : UNPROTECTED_DACL_SECURITY_INFORMATION);
  return OsStatus{::SetSecurityInfo(to, SE_FILE_OBJECT, what, nullptr, nullptr, dacl, nullptr)};
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
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(marked)};  // its member is named like a macro
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

  OsStatus CopyMetadata(const FileFacts& target) override {
    constexpr DWORD kCarried = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                               FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                               FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE;
    FILE_BASIC_INFO basic{};  // zero times stay as they are
    basic.CreationTime.QuadPart = static_cast<LONGLONG>(target.created);
    basic.FileAttributes = target.attributes & kCarried;
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileInformationByHandle(file_.get(), FileBasicInfo, &basic, sizeof basic)) {
      return LastError();
    }
    return CopyOwnSecurity(target_, file_.get());
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
    file_.Close();
    return {};
  }

  bool Discard() override {
    if (!file_.valid()) return true;  // moved over, abandoned or discarded already
    const bool marked = marked_ || MarkForDeletion(true).ok();
    file_.Close();
    if (marked) return true;
    // A scanner that opened the new file lets go of it quickly.
    for (int attempt = 0; attempt < 20; ++attempt) {
      if (::DeleteFileW(Extended(path_).c_str()) || !Exists(path_)) return true;
      ::Sleep(50);
    }
    return false;
  }

  void Abandon() override { file_.Close(); }

 private:
  Handle file_;
  NativeString path_;
  NativeString target_;
  bool marked_ = false;
};

class Win32OpenFile final : public OpenFile {
 public:
  Win32OpenFile(Handle file, NativeString openedAs)
      : file_(std::move(file)), openedAs_(std::move(openedAs)) {}
  NativeString RealPath() const override { return FinalPath(file_.get(), openedAs_); }

 private:
  Handle file_;
  NativeString openedAs_;
};

class Win32FileSystem final : public FileSystem {
 public:
  ReadResult Read(const NativeString& path, std::string& bytes) override {
    bytes.clear();
    Handle file(::CreateFileW(Extended(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) {
      const OsStatus error = LastError();
      return {error, ProbeByName(path)};
    }
    FileFacts facts;
    facts.ordinary = true;  // what a failure below is reported as
    // A device name (CON, AUX, ...) in a project would otherwise wait for input.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) return {OsStatus{ERROR_BAD_FILE_TYPE}, facts};
    // Two small queries: GetFileInformationByHandle also asks for the volume,
    // which costs more than the whole read on some systems (Wine: about 1 ms).
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!::GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) ||
        !::GetFileInformationByHandleEx(file.get(), FileStandardInfo, &standard,
                                        sizeof standard)) {
      return {LastError(), facts};
    }
    facts = FactsOf(basic.FileAttributes);
    if (!facts.ordinary) return {{}, facts};
    facts.created = static_cast<std::uint64_t>(basic.CreationTime.QuadPart);
    const auto size = static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
    if (size >= bytes.max_size()) return {OsStatus{ERROR_FILE_TOO_LARGE}, facts};
    try {
      bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
      return {OsStatus{ERROR_NOT_ENOUGH_MEMORY}, facts};
    }
    std::size_t filled = 0;
    while (filled < bytes.size()) {
      DWORD read = 0;
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - filled, kChunk));
      if (!::ReadFile(file.get(), bytes.data() + filled, want, &read, nullptr)) {
        bytes.clear();
        return {LastError(), facts};
      }
      if (read == 0) break;  // the file shrank while being read
      filled += read;
    }
    bytes.resize(filled);
    return {{}, facts, std::make_unique<Win32OpenFile>(std::move(file), path)};
  }

  TempResult CreateTempBeside(const NativeString& file) override {
    bool removedStale = false;
    for (int attempt = 1; attempt <= kTempAttempts; ++attempt) {
      const NativeString candidate = Sibling(file, attempt);
      const HANDLE created = ::CreateFileW(Extended(candidate).c_str(),
                                           GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_DAC, 0,
                                           nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (created != INVALID_HANDLE_VALUE) {
        auto temp = std::make_unique<Win32TempFile>(created, candidate, file);
        const OsStatus marked = temp->MarkForDeletion(true);
        if (!marked.ok()) return {marked, nullptr};
        return {{}, std::move(temp)};
      }
      const DWORD error = ::GetLastError();
      const bool taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                         (error == ERROR_ACCESS_DENIED && Exists(candidate));
      if (!taken) return {OsStatus{error}, nullptr};
      // Left by a killed run when nobody holds it open: remove it and take its name.
      if (!removedStale && ::DeleteFileW(Extended(candidate).c_str())) {
        removedStale = true;
        --attempt;
      }
    }
    return {OsStatus{ERROR_FILE_EXISTS}, nullptr};
  }
};

std::wstring Widen(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  const int length = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
  return wide;
}

}  // namespace

FileSystem& SystemFileSystem() {
  static Win32FileSystem files;
  return files;
}

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
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()),
                                            full.data(), nullptr);
    if (length == 0) return {};
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);
  }
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

std::string NativeToUtf8(const NativeString& native) {
  if (native.empty()) return {};
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, native.data(),
                                           static_cast<int>(native.size()), nullptr, 0,
                                           nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, native.data(), static_cast<int>(native.size()), utf8.data(),
                        length, nullptr, nullptr);
  return utf8;
}

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

OsStatus ReadOnlyError() { return OsStatus{ERROR_ACCESS_DENIED}; }

}  // namespace velmori
