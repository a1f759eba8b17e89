#pragma once
// The operating-system layer: files, paths and the system code page. One
// implementation per platform (file_system_win32.cpp, file_system_posix.cpp).

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "code_page.h"

namespace velmori {

// A path in the system's own form: UTF-16 on Windows, UTF-8 elsewhere.
using NativeString = std::filesystem::path::string_type;

// The outcome of a system call: 0, or a Win32 error code / errno value.
struct OsStatus {
  std::uint32_t code = 0;
  bool ok() const { return code == 0; }
};

// What a lookup found at a path. Only Ordinary is read; the others are the
// program's defined skips. Every other failure of a lookup is a failure.
enum class FileKind {
  Ordinary,
  Missing,  // no such file or folder
  Folder,
  Hidden,
  System,
};

// What the system says about a file.
struct FileFacts {
  FileKind kind = FileKind::Missing;
  bool readOnly = false;         // the read-only attribute (POSIX: no write bit for its owner)
  std::uint32_t attributes = 0;  // Win32 attributes, or the POSIX mode
  std::uint64_t created = 0;     // Win32 creation time (FILETIME); 0 on POSIX
  std::uint32_t owner = 0;       // POSIX user and group; 0 on Windows
  std::uint32_t group = 0;
};

struct ReadResult {
  OsStatus status;
  FileFacts facts;
};

// What replacing a file needs to know of it, asked of the system when the
// file is to be replaced.
struct ReplaceTarget {
  // Whether this user may write the file, as the system decides it (its
  // permissions, and on Windows also another program's hold): ok, or why not.
  OsStatus status;
  NativeString realPath;  // links resolved, the name as it is on disk
  // Its security settings of its own (Windows: a self-relative descriptor);
  // empty when it has none beyond what its folder passes down, and on POSIX,
  // where the mode and owner say it all.
  std::string ownSecurity;
};

// A new file of ours beside the file it is to replace (its target). Until
// MoveOver has put it in place it is removed whatever happens: by Discard or
// the destructor, and when the process is killed by the system (Windows) or by
// the next run that needs its name (POSIX: a leftover no live run holds).
class TempFile {
 public:
  virtual ~TempFile() = default;  // Discard, unless moved over
  virtual const NativeString& path() const = 0;
  // Writes all bytes at the end of the file.
  virtual OsStatus Write(std::string_view bytes) = 0;
  // Gives the file what the user sees of the target besides its text: its
  // attributes (or mode and owner), its creation time and its own security
  // settings (`ownSecurity`, from ReplaceTarget).
  virtual OsStatus CopyMetadata(const FileFacts& target, std::string_view ownSecurity) = 0;
  // Makes what was written durable: on the disk, so that a power loss after
  // the rename finds the whole text. A write error the system reports late
  // (network and quota failures) shows here at the latest.
  virtual OsStatus Flush() = 0;
  // Puts the file in the place of its target in one step: at every instant the
  // name holds either the old file or this one, whole. On failure nothing moved.
  virtual OsStatus MoveOver() = 0;
  // Removes the file now, retrying for about a second while another program
  // holds it. False when it is still there.
  virtual bool Discard() = 0;
};

struct TempResult {
  OsStatus status;
  std::unique_ptr<TempFile> file;
};

// The names in each folder a run has listed, kept for the rest of the run so
// that each folder is read once however many lookups it serves.
struct FolderNames {
  struct Name {
    NativeString name;
    std::u32string folded;  // compared without regard to letter case
  };
  std::unordered_map<NativeString, std::vector<Name>> folders;
};

// File operations, behind an interface so tests can make any of them fail.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Reads a whole file, to its real end, through one open, taking its facts
  // from the open file. A file that is not ordinary is not read.
  virtual ReadResult Read(const NativeString& path, std::string& bytes) = 0;
  // Asks what replacing the file needs (ReplaceTarget), through one open.
  virtual ReplaceTarget PrepareReplace(const NativeString& path) = 0;
  // Creates a new, empty file with a name of its own in the folder of `file`
  // ("<file>.velmoriN.tmp") to replace `file`, which should be the path the
  // file really has (ReplaceTarget::realPath). A file of that pattern that a killed
  // run left is removed first; one that a live run holds is never touched.
  virtual TempResult CreateTempBeside(const NativeString& file) = 0;
  // The files that `path`, which does not exist as written, names when its
  // letter case is disregarded, as Windows finds files: every component
  // compared without regard to case (ASCII letters and the letters of other
  // scripts that Unicode folds), and a component that exists as written taken
  // as it is. Several when names differ in case alone. None on Windows, whose
  // file systems already disregard case.
  virtual std::vector<NativeString> FindInAnyCase(const NativeString& path,
                                                  FolderNames& folders) = 0;
  // Makes the names in a folder durable after renames in it (POSIX: fsync of
  // the folder; Windows: the rename is logged by the file system itself).
  virtual OsStatus FlushFolder(const NativeString& folder) = 0;
};

// The real file system of this platform.
FileSystem& SystemFileSystem();

CodePage SystemCodePage();

// The full path of `path`, resolved against the current folder as the system
// resolves paths (lexically: "." and ".." steps and doubled separators removed).
NativeString FullPath(const NativeString& path);
// Everything before the last separator of a full path.
NativeString FolderOf(const NativeString& fullPath);
// A key that two spellings of one full path share, as the file system compares
// names: letters folded to upper case on Windows, the path itself elsewhere.
NativeString PathKey(const NativeString& fullPath);

// A code page the system can convert, with its lead bytes; nothing when it has
// no such code page.
std::optional<CodePage> LoadCodePage(unsigned id);

// Text of code page `codePage` (the system's ANSI code page unless told
// otherwise; backslash separators) as a native path text.
NativeString AnsiToNative(std::string_view ansi, unsigned codePage);
// Text of code page `codePage` as UTF-8; what is no character there becomes
// a replacement character.
std::string AnsiToUtf8(std::string_view ansi, unsigned codePage);
NativeString Utf8ToNative(std::string_view utf8);
std::string NativeToUtf8(const NativeString& native);

// The system's own description of a failure, as UTF-8 text; empty when the
// system has none.
std::string DescribeOsError(OsStatus status);
// Whether a failed lookup means "no such file or folder" (ENOENT, ENOTDIR;
// ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND): the one failure that makes a
// listed file missing. Every other failure is told as it is.
bool IsNotFound(OsStatus status);
// The failure a write to a read-only file gives (access denied).
OsStatus ReadOnlyError();

}  // namespace velmori
