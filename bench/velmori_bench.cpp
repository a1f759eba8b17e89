// Times velmori-cli as a user runs it, and the cleaner in memory, each against
// the floor that any program doing the same work meets:
//
//   velmori_bench [--files=N] [--file-kb=K] [--e2e-iterations=I] [--corpus-mb=M]
//                 [--large-mb=L] [--only=memory|clean|check|peak] [--cli=PATH]
//   velmori_bench --write-project=FOLDER [--files=N] [--file-kb=K]
//                 writes the generated project into FOLDER (to look at it) and exits
//
// The end-to-end rows run the velmori-cli executable over a generated project
// (2,000 sources of 50 KB by default) in a temporary folder, taking turns with
// the floor on the same files; every turn starts from the dirty files, put back
// and flushed untimed, and each side counts its best turn. Peak memory is the
// child's ru_maxrss.

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "bench_table.h"
#include "code_page.h"
#include "source_cleaner.h"
#include "vb6_corpus.h"

extern char** environ;

namespace {

using namespace velmori::bench;
using Clock = std::chrono::steady_clock;
constexpr double kMiB = 1024.0 * 1024.0;

struct Options {
  std::size_t files = 2000;
  std::size_t fileKb = 50;
  std::size_t iterations = 2;
  std::size_t corpusMb = 4;
  std::size_t largeMb = 32;
  std::string only;
  std::string cli = VELMORI_CLI;
  std::string writeProject;
};

volatile std::size_t g_sink;  // what the timed loops compute, so that they are not left out

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// An open file descriptor, closed with its owner.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// ---------------------------------------------------------------------------
// The floors: what any program does at least, in plain POSIX calls.

// open, fstat, read until the end, close.
bool ReadFile(const std::string& path, std::string& bytes) {
  const Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat facts {};
  if (!fd.valid() || ::fstat(fd.get(), &facts) != 0) return false;
  bytes.resize(static_cast<std::size_t>(facts.st_size) + 1);
  std::size_t size = 0;
  for (ssize_t n; (n = ::read(fd.get(), bytes.data() + size, bytes.size() - size)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    size += static_cast<std::size_t>(n);
    if (size == bytes.size()) bytes.resize(2 * size);
  }
  bytes.resize(size);
  return true;
}

// Read, write a temporary file beside it, fsync, rename(2) over the file and
// fsync the folder, as every rename-based program that keeps its files safe does.
bool RewriteFile(const std::string& path, std::string& bytes) {
  if (!ReadFile(path, bytes)) return false;
  const std::string temp = path + ".floor.tmp";
  const Fd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (!out.valid() || !WriteAll(out.get(), bytes) || ::fsync(out.get()) != 0 ||
      ::rename(temp.c_str(), path.c_str()) != 0) {
    return false;
  }
  const Fd folder(
      ::open(path.substr(0, path.rfind('/')).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return folder.valid() && ::fsync(folder.get()) == 0;
}

// ---------------------------------------------------------------------------
// Children, started by a small copy of this process made before anything
// large: a child's ru_maxrss counts the memory of the process that started it
// (the child begins as its copy), so this one would add the generated project.

class Launcher {
 public:
  struct Outcome {
    int exitCode = -1;  // -1: no exit of its own
    double seconds = 0;
    long peakKib = 0;
  };

  Launcher() {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ends[0]);
      Serve(ends[1]);
      ::_exit(0);
    }
    ::close(ends[1]);
    socket_ = Fd(pid_ > 0 ? ends[0] : -1);
  }
  Launcher(const Launcher&) = delete;
  Launcher& operator=(const Launcher&) = delete;
  ~Launcher() {
    socket_ = Fd();  // the end of the requests ends the launcher
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }

  // Runs the program with these arguments (the first is its path) to its end.
  std::optional<Outcome> Run(const std::vector<std::string>& arguments) {
    std::string request;
    for (const std::string& argument : arguments) request += argument + '\0';
    const auto size = static_cast<std::uint32_t>(request.size());
    Outcome outcome;
    if (!socket_.valid() || !WriteAll(socket_.get(), {reinterpret_cast<const char*>(&size), 4}) ||
        !WriteAll(socket_.get(), request) ||
        !ReadExactly(socket_.get(), &outcome, sizeof outcome)) {
      return std::nullopt;
    }
    return outcome;
  }

 private:
  static bool ReadExactly(int fd, void* to, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
      const ssize_t n = ::read(fd, static_cast<char*>(to) + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  static void Serve(int socket) {
    for (std::uint32_t size = 0; ReadExactly(socket, &size, sizeof size);) {
      std::string request(size, '\0');
      if (!ReadExactly(socket, request.data(), size)) return;
      std::vector<char*> argv;
      for (std::size_t at = 0; at < size; at = request.find('\0', at) + 1)
        argv.push_back(&request[at]);
      argv.push_back(nullptr);
      Outcome outcome;
      const Clock::time_point start = Clock::now();
      pid_t child = 0;
      if (::posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        struct rusage usage {};
        while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
        }
        outcome = {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Seconds(Clock::now() - start),
                   usage.ru_maxrss};
      }
      if (!WriteAll(socket, {reinterpret_cast<const char*>(&outcome), sizeof outcome})) return;
    }
  }

  pid_t pid_ = -1;
  Fd socket_;
};

// ---------------------------------------------------------------------------
// A generated project in a temporary folder, removed at the end.

class ProjectOnDisk {
 public:
  explicit ProjectOnDisk(const ProjectShape& shape) : project_(GenerateProject(shape)) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "velmori-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    root_ = pattern;
    std::error_code failed;
    for (const GeneratedSource& source : project_.sources) {
      paths_.push_back(root_ + "/" + source.nativePath);
      std::filesystem::create_directories(std::filesystem::path(paths_.back()).parent_path(),
                                          failed);
    }
    const Fd vbp(::open(projectPath().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    ready_ = !failed && vbp.valid() && WriteAll(vbp.get(), project_.projectBytes) && Restore();
  }
  ProjectOnDisk(const ProjectOnDisk&) = delete;
  ProjectOnDisk& operator=(const ProjectOnDisk&) = delete;
  ~ProjectOnDisk() {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }

  bool ready() const { return ready_; }
  std::string projectPath() const { return root_ + "/" + project_.projectFileName; }
  const std::vector<std::string>& paths() const { return paths_; }
  const GeneratedProject& project() const { return project_; }

  // Puts the generated (dirty) text back into every source and flushes it, so
  // that no write-back of it falls into the turn that follows.
  bool Restore() const {
    for (std::size_t i = 0; i < paths_.size(); ++i) {
      const Fd fd(::open(paths_[i].c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
      if (!fd.valid() || !WriteAll(fd.get(), project_.sources[i].bytes)) return false;
    }
    const Fd root(::open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return root.valid() && ::syncfs(root.get()) == 0;
  }

  // Every source holds its cleaned text and nothing else is in the folder: a
  // run that skipped files would look fast.
  bool IsCleaned() const {
    const velmori::CodePage page = velmori::CodePage::ForId(932);
    std::string expected, actual;
    for (std::size_t i = 0; i < paths_.size(); ++i) {
      velmori::StripComments(project_.sources[i].bytes, page, expected);
      if (!ReadFile(paths_[i], actual) || actual != expected) return false;
    }
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_)) {
      files += entry.is_regular_file();
    }
    return files == paths_.size() + 1;
  }

 private:
  GeneratedProject project_;
  std::string root_;
  std::vector<std::string> paths_;
  bool ready_ = false;
};

bool Fail(const char* what) {
  std::fprintf(stderr, "velmori_bench: %s\n", what);
  return false;
}

// ---------------------------------------------------------------------------
// The rows.

// StripComments against a memchr line scan (each line's length and first byte
// read) of the same sources, taking turns; each keeps its best time, the one
// the machine's other work disturbed least.
Row InMemory(const Options& options) {
  const std::size_t fileBytes = options.fileKb * 1024;
  const GeneratedProject corpus = GenerateProject(
      {std::max<std::size_t>(1, options.corpusMb * 1024 * 1024 / fileBytes), fileBytes, 7, {}});
  const velmori::CodePage page = velmori::CodePage::ForId(932);
  std::string cleaned;
  std::size_t lines = 0, nonAscii = 0, removed = 0, sink = 0;
  for (const GeneratedSource& source : corpus.sources) {
    lines += static_cast<std::size_t>(std::count(source.bytes.begin(), source.bytes.end(), '\n'));
    nonAscii += static_cast<std::size_t>(std::count_if(source.bytes.begin(), source.bytes.end(),
                                                       [](char c) { return (c & 0x80) != 0; }));
    velmori::StripComments(source.bytes, page, cleaned);
    removed += source.bytes.size() - cleaned.size();
  }
  Clock::duration bestClean = Clock::duration::max(), bestScan = Clock::duration::max();
  for (const Clock::time_point end = Clock::now() + std::chrono::seconds(2); Clock::now() < end;) {
    Clock::time_point start = Clock::now();
    for (const GeneratedSource& source : corpus.sources) {
      sink += velmori::StripComments(source.bytes, page, cleaned).changed + cleaned.size();
    }
    bestClean = std::min(bestClean, Clock::now() - start);
    start = Clock::now();
    for (const GeneratedSource& source : corpus.sources) {
      const char* p = source.bytes.data();
      const char* const last = p + source.bytes.size();
      while (p != last) {
        const auto* found =
            static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(last - p)));
        const char* lineEnd = found ? found : last;
        sink += static_cast<std::size_t>(lineEnd - p) + static_cast<unsigned char>(*p);
        p = found ? found + 1 : last;
      }
    }
    bestScan = std::min(bestScan, Clock::now() - start);
  }
  const auto bytes = static_cast<double>(corpus.totalBytes);
  g_sink = sink;
  std::printf("in-memory corpus: %.1f MiB; line %.1f bytes, non-ASCII %.1f %%, removed %.1f %%\n",
              bytes / kMiB, bytes / static_cast<double>(lines),
              100.0 * static_cast<double>(nonAscii) / bytes,
              100.0 * static_cast<double>(removed) / bytes);
  const double cleanRate = bytes / Seconds(bestClean), scanRate = bytes / Seconds(bestScan);
  return {"StripComments / memchr line scan (speed)",
          Figure("%.2f GB/s", cleanRate / 1e9),
          Figure("%.2f GB/s", scanRate / 1e9),
          cleanRate / scanRate,
          false,
          0.8,
          0.9};
}

// The best time of each side's turns (the shared disk only ever adds time)
// and the program's largest peak memory.
struct Turns {
  double program = std::numeric_limits<double>::infinity();
  double floor = std::numeric_limits<double>::infinity();
  long peakKib = 0;
};

// velmori-cli over the project and the floor take turns, each turn starting
// from the dirty files when `restore`.

bool TakeTurns(const Options& options, Launcher& launcher, const ProjectOnDisk& disk,
               const char* command, int exitCode, bool restore, const std::function<bool()>& floor,
               Turns& turns) {
  for (std::size_t i = 0; i < 2 * options.iterations; ++i) {
    if (restore && !disk.Restore()) return Fail("cannot put the dirty sources back");
    if (i % 4 == 0 || i % 4 == 3) {  // floor, program, program, floor, ...
      const Clock::time_point start = Clock::now();
      if (!floor()) return Fail("the floor's file work failed");
      turns.floor = std::min(turns.floor, Seconds(Clock::now() - start));
      continue;
    }
    const auto outcome = launcher.Run({options.cli, command, "--quiet", disk.projectPath()});
    if (!outcome || outcome->exitCode != exitCode)
      return Fail("velmori-cli did not end as expected");
    turns.program = std::min(turns.program, outcome->seconds);
    turns.peakKib = std::max(turns.peakKib, outcome->peakKib);
    if (restore && i < 2 && !disk.IsCleaned())
      return Fail("velmori-cli did not clean every source");
  }
  return true;
}

Row PeakRow(const char* figure, long peakKib, const GeneratedProject& project) {
  const double peak = static_cast<double>(peakKib) / 1024.0;
  const double limit = (3.0 * static_cast<double>(project.largestBytes) + 16 * kMiB) / kMiB;
  return {figure, Figure("%.1f MiB", peak), "", peak, true, limit, 0};
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto value = [&](std::string_view flag, auto& to) {
      if (arg.rfind(flag, 0) != 0) return false;
      if constexpr (std::is_same_v<std::remove_reference_t<decltype(to)>, std::string>) {
        to = arg.substr(flag.size());
      } else {
        to = std::strtoull(argv[i] + flag.size(), nullptr, 10);
      }
      return true;
    };
    if (!value("--files=", options.files) && !value("--file-kb=", options.fileKb) &&
        !value("--e2e-iterations=", options.iterations) &&
        !value("--corpus-mb=", options.corpusMb) && !value("--large-mb=", options.largeMb) &&
        !value("--only=", options.only) && !value("--cli=", options.cli) &&
        !value("--write-project=", options.writeProject)) {
      std::fprintf(stderr, "velmori_bench: unknown option %s\n", argv[i]);
      return false;
    }
  }
  return options.files > 0 && options.fileKb > 0 && options.iterations > 0 &&
         options.corpusMb > 0 && options.largeMb > 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 64;
  const ProjectShape shape{options.files, options.fileKb * 1024, 1, {}};
  if (!options.writeProject.empty()) {
    const GeneratedProject project = GenerateProject(shape);
    const bool written = WriteProject(project, options.writeProject).has_value();
    std::printf("%s %zu sources (%.1f MiB) in %s\n", written ? "wrote" : "could not write",
                project.sources.size(), static_cast<double>(project.totalBytes) / kMiB,
                options.writeProject.c_str());
    return written ? 0 : 1;
  }
  Launcher launcher;  // before anything large is made
  const auto wanted = [&](std::string_view row) {
    return options.only.empty() || options.only == row;
  };
  std::vector<Row> rows;
  if (wanted("memory")) rows.push_back(InMemory(options));

  if (wanted("clean") || wanted("check") || wanted("peak")) {
    const ProjectOnDisk disk(shape);
    if (!disk.ready()) {
      Fail("cannot write the project");
      return 1;
    }
    std::printf("project: %zu sources, %.1f MiB, in %s; %zu turn(s) each\n", disk.paths().size(),
                static_cast<double>(disk.project().totalBytes) / kMiB, disk.projectPath().c_str(),
                options.iterations);
    std::string buffer;
    Turns clean, check;
    if (wanted("clean") || wanted("peak")) {
      const auto rewrite = [&] {
        return std::all_of(disk.paths().begin(), disk.paths().end(),
                           [&](const std::string& path) { return RewriteFile(path, buffer); });
      };
      if (!TakeTurns(options, launcher, disk, "clean", 0, true, rewrite, clean)) return 1;
    }
    if (wanted("clean")) {
      rows.push_back({"velmori-cli clean / read+write+fsync+rename+fsync",
                      Figure("%.2f s", clean.program), Figure("%.2f s", clean.floor),
                      clean.program / clean.floor, true, 1.2, 1.05});
    }
    if (wanted("check")) {
      const auto read = [&] {
        return std::all_of(disk.paths().begin(), disk.paths().end(),
                           [&](const std::string& path) { return ReadFile(path, buffer); });
      };
      if (!disk.Restore() || !TakeTurns(options, launcher, disk, "check", 1, false, read, check))
        return 1;
      rows.push_back({"velmori-cli check / plain read", Figure("%.3f s", check.program),
                      Figure("%.3f s", check.floor), check.program / check.floor, true, 2.0, 1.5});
    }
    if (wanted("peak")) {
      rows.push_back(
          PeakRow("peak memory of velmori-cli clean, this project", clean.peakKib, disk.project()));
    }
  }
  if (wanted("peak")) {
    const ProjectOnDisk large({1, options.largeMb * 1024 * 1024, 2, {}});
    const auto outcome = large.ready()
                             ? launcher.Run({options.cli, "clean", "--quiet", large.projectPath()})
                             : std::nullopt;
    if (!outcome || outcome->exitCode != 0) {
      Fail("velmori-cli did not clean the large source");
      return 1;
    }
    rows.push_back(PeakRow("peak memory of velmori-cli clean, one large source", outcome->peakKib,
                           large.project()));
  }
  PrintTable(rows);
  return 0;
}
