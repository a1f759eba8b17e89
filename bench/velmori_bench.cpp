// Benchmarks of the comment cleaner, in memory and over a whole project on disk.
//
//   velmori_bench [--files=N] [--file-kb=K] [--corpus-mb=M] [--large-mb=L] [--e2e-iterations=I]
//                 [Google Benchmark flags, e.g. --benchmark_filter=InMemory]
//   velmori_bench --write-project=FOLDER [--files=N] [--file-kb=K]
//                 writes the generated project into FOLDER (to look at it) and exits
//
// Prints, in one run:
//  * InMemory/StripComments against InMemory/MemchrLineScan: bytes per second over
//    the same generated corpus (default 4 MiB of 50 KB sources);
//  * EndToEnd/CleanProject_vs_PlainRewrite: seconds per run of CleanProject over a
//    generated project of 2,000 sources of about 50 KB in a temporary folder, and
//    of a plain read, write to a new file and rename over the same files, taking
//    turns. Every turn starts from dirty files again; restoring them is not timed;
//  * EndToEnd/PeakMemory/Project and /OneLargeFile: the peak resident memory
//    (VmHWM) of a separate process that runs CleanProject once over that project,
//    and over a project of one source of 32 MiB;
// and then a summary that sets the figures against their targets.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "code_page.h"
#include "messages.h"
#include "os/file_system.h"
#include "project_run.h"
#include "source_cleaner.h"
#include "ui_port.h"
#include "vb6_corpus.h"

extern char** environ;

namespace {

using velmori::CodePage;
using velmori::bench::GeneratedProject;
using velmori::bench::GenerateProject;
using velmori::bench::ProjectShape;
using Clock = std::chrono::steady_clock;

constexpr double kMiB = 1024.0 * 1024.0;

struct Options {
  std::string writeProject;
  std::size_t files = 2000;
  std::size_t fileKb = 50;
  std::size_t corpusMb = 4;
  std::size_t largeMb = 32;
  int e2eIterations = 3;
};
Options g_options;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// ---------------------------------------------------------------------------
// UI port stand-ins: nothing is shown; a message means the run went wrong.

class NoProgress final : public velmori::RunProgress {
 public:
  void RunStarted() override {}
  void CategoryStarted(std::int32_t, const std::string&) override {}
  void FileDone(std::int32_t) override {}
  void RunEnded() override {}
};

class KeptMessages final : public velmori::RunObserver {
 public:
  void RunFailed(const velmori::RunFailure& failure) override {
    if (first.empty()) first = velmori::FailureText(failure);
    ++count;
  }
  std::string first;
  int count = 0;
};

// ---------------------------------------------------------------------------
// Files, through the core's own file layer.

// Puts `bytes` in the place of `path`, whether or not a file is there: a new
// file beside it, written and then renamed over it, as a run replaces a file.
bool ReplaceWith(const std::string& path, std::string_view bytes) {
  velmori::TempResult temp = velmori::SystemFileSystem().CreateTempBeside(path);
  return temp.status.ok() && temp.file->Write(bytes).ok() && temp.file->MoveOver().ok();
}

// The baseline: read each file, write its bytes to a new file in the same folder
// and rename that over the original.
bool PlainRewrite(const std::vector<std::string>& paths, std::string& buffer, std::string& error) {
  for (const std::string& path : paths) {
    if (!velmori::SystemFileSystem().Read(path, buffer).status.ok()) {
      error = "cannot read " + path;
      return false;
    }
    if (!ReplaceWith(path, buffer)) {
      error = "cannot rewrite " + path;
      return false;
    }
  }
  return true;
}

// Peak resident memory of this process so far, from /proc/self/status.
std::uint64_t PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtoull(line.c_str() + 6, nullptr, 10) * 1024u;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// The in-memory corpus: sources of every kind, about 50 KB each.

const std::vector<std::string>& Corpus() {
  static const std::vector<std::string> corpus = [] {
    ProjectShape shape;
    shape.fileBytes = g_options.fileKb * 1024;
    shape.fileCount = std::max<std::size_t>(1, g_options.corpusMb * 1024 * 1024 / shape.fileBytes);
    shape.seed = 7;
    GeneratedProject project = GenerateProject(shape);
    std::vector<std::string> sources;
    for (auto& source : project.sources) sources.push_back(std::move(source.bytes));
    return sources;
  }();
  return corpus;
}

std::int64_t CorpusBytes() {
  std::int64_t total = 0;
  for (const auto& source : Corpus()) total += static_cast<std::int64_t>(source.size());
  return total;
}

void StripCommentsInMemory(benchmark::State& state) {
  const auto& corpus = Corpus();
  const CodePage page = CodePage::ForId(932);
  std::string cleaned;
  for (auto _ : state) {
    for (const std::string& source : corpus) {
      velmori::StripComments(source, page, cleaned);
      benchmark::DoNotOptimize(cleaned.data());
      benchmark::ClobberMemory();
    }
  }
  state.SetBytesProcessed(state.iterations() * CorpusBytes());
  // What the corpus is made of, to compare runs on other corpora.
  std::uint64_t lines = 0;
  std::uint64_t nonAscii = 0;
  std::uint64_t removed = 0;
  for (const std::string& source : corpus) {
    for (const char c : source) {
      lines += c == '\n';
      nonAscii += static_cast<unsigned char>(c) >= 0x80;
    }
    velmori::StripComments(source, page, cleaned);
    removed += source.size() - std::min(source.size(), cleaned.size());
  }
  const double bytes = static_cast<double>(CorpusBytes());
  state.counters["MiB"] = bytes / kMiB;
  state.counters["line_bytes"] = bytes / static_cast<double>(lines);
  state.counters["non_ascii_%"] = 100.0 * static_cast<double>(nonAscii) / bytes;
  state.counters["removed_%"] = 100.0 * static_cast<double>(removed) / bytes;
}

void MemchrLineScanInMemory(benchmark::State& state) {
  const auto& corpus = Corpus();
  for (auto _ : state) {
    std::uint64_t touched = 0;
    for (const std::string& source : corpus) {
      const char* p = source.data();
      const char* const end = p + source.size();
      while (p != end) {
        const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        const char* lineEnd = found ? static_cast<const char*>(found) : end;
        // Touch the line: its length and its first byte.
        touched += static_cast<std::uint64_t>(lineEnd - p) + static_cast<unsigned char>(*p);
        p = found ? lineEnd + 1 : end;
      }
    }
    benchmark::DoNotOptimize(touched);
  }
  state.SetBytesProcessed(state.iterations() * CorpusBytes());
}

// ---------------------------------------------------------------------------
// The project on disk, shared by the end-to-end benchmarks.

class ProjectOnDisk {
 public:
  // The project of the end-to-end runs: 2,000 sources of about 50 KB by default.
  static ProjectOnDisk& Standard() {
    static ProjectOnDisk instance(ProjectShape{g_options.files, g_options.fileKb * 1024, 1, {}});
    return instance;
  }
  // A project of one large source, where three times the largest file is the
  // bigger part of the memory limit.
  static ProjectOnDisk& OneLargeFile() {
    static ProjectOnDisk instance(ProjectShape{1, g_options.largeMb * 1024 * 1024, 2, {}});
    return instance;
  }

