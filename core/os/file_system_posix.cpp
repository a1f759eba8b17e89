// The file layer on POSIX systems, where the core is developed and tested.
// Source and project files are code page 932 bytes; paths are UTF-8 with '/'.

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "file_system.h"

namespace velmori {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd& operator=(Fd&&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now, so that a failure of close is seen.
  OsStatus Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return OsStatus{result == 0 ? 0u : static_cast<std::uint32_t>(errno)};
  }

 private:
  int fd_;
};

OsStatus LastError() { return OsStatus{static_cast<std::uint32_t>(errno)}; }

std::string_view NameOf(const NativeString& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == NativeString::npos ? std::string_view(path)
                                     : std::string_view(path).substr(slash + 1);
}

// A name beginning with "." counts as hidden, as Windows programs see it under Wine.
FileFacts FactsOf(const NativeString& path, const struct stat& st) {
  FileFacts facts;
  const std::string_view name = NameOf(path);
  facts.ordinary = S_ISREG(st.st_mode) && !name.empty() && name.front() != '.';
  facts.readOnly = (st.st_mode & S_IWUSR) == 0;
  facts.attributes = static_cast<std::uint32_t>(st.st_mode);
  return facts;
}

FileFacts ProbeByName(const NativeString& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return FactsOf(path, st);
}

// The path to rewrite a file at: where a link leads, otherwise the path itself
// (a linked folder on the way is harmless: the rename stays in the real folder).
NativeString ResolvedPath(const NativeString& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  return real ? NativeString(real.get()) : path;
}

class PosixTempFile final : public TempFile {
 public:
  PosixTempFile(int fd, NativeString path, NativeString target)
      : fd_(fd), path_(std::move(path)), target_(std::move(target)) {}
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
    return {};
  }

  OsStatus CopyMetadata(const FileFacts& target) override {
    if (::fchmod(fd_.get(), static_cast<mode_t>(target.attributes & 07777)) != 0) {
      return LastError();
    }
    return {};
  }

  // rename(2) swaps the name over in one step.
  OsStatus MoveOver() override {
    if (::rename(path_.c_str(), target_.c_str()) != 0) return LastError();
    fd_.Close();
    return {};
  }

  bool Discard() override {
    if (!fd_.valid()) return true;  // moved over, abandoned or discarded already
    fd_.Close();
    for (int attempt = 0; attempt < 20; ++attempt) {
      if (::unlink(path_.c_str()) == 0 || errno == ENOENT) return true;
      if (errno != EBUSY && errno != EINTR) return false;
      ::usleep(50'000);
    }
    return false;
  }

  void Abandon() override { fd_.Close(); }

 private:
  Fd fd_;
  NativeString path_;
  NativeString target_;
};

class PosixOpenFile final : public OpenFile {
 public:
  explicit PosixOpenFile(NativeString path) : path_(std::move(path)) {}
  NativeString RealPath() const override { return ResolvedPath(path_); }

 private:
  NativeString path_;
};

class PosixFileSystem final : public FileSystem {
 public:
  ReadResult Read(const NativeString& path, std::string& bytes) override {
    bytes.clear();
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
      const OsStatus error = LastError();
      return {error, ProbeByName(path)};
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
      const OsStatus error = LastError();
      FileFacts facts;
      facts.ordinary = true;  // reported, not skipped
      return {error, facts};
    }
    FileFacts facts = FactsOf(path, st);
    if (!facts.ordinary) return {{}, facts};
    // One byte more than the size: a read of a regular file comes back short
    // only at its end, so one read usually both fills the buffer and sees the end.
    bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t filled = 0;
    for (;;) {
      if (filled == bytes.size()) bytes.resize(bytes.size() * 2);
      const std::size_t want = bytes.size() - filled;
      const ssize_t n = ::read(fd.get(), bytes.data() + filled, want);
      if (n < 0) {
        if (errno == EINTR) continue;
        bytes.clear();
        return {LastError(), facts};
      }
      filled += static_cast<std::size_t>(n);
      if (static_cast<std::size_t>(n) < want) break;
    }
    bytes.resize(filled);
    return {{}, facts, std::make_unique<PosixOpenFile>(path)};
  }

  TempResult CreateTempBeside(const NativeString& file) override {
    constexpr int kAttempts = 100;
    bool removedStale = false;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
      NativeString candidate = file + ".velmori" + std::to_string(attempt) + ".tmp";
      const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd >= 0) return {{}, std::make_unique<PosixTempFile>(fd, std::move(candidate), file)};
      if (errno != EEXIST) return {LastError(), nullptr};
      // Nothing tells a file that a killed run left from one in use; a run
      // never keeps one beyond the file it cleans, so take its name.
      if (!removedStale && ::unlink(candidate.c_str()) == 0) {
        removedStale = true;
        --attempt;
      }
    }
    return {OsStatus{EEXIST}, nullptr};
  }
};

}  // namespace

FileSystem& SystemFileSystem() {
  static PosixFileSystem files;
  return files;
}

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

OsStatus ReadOnlyError() { return OsStatus{EACCES}; }

}  // namespace velmori
