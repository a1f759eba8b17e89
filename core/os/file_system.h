#pragma once
// The operating-system layer: files, paths and the system code page. One
// implementation per platform (file_system_win32.cpp, file_system_posix.cpp).

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "code_page.h"

namespace velmori {

// A path in the system's own form: UTF-16 on Windows, UTF-8 elsewhere.
using NativeString = std::filesystem::path::string_type;

// The outcome of a system call: 0, or a Win32 error code / errno value.
struct OsStatus {
  std::uint32_t code = 0;
  bool ok() const { return code == 0; }
};

struct FileInfo {
  bool ordinary = false;  // exists, and is neither a folder nor hidden nor a system file
  bool readOnly = false;
};

// File operations, behind an interface so tests can make any of them fail.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual FileInfo Probe(const NativeString& path) = 0;
  virtual OsStatus ReadAll(const NativeString& path, std::string& bytes) = 0;
  // Creates a new, empty file with a name of its own in the folder of `file`.
  virtual OsStatus CreateTempBeside(const NativeString& file, NativeString& tempPath) = 0;
  // Opens an existing file for appending, writes all bytes, closes it.
  virtual OsStatus Append(const NativeString& path, std::string_view bytes) = 0;
  // Puts `replacement` in the place of `target` in one step, keeping target's
  // attributes. On failure target is unchanged.
  virtual OsStatus Replace(const NativeString& target, const NativeString& replacement) = 0;
  virtual void Remove(const NativeString& path) = 0;
};

// The real file system of this platform.
FileSystem& SystemFileSystem();

CodePage SystemCodePage();

// The full path of `path`, resolved against the current folder as the system
// resolves paths (lexically: "." and ".." steps and doubled separators removed).
NativeString FullPath(const NativeString& path);
// Everything before the last separator of a full path.
NativeString FolderOf(const NativeString& fullPath);

// ANSI text (system code page, backslash separators) as a native path text.
NativeString AnsiToNative(std::string_view ansi);
NativeString Utf8ToNative(std::string_view utf8);
std::string NativeToUtf8(const NativeString& native);

// The system's own description of a failure, as UTF-8 text.
std::string DescribeOsError(OsStatus status);
// The failure a write to a read-only file gives (access denied).
OsStatus ReadOnlyError();

}  // namespace velmori