  ProjectOnDisk(const ProjectOnDisk&) = delete;
  ProjectOnDisk& operator=(const ProjectOnDisk&) = delete;

  ~ProjectOnDisk() {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }

  const std::string& projectPath() const { return projectPath_; }
  const std::vector<std::string>& paths() const { return paths_; }
  const GeneratedProject& project() const { return project_; }
  const std::string& error() const { return error_; }

  // Writes every source back with its original (dirty) bytes and flushes the
  // page cache, so that no write-back of the restore falls into a timed run.
  bool Restore() {
    for (std::size_t i = 0; i < paths_.size(); ++i) {
      if (!ReplaceWith(paths_[i], project_.sources[i].bytes)) {
        error_ = "cannot restore " + paths_[i];
        return false;
      }
    }
    ::sync();
    return true;
  }

  // Every source on disk must hold exactly its cleaned text, and nothing else
  // may have appeared in the project folder (no temporary file left behind).
  bool CheckCleaned(std::string& error) const {
    const CodePage page = CodePage::ForId(932);
    std::string expected;
    std::string actual;
    for (std::size_t i = 0; i < paths_.size(); ++i) {
      velmori::StripComments(project_.sources[i].bytes, page, expected);
      if (expected == project_.sources[i].bytes) {
        error = "generated source has no comment: " + paths_[i];
        return false;
      }
      if (!velmori::SystemFileSystem().Read(paths_[i], actual).status.ok() || actual != expected) {
        error = "not cleaned as expected: " + paths_[i];
        return false;
      }
    }
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_)) {
      if (entry.is_regular_file()) ++entries;
    }
    if (entries != paths_.size() + 1) {
      error = "the project folder holds " + std::to_string(entries) + " files instead of " +
              std::to_string(paths_.size() + 1);
      return false;
    }
    return true;
  }

 private:
  explicit ProjectOnDisk(const ProjectShape& shape) {
    project_ = GenerateProject(shape);

    std::string pattern =
        (std::filesystem::temp_directory_path() / "velmori-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      error_ = "cannot create a temporary folder";
      return;
    }
    root_ = pattern;
    projectPath_ = root_ + "/" + project_.projectFileName;
    // The files come in the order a run takes them; the baseline follows it.
    std::error_code failed;
    for (const auto& source : project_.sources) {
      paths_.push_back(root_ + "/" + source.nativePath);
      std::filesystem::create_directories(std::filesystem::path(paths_.back()).parent_path(),
                                          failed);
    }
    // The sources themselves are written by Restore, before every turn.
    if (failed || !ReplaceWith(projectPath_, project_.projectBytes))
      error_ = "cannot write the project";
  }

  GeneratedProject project_;
  std::string root_;
  std::string projectPath_;
  std::vector<std::string> paths_;
  std::string error_;
};

