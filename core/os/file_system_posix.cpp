// The file layer on POSIX systems, where the core is developed and tested.
// Source and project files are code page 932 bytes; paths are UTF-8 with '/'.

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <locale.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "file_system.h"
#include "system_files.h"
#include "unique_handle.h"
#include "utf8.h"

namespace velmori {
namespace {

struct FdTraits {
  using Handle = int;
  static int Empty() noexcept { return -1; }
  static void Close(int fd) noexcept { ::close(fd); }
};
using Fd = UniqueHandle<FdTraits>;

OsStatus LastError() { return OsStatus{static_cast<std::uint32_t>(errno)}; }

std::string_view NameOf(const NativeString& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == NativeString::npos ? std::string_view(path)
                                     : std::string_view(path).substr(slash + 1);
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the name `path` still leads to the file open as `fd` (not to a file
// another run has put there since).
bool NameIsFile(const NativeString& path, int fd) {
  struct stat byName {}, byFd {};
  return ::lstat(path.c_str(), &byName) == 0 && ::fstat(fd, &byFd) == 0 && SameFile(byName, byFd);
}

// A name beginning with "." counts as hidden, as Windows programs see it under Wine.
FileFacts FactsOf(const NativeString& path, const struct stat& st) {
  FileFacts facts;
  const std::string_view name = NameOf(path);
  if (S_ISDIR(st.st_mode)) {
    facts.kind = FileKind::Folder;
  } else if (!name.empty() && name.front() == '.') {
    facts.kind = FileKind::Hidden;
  } else {
    facts.kind = FileKind::Ordinary;
  }
  facts.readOnly = (st.st_mode & S_IWUSR) == 0;
  facts.attributes = static_cast<std::uint32_t>(st.st_mode);
  facts.owner = static_cast<std::uint32_t>(st.st_uid);
  facts.group = static_cast<std::uint32_t>(st.st_gid);
  return facts;
}

// The path to rewrite a file at: where a link leads, otherwise the path itself
// (a linked folder on the way is harmless: the rename stays in the real folder).
NativeString ResolvedPath(const NativeString& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  return real ? NativeString(real.get()) : path;
}

// A temporary file holds an exclusive lock for its whole life: that is how
// another run tells it from a leftover of a killed run.
class PosixTempFile final : public TempFile {
 public:
  PosixTempFile(Fd fd, NativeString path, NativeString target)
      : fd_(std::move(fd)), path_(std::move(path)), target_(std::move(target)) {}
  ~PosixTempFile() override { Discard(); }

  const NativeString& path() const override { return path_; }

  OsStatus Write(std::string_view bytes) override {
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd_.get(), bytes.data(), bytes.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        return LastError();
      }
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
#ifdef __linux__
    // Starts the write to disk now, so that Flush, perhaps a batch later, mostly waits for
    // what is done already.
    ::sync_file_range(fd_.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    return {};
  }

  // The owner first: a change of owner clears the set-user-ID and set-group-ID bits.
  OsStatus CopyMetadata(const FileFacts& target, std::string_view) override {
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0) return LastError();
    const auto owner = static_cast<uid_t>(target.owner);
    const auto group = static_cast<gid_t>(target.group);
    if ((st.st_uid != owner || st.st_gid != group) && ::fchown(fd_.get(), owner, group) != 0) {
      return LastError();
    }
    if (::fchmod(fd_.get(), static_cast<mode_t>(target.attributes & 07777)) != 0) {
      return LastError();
    }
    return {};
  }

  // fsync, then a close of a second descriptor of the file: network file
  // systems report a failed write at close, and the first descriptor keeps the
  // lock until the rename.
  OsStatus Flush() override {
    if (::fsync(fd_.get()) != 0) return LastError();
    const int second = ::fcntl(fd_.get(), F_DUPFD_CLOEXEC, 0);
    if (second < 0) return LastError();
    if (::close(second) != 0 && errno != EINTR) return LastError();
    return {};
  }

  // rename(2) swaps the name over in one step.
  OsStatus MoveOver() override {
    if (::rename(path_.c_str(), target_.c_str()) != 0) return LastError();
    fd_.reset();  // flushed: nothing is left for close to report
    return {};
  }

  bool Discard() override {
    if (!fd_) return true;  // moved over or discarded already
    // Removed while still locked, so that no other run takes the name meanwhile.
    const bool removed = os::RetryForAboutASecond(
        [this] { return ::unlink(path_.c_str()) == 0 || errno == ENOENT; });
    fd_.reset();
    return removed;
  }

 private:
  Fd fd_;
  NativeString path_;
  NativeString target_;
};



// The letters of a name folded to lower case: ASCII, and where the system has
// a UTF-8 locale also the letters of other scripts (full-width Latin, Greek,
// Cyrillic, ...). A byte that is no UTF-8 stands for itself, unfolded.
std::u32string Folded(std::string_view name) {
  static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  std::u32string folded;
  folded.reserve(name.size());
  while (!name.empty()) {
    const auto [code, length] = DecodeUtf8(name);
    if (length == 0) {
      folded += static_cast<char32_t>(0x110000 + static_cast<unsigned char>(name[0]));
      name.remove_prefix(1);
      continue;
    }
    if (code >= 'A' && code <= 'Z') {
      folded += code + 32;
    } else if (code >= 0x80 && utf8 != nullptr) {
      folded += static_cast<char32_t>(::towlower_l(static_cast<wint_t>(code), utf8));
    } else {
      folded += code;
    }
    name.remove_prefix(length);
  }
  return folded;
}

// The names in `folder`, read once per run.
const std::vector<FolderNames::Name>& NamesIn(const NativeString& folder, FolderNames& cache) {
  const auto [entry, added] = cache.folders.try_emplace(folder);
  if (!added) return entry->second;
  if (DIR* listing = ::opendir(folder.empty() ? "/" : folder.c_str())) {
    while (const dirent* item = ::readdir(listing)) {
      const std::string_view name = item->d_name;
      if (name == "." || name == "..") continue;
      entry->second.push_back({NativeString(name), Folded(name)});
    }
    ::closedir(listing);
  }
  return entry->second;
}

// Appends to `found` the paths below `prefix` that match `parts` from `next` on.
void FindParts(const NativeString& prefix, const std::vector<std::string_view>& parts,
               std::size_t next, FolderNames& cache, std::vector<NativeString>& found) {
  if (next == parts.size()) {
    found.push_back(prefix);
    return;
  }
  const NativeString asWritten = prefix + "/" + NativeString(parts[next]);
  struct stat st {};
  if (::lstat(asWritten.c_str(), &st) == 0) {
    FindParts(asWritten, parts, next + 1, cache, found);
    return;
  }
  const std::u32string wanted = Folded(parts[next]);
  for (const FolderNames::Name& name : NamesIn(prefix, cache)) {
    if (name.folded == wanted) FindParts(prefix + "/" + name.name, parts, next + 1, cache, found);
  }
}

}  // namespace

namespace os {

// Reads into `bytes` as it is: a buffer of the size of the file before, read
// into again, is not filled with zeros first.
ReadResult ReadInto(const NativeString& path, std::string& bytes) {
  // O_NONBLOCK: a FIFO under a listed name would otherwise wait for a writer.
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd) {
    const OsStatus error = LastError();
    if (IsNotFound(error)) return {};  // missing
    return {error, {}};
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return {LastError(), {}};
  FileFacts facts = FactsOf(path, st);
  if (facts.kind != FileKind::Ordinary) return {{}, facts};
  if (!S_ISREG(st.st_mode)) return {OsStatus{EINVAL}, facts};  // a device, a FIFO or a socket
  // One byte more than the size, so that the usual file is read by one read and its end seen
  // by the next; a file that grows meanwhile is read on to its real end.
  const std::size_t wanted = static_cast<std::size_t>(st.st_size) + 1;
  if (wanted > bytes.capacity()) bytes.clear();  // nothing old to move into a larger buffer
  bytes.resize(wanted);
  std::size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) bytes.resize(bytes.size() * 2);
    const ssize_t n = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
    if (n < 0) {
      if (errno == EINTR) continue;
      return {LastError(), facts};
    }
    if (n == 0) break;
    filled += static_cast<std::size_t>(n);
  }
  bytes.resize(filled);
  return {{}, facts};
}

// Permission as the system decides it for this user's effective identity: a
// file of another user in a folder this user may write is not theirs to
// replace. The rename then happens where a link leads.
ReplaceTarget PrepareReplace(const NativeString& path) {
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return {LastError(), {}, {}};
  return {{}, ResolvedPath(path), {}};
}

std::vector<NativeString> FindInAnyCase(const NativeString& path, FolderNames& folders) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0; start < path.size();) {
    const std::size_t slash = std::min(path.find('/', start), path.size());
    if (slash > start) parts.push_back(std::string_view(path).substr(start, slash - start));
    start = slash + 1;
  }
  std::vector<NativeString> found;
  FindParts({}, parts, 0, folders, found);
  return found;
}

