// The file layer on Windows: wide-character paths, ANSI code page bytes.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <new>
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

class Win32FileSystem final : public FileSystem {
 public:
  FileInfo Probe(const NativeString& path) override {
    const DWORD attributes = ::GetFileAttributesW(Extended(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    constexpr DWORD kNotOrdinary =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return FileInfo{(attributes & kNotOrdinary) == 0,
                    (attributes & FILE_ATTRIBUTE_READONLY) != 0};
  }

  OsStatus ReadAll(const NativeString& path, std::string& bytes) override {
    bytes.clear();
    Handle file(::CreateFileW(Extended(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) return LastError();
    // A device name (CON, AUX, ...) in a project would otherwise wait for input.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) return OsStatus{ERROR_BAD_FILE_TYPE};
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return LastError();
    if (static_cast<unsigned long long>(size.QuadPart) >= bytes.max_size()) {
      return OsStatus{ERROR_FILE_TOO_LARGE};
    }
    try {
      bytes.resize(static_cast<std::size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
      return OsStatus{ERROR_NOT_ENOUGH_MEMORY};
    }
    std::size_t filled = 0;
    while (filled < bytes.size()) {
      DWORD read = 0;
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - filled, kChunk));
      if (!::ReadFile(file.get(), bytes.data() + filled, want, &read, nullptr)) {
        bytes.clear();
        return LastError();
      }
      if (read == 0) break;  // the file shrank while being read
      filled += read;
    }
    bytes.resize(filled);
    return {};
  }

  OsStatus CreateTempBeside(const NativeString& file, NativeString& tempPath) override {
    for (int attempt = 1; attempt <= kTempAttempts; ++attempt) {
      NativeString candidate = Sibling(file, attempt);
      Handle created(::CreateFileW(Extended(candidate).c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (created.valid()) {
        tempPath = std::move(candidate);
        return created.Close();
      }
      const DWORD error = ::GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return OsStatus{error};
    }
    return OsStatus{ERROR_FILE_EXISTS};
  }

  OsStatus Append(const NativeString& path, std::string_view bytes) override {
    Handle file(::CreateFileW(Extended(path).c_str(), FILE_APPEND_DATA, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return LastError();
    while (!bytes.empty()) {
      DWORD written = 0;
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kChunk));
      if (!::WriteFile(file.get(), bytes.data(), want, &written, nullptr)) return LastError();
      bytes.remove_prefix(written);
    }
    return file.Close();
  }

  // ReplaceFileW keeps the target's attributes, security and creation time. With a
  // backup name it never leaves the target missing: on ERROR_UNABLE_TO_MOVE_REPLACEMENT
  // both files keep their names, and on ..._2 the target waits under the backup
  // name, from where it is put back.
  OsStatus Replace(const NativeString& target, const NativeString& replacement) override {
    const std::wstring targetPath = Extended(target);

    // The backup name must be free: what ReplaceFileW does with an existing backup
    // file is not documented.
    std::wstring backupPath;
    for (int attempt = 1; attempt <= kTempAttempts && backupPath.empty(); ++attempt) {
      std::wstring candidate = Extended(Sibling(replacement, attempt));
      if (::GetFileAttributesW(candidate.c_str()) == INVALID_FILE_ATTRIBUTES &&
          ::GetLastError() == ERROR_FILE_NOT_FOUND) {
        backupPath = std::move(candidate);
      }
    }
    if (backupPath.empty()) return OsStatus{ERROR_FILE_EXISTS};
    if (::ReplaceFileW(targetPath.c_str(), Extended(replacement).c_str(), backupPath.c_str(), 0,
                       nullptr, nullptr)) {
      ::DeleteFileW(backupPath.c_str());
      return {};
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
      ::MoveFileExW(backupPath.c_str(), targetPath.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ::DeleteFileW(backupPath.c_str());
    return OsStatus{error};
  }

  void Remove(const NativeString& path) override { ::DeleteFileW(Extended(path).c_str()); }
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

CodePage SystemCodePage() {
  const UINT id = ::GetACP();
  CPINFO info{};
  if (!::GetCPInfo(id, &info)) return CodePage::ForId(id);
  std::vector<std::pair<unsigned, unsigned>> ranges;
  for (std::size_t i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
    ranges.emplace_back(info.LeadByte[i], info.LeadByte[i + 1]);
  }
  return CodePage::FromLeadRanges(id, ranges);
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

NativeString AnsiToNative(std::string_view ansi) { return Widen(CP_ACP, ansi); }

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
  if (text.empty()) return "エラー コード " + std::to_string(status.code);
  return NativeToUtf8(text) + " (" + std::to_string(status.code) + ")";
}

OsStatus ReadOnlyError() { return OsStatus{ERROR_ACCESS_DENIED}; }

}  // namespace velmori