double CpuSeconds() {
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CleanProject and the plain rewrite take turns over the same files, so both
// meet the disk in the same state; which goes first alternates. The time of
// the row is CleanProject's; the plain rewrite's is in the counters. Restoring
// the files before each turn is not timed (manual time, and paused for the CPU
// column, which is CleanProject's CPU time).
void CleanProjectAgainstPlainRewrite(benchmark::State& state) {
  ProjectOnDisk& disk = ProjectOnDisk::Standard();
  if (!disk.error().empty()) {
    state.SkipWithError(disk.error().c_str());
    return;
  }
  static std::string failure;
  NoProgress progress;
  std::string buffer;
  bool checked = false;
  double cleanTotal = 0;
  double plainTotal = 0;
  double plainCpuTotal = 0;
  std::int64_t pairs = 0;
  for (auto _ : state) {
    const bool plainFirst = pairs++ % 2 == 1;
    for (int turn = 0; turn < 2; ++turn) {
      state.PauseTiming();
      if (!disk.Restore()) {
        state.SkipWithError(disk.error().c_str());
        return;
      }
      if ((turn == 0) == plainFirst) {
        const double cpuStart = CpuSeconds();
        const Clock::time_point start = Clock::now();
        const bool rewritten = PlainRewrite(disk.paths(), buffer, failure);
        plainTotal += Seconds(Clock::now() - start);
        plainCpuTotal += CpuSeconds() - cpuStart;
        if (!rewritten) {
          state.SkipWithError(failure.c_str());
          return;
        }
        state.ResumeTiming();
        continue;
      }
      KeptMessages messages;
      const velmori::RunContext context{velmori::SystemFileSystem(), progress, messages,
                                        CodePage::ForId(932)};
      state.ResumeTiming();
      const Clock::time_point start = Clock::now();
      const bool cleaned = velmori::CleanProject(context, disk.projectPath());
      const double seconds = Seconds(Clock::now() - start);
      state.SetIterationTime(seconds);
      cleanTotal += seconds;
      if (!cleaned || messages.count != 0) {
        failure = "CleanProject failed: " + messages.first;
        state.SkipWithError(failure.c_str());
        return;
      }
      if (!checked) {
        // A run that skipped files would look fast.
        state.PauseTiming();
        if (!disk.CheckCleaned(failure)) {
          state.SkipWithError(failure.c_str());
          return;
        }
        checked = true;
        state.ResumeTiming();
      }
    }
  }
  const double iterations = static_cast<double>(state.iterations());
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(disk.project().totalBytes));
  state.counters["files"] = static_cast<double>(disk.paths().size());
  state.counters["plain_ms"] = 1000.0 * plainTotal / iterations;
  state.counters["plain_cpu_ms"] = 1000.0 * plainCpuTotal / iterations;
  state.counters["ratio"] = cleanTotal / plainTotal;
}

// ---------------------------------------------------------------------------
// Peak memory, measured in a process of its own so that nothing of this one
// (the generated project, the benchmark library) is counted.

struct ChildReport {
  bool ok = false;
  std::uint64_t startBytes = 0;
  std::uint64_t peakBytes = 0;
  std::string message;
};