OsStatus FlushFolder(const NativeString& folder) {
  const Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd) return LastError();
  // Some file systems cannot flush a folder; their renames are as durable as they get.
  if (::fsync(fd.get()) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP) {
    return LastError();
  }
  return {};
}

// A new file under `name`, locked and still under that name: a run that took
// the unlocked file for a leftover in the moment between may have removed it.
NewFile CreateNew(const NativeString& name, const NativeString& target) {
  Fd fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (!fd) {
    if (errno == EEXIST) return {{}, true, nullptr};
    return {LastError(), false, nullptr};
  }
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 || !NameIsFile(name, fd.get())) {
    return {{}, true, nullptr};  // someone else's now; try the next name
  }
  return {{}, false, std::make_unique<PosixTempFile>(std::move(fd), name, target)};
}

// Removes a file of ours that no live run holds: one that gives us its lock.
bool RemoveLeftover(const NativeString& name) {
  const Fd fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (!fd || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return false;
  // Under the lock nobody else removes it, so the name cannot change before the unlink.
  return NameIsFile(name, fd.get()) && ::unlink(name.c_str()) == 0;
}

OsStatus AllNamesTaken() { return OsStatus{EEXIST}; }

}  // namespace os

CodePage SystemCodePage() { return CodePage::ForId(932); }

