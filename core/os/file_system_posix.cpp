// The file layer on POSIX systems, where the core is developed and tested.
// Source and project files are code page 932 bytes; paths are UTF-8 with '/'.

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

class PosixFileSystem final : public FileSystem {
 public:
  // A name beginning with "." counts as hidden, as Windows programs see it under Wine.
  FileInfo Probe(const NativeString& path) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    const std::string_view name = NameOf(path);
    return FileInfo{name.empty() || name.front() != '.', (st.st_mode & S_IWUSR) == 0};
  }

  OsStatus ReadAll(const NativeString& path, std::string& bytes) override {
    bytes.clear();
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return LastError();
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return LastError();
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
        return LastError();
      }
      filled += static_cast<std::size_t>(n);
      if (static_cast<std::size_t>(n) < want) break;
    }
    bytes.resize(filled);
    return {};
  }

  OsStatus CreateTempBeside(const NativeString& file, NativeString& tempPath) override {
    constexpr int kAttempts = 100;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
      NativeString candidate = file + ".velmori" + std::to_string(attempt) + ".tmp";
      Fd fd(::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
      if (fd.valid()) {
        tempPath = std::move(candidate);
        return fd.Close();
      }
      if (errno != EEXIST) return LastError();
    }
    return OsStatus{EEXIST};
  }

  OsStatus Append(const NativeString& path, std::string_view bytes) override {
    Fd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    if (!fd.valid()) return LastError();
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd.get(), bytes.data(), bytes.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        return LastError();
      }
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return fd.Close();
  }

  OsStatus Replace(const NativeString& target, const NativeString& replacement) override {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) return LastError();
    if (::chmod(replacement.c_str(), st.st_mode & 07777) != 0) return LastError();
    if (::rename(replacement.c_str(), target.c_str()) != 0) return LastError();
    return {};
  }

  void Remove(const NativeString& path) override { ::unlink(path.c_str()); }
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

NativeString AnsiToNative(std::string_view ansi) {
  // Decode code page 932 to UTF-8; an invalid byte becomes '?'.
  NativeString out;
  iconv_t cd = ::iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return NativeString(ansi);
  out.resize(ansi.size() * 3 + 4);
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