std::string SelfPath() {
  std::string path(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  path.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return path;
}

std::optional<ChildReport> RunPeakChild(const std::string& projectPath) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;  // dup2 gives the child a plain stdout
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  std::string self = SelfPath();
  std::string mode = "--peak-child";
  std::string project = projectPath;
  char* argv[] = {self.data(), mode.data(), project.data(), nullptr};
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  std::string output;
  char chunk[512];
  for (ssize_t n; (n = ::read(pipeFds[0], chunk, sizeof chunk)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    output.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  if (spawned != 0) return std::nullopt;
  int status = 0;
  ::waitpid(pid, &status, 0);

  ChildReport report;
  unsigned ok = 0;
  unsigned long long start = 0;
  unsigned long long peak = 0;
  if (std::sscanf(output.c_str(), "ok=%u start=%llu peak=%llu", &ok, &start, &peak) != 3)
    return std::nullopt;
  report.ok = ok == 1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  report.startBytes = start;
  report.peakBytes = peak;
  const std::size_t newline = output.find('\n');
  if (newline != std::string::npos) report.message = output.substr(newline + 1);
  return report;
}

int PeakChildMain(const char* projectPath) {
  const std::uint64_t start = PeakResidentBytes();
  NoProgress progress;
  KeptMessages messages;
  const velmori::RunContext context{velmori::SystemFileSystem(), progress, messages,
                                    CodePage::ForId(932)};
  const bool cleaned = velmori::CleanProject(context, projectPath);
  const std::uint64_t peak = PeakResidentBytes();
  std::printf("ok=%u start=%" PRIu64 " peak=%" PRIu64 "\n%s",
              (cleaned && messages.count == 0) ? 1u : 0u, start, peak, messages.first.c_str());
  return cleaned ? 0 : 1;
}

void PeakMemoryEndToEnd(benchmark::State& state, ProjectOnDisk& (*project)()) {
  ProjectOnDisk& disk = project();
  if (!disk.error().empty()) {
    state.SkipWithError(disk.error().c_str());
    return;
  }
  ChildReport report;
  for (auto _ : state) {
    state.PauseTiming();
    if (!disk.Restore()) {
      state.SkipWithError(disk.error().c_str());
      return;
    }
    state.ResumeTiming();
    const Clock::time_point start = Clock::now();
    const std::optional<ChildReport> child = RunPeakChild(disk.projectPath());
    state.SetIterationTime(Seconds(Clock::now() - start));
    if (!child || !child->ok) {
      static std::string failure;
      failure =
          "the measuring process failed: " + (child ? child->message : std::string("no report"));
      state.SkipWithError(failure.c_str());
      return;
    }
    report = *child;
  }
  const double largest = static_cast<double>(disk.project().largestBytes);
  state.counters["peak_MiB"] = static_cast<double>(report.peakBytes) / kMiB;
  state.counters["start_MiB"] = static_cast<double>(report.startBytes) / kMiB;
  state.counters["files"] = static_cast<double>(disk.paths().size());
  state.counters["largest_MiB"] = largest / kMiB;
  state.counters["limit_MiB"] = (3.0 * largest + 16.0 * kMiB) / kMiB;
}

// ---------------------------------------------------------------------------
// Console output as usual, with the runs kept for the summary.

class KeepingReporter final : public benchmark::ConsoleReporter {
 public:
  explicit KeepingReporter(OutputOptions options) : ConsoleReporter(options) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred)
        kept[run.benchmark_name()] = run;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  const Run* Find(const std::string& prefix) const {
    for (const auto& [name, run] : kept) {
      if (name.rfind(prefix, 0) == 0) return &run;
    }
    return nullptr;
  }

  std::map<std::string, Run> kept;
};

double SecondsPerIteration(const benchmark::BenchmarkReporter::Run& run) {
  return run.real_accumulated_time / static_cast<double>(run.iterations);
}

double Counter(const benchmark::BenchmarkReporter::Run& run, const char* name) {
  const auto found = run.counters.find(name);
  return found == run.counters.end() ? 0.0 : found->second.value;
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

void PrintSummary(const KeepingReporter& reporter) {
  std::printf("\nAgainst the targets\n");
  const auto* strip = reporter.Find("InMemory/StripComments");
  const auto* scan = reporter.Find("InMemory/MemchrLineScan");
  if (strip && scan) {
    const double bytes = static_cast<double>(CorpusBytes());
    const double stripRate = bytes / SecondsPerIteration(*strip);
    const double scanRate = bytes / SecondsPerIteration(*scan);
    const double ratio = stripRate / scanRate;
    std::printf(
        "  in memory:   StripComments %.2f GB/s, memchr line scan %.2f GB/s over %.1f MiB:\n"
        "               %.2f of the line scan's speed (target at least 0.50): %s\n",
        stripRate / 1e9, scanRate / 1e9, bytes / kMiB, ratio, Verdict(ratio >= 0.5));
  }
  const auto* paired = reporter.Find("EndToEnd/CleanProject_vs_PlainRewrite");
  if (paired) {
    const double cleanSeconds = SecondsPerIteration(*paired);
    const double plainSeconds = Counter(*paired, "plain_ms") / 1000.0;
    const double ratio = Counter(*paired, "ratio");
    std::printf(
        "  end to end:  CleanProject %.2f s, plain read/write/rename %.2f s for %.0f files:\n"
        "               %.2f times the plain rewrite (target at most 1.30): %s\n",
        cleanSeconds, plainSeconds, Counter(*paired, "files"), ratio, Verdict(ratio <= 1.3));
  }
  for (const auto& [name, run] : reporter.kept) {
    if (name.rfind("EndToEnd/PeakMemory/", 0) != 0) continue;
    const double peakMiB = Counter(run, "peak_MiB");
    const double limitMiB = Counter(run, "limit_MiB");
    std::printf(
        "  peak memory: %.1f MiB for a CleanProject process over %.0f file(s) (%.1f MiB at its "
        "start);\n"
        "               largest file %.2f MiB, limit 3 x largest + 16 MiB = %.1f MiB: %s\n",
        peakMiB, Counter(run, "files"), Counter(run, "start_MiB"), Counter(run, "largest_MiB"),
        limitMiB, Verdict(peakMiB < limitMiB));
  }
}

// Takes this program's own flags out of argv.
void ParseOwnFlags(int& argc, char** argv) {
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&](std::string_view flag, auto& target) {
      if (arg.rfind(flag, 0) != 0) return false;
      const long long parsed = std::atoll(argv[i] + flag.size());
      if (parsed > 0) target = static_cast<std::remove_reference_t<decltype(target)>>(parsed);
      return true;
    };
    if (arg.rfind("--write-project=", 0) == 0) {
      g_options.writeProject = std::string(arg.substr(16));
      continue;
    }
    if (value("--files=", g_options.files) || value("--file-kb=", g_options.fileKb) ||
        value("--corpus-mb=", g_options.corpusMb) || value("--large-mb=", g_options.largeMb) ||
        value("--e2e-iterations=", g_options.e2eIterations)) {
      continue;
    }
    argv[kept++] = argv[i];
  }
  argc = kept;
  argv[argc] = nullptr;
}