NativeString FullPath(const NativeString& path) {
  if (path.empty()) return {};
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  if (error) return {};
  return full.lexically_normal().native();
}

NativeString FolderOf(const NativeString& fullPath) {
  const std::size_t slash = fullPath.find_last_of('/');
  return slash == NativeString::npos ? NativeString() : fullPath.substr(0, slash);
}

NativeString PathKey(const NativeString& fullPath) { return fullPath; }

std::optional<CodePage> LoadCodePage(unsigned id) {
  const iconv_t cd = ::iconv_open("UTF-8", ("CP" + std::to_string(id)).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  ::iconv_close(cd);
  return CodePage::ForId(id);
}

std::string AnsiToUtf8(std::string_view ansi, unsigned codePage) {
  // An invalid byte becomes '?'; without the converter the bytes stay as they are.
  const iconv_t cd = ::iconv_open("UTF-8", ("CP" + std::to_string(codePage)).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(ansi);
  std::string out(ansi.size() * 3 + 4, '\0');
  char* in = const_cast<char*>(ansi.data());
  std::size_t inLeft = ansi.size();
  char* dst = out.data();
  std::size_t outLeft = out.size();
  while (inLeft > 0) {
    if (::iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) break;
    ++in;  // EILSEQ or EINVAL: skip the byte
    --inLeft;
    *dst++ = '?';
    --outLeft;
  }
  ::iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

NativeString AnsiToNative(std::string_view ansi, unsigned codePage) {
  NativeString out = AnsiToUtf8(ansi, codePage);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

NativeString Utf8ToNative(std::string_view utf8) { return NativeString(utf8); }

std::string NativeToUtf8(const NativeString& native) { return native; }

std::string DescribeOsError(OsStatus status) {
  return std::system_category().message(static_cast<int>(status.code));
}

bool IsNotFound(OsStatus status) { return status.code == ENOENT || status.code == ENOTDIR; }

OsStatus ReadOnlyError() { return OsStatus{EACCES}; }

}  // namespace velmori