// Writes the generated project as the end-to-end benchmarks see it.
int WriteProjectTo(const std::string& folder) {
  ProjectShape shape;
  shape.fileCount = g_options.files;
  shape.fileBytes = g_options.fileKb * 1024;
  shape.seed = 1;
  const GeneratedProject project = GenerateProject(shape);
  const bool ok = WriteProject(project, folder).has_value();
  std::printf("%s %zu files (%.1f MiB) in %s\n", ok ? "wrote" : "could not write",
              project.sources.size(), static_cast<double>(project.totalBytes) / kMiB,
              folder.c_str());
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string_view(argv[1]) == "--peak-child") return PeakChildMain(argv[2]);

  ParseOwnFlags(argc, argv);
  if (!g_options.writeProject.empty()) return WriteProjectTo(g_options.writeProject);
  benchmark::RegisterBenchmark("InMemory/StripComments", StripCommentsInMemory)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("InMemory/MemchrLineScan", MemchrLineScanInMemory)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("EndToEnd/CleanProject_vs_PlainRewrite",
                               CleanProjectAgainstPlainRewrite)
      ->UseManualTime()
      ->Iterations(g_options.e2eIterations)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("EndToEnd/PeakMemory/Project", PeakMemoryEndToEnd,
                               &ProjectOnDisk::Standard)
      ->UseManualTime()
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("EndToEnd/PeakMemory/OneLargeFile", PeakMemoryEndToEnd,
                               &ProjectOnDisk::OneLargeFile)
      ->UseManualTime()
      ->Iterations(1)
      ->Unit(benchmark::kMillisecond);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  KeepingReporter reporter(::isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                                   : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter);
  benchmark::Shutdown();
  return 0;
}
