// Times velmori.exe as a user meets it, operated from another process on a
// generated project (Windows, or Wine), against the same file work done plainly:
//  * the whole run (confirmation answered to success message) against a read,
//    temporary write, FlushFileBuffers and rename through the temporary file's
//    own handle (FileRenameInfo, ReplaceIfExists) of the same files;
//  * the re-run on the cleaned project against a plain read of the files;
//  * the longest time the main window took to answer a WM_NULL sent every
//    100 ms during the runs (Windows greys out a window after 5 s).
// Each run and its floor take turns, starting from the same files; each side
// counts its best turn.
//
//   velmori_gui_bench [--files=N] [--file-kb=K] [--e2e-iterations=I] [--exe=PATH]

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "bench_table.h"
#include "messages.h"
#include "os/file_system.h"
#include "os/win32.h"
#include "remote_program.h"
#include "vb6_corpus.h"

namespace {

using Clock = std::chrono::steady_clock;
using velmori::remote::Program;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "gui_bench: %s (error %lu)\n", what, GetLastError());
  std::exit(1);
}

// Open, size, read until the end, close.
std::string ReadAll(const std::wstring& path) {
  const velmori::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) Fail("cannot open a source");
  std::string bytes(static_cast<std::size_t>(size.QuadPart) + 1, '\0');
  std::size_t done = 0;
  for (DWORD read = 0;; done += read) {
    if (done == bytes.size()) bytes.resize(2 * done);
    if (!::ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read,
                    nullptr)) {
      Fail("cannot read a source");
    }
    if (read == 0) break;
  }
  bytes.resize(done);
  return bytes;
}

// Writes `bytes` to the open file and flushes them to the disk.
void WriteFlushed(const velmori::UniqueFile& file, const std::string& bytes) {
  DWORD written = 0;
  if (!file ||
      !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size() || !FlushFileBuffers(file.get())) {
    Fail("cannot write a file");
  }
}

// What a careful program does at least for each file: read it, write the new
// text to a temporary file beside it, flush that and rename it over the file
// through its own handle.
Clock::duration PlainRewrite(const std::vector<std::wstring>& files) {
  const auto start = Clock::now();
  for (const std::wstring& path : files) {
    const std::string bytes = ReadAll(path);
    const velmori::UniqueFile temp(CreateFileW((path + L".floor.tmp").c_str(),
                                               GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    WriteFlushed(temp, bytes);
    const std::wstring name = L"\\??\\" + path;
    std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFO, FileName) +
                                      (name.size() + 1) * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::copy(name.begin(), name.end(), rename->FileName);
    if (!SetFileInformationByHandle(temp.get(), FileRenameInfo, rename,
                                    static_cast<DWORD>(buffer.size()))) {
      Fail("cannot rename a temporary file");
    }
  }
  return Clock::now() - start;
}

Clock::duration PlainRead(const std::vector<std::wstring>& files) {
  const auto start = Clock::now();
  std::size_t total = 0;
  for (const std::wstring& path : files) total += ReadAll(path).size();
  if (total == 0) Fail("nothing read");
  return Clock::now() - start;
}

struct RunTiming {
  Clock::duration whole{};
  Clock::duration longestWait{};  // the longest a WM_NULL waited for an answer
};

// Starts a run (typing the path the first time, pressing Enter after), answers
// the confirmation and waits for the success message, asking the main window
// every 100 ms whether it answers.
RunTiming TimeRun(Program& program, const std::wstring& project, bool typePath) {
  HWND main = typePath ? program.Start(project) : program.main();
  if (!main) Fail("no main window");
  if (!typePath) program.PressEnter();
  const HWND confirmation = program.Confirmation();
  if (!confirmation) Fail("no confirmation");

  std::atomic<bool> running{true};
  std::atomic<long long> longest{0};
  std::thread sampler([&] {
    while (running) {
      const auto asked = Clock::now();
      DWORD_PTR result = 0;
      SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
      const long long waited =
          std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - asked).count();
      longest = std::max(longest.load(), waited);
      std::this_thread::sleep_until(asked + std::chrono::milliseconds(100));
    }
  });
  const auto start = Clock::now();
  PostMessageW(GetDlgItem(confirmation, IDOK), BM_CLICK, 0, 0);
  const HWND success =
      program.Box(velmori::Utf8ToNative(velmori::text::kSuccess), std::chrono::minutes(10));
  RunTiming timing;
  timing.whole = Clock::now() - start;
  running = false;
  sampler.join();
  if (!success) Fail("no success message");
  timing.longestWait = std::chrono::microseconds(longest.load());
  PostMessageW(GetDlgItem(success, IDOK), BM_CLICK, 0, 0);
  velmori::remote::WaitFor([&] { return IsWindowEnabled(main) ? main : nullptr; });
  return timing;
}

long ArgValue(int argc, wchar_t** argv, const wchar_t* name, long fallback) {
  const std::wstring prefix = std::wstring(L"--") + name + L"=";
  for (int i = 1; i < argc; ++i) {
    if (std::wstring(argv[i]).rfind(prefix, 0) == 0)
      return std::wcstol(argv[i] + prefix.size(), nullptr, 10);
  }
  return fallback;
}

std::wstring ExePath(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg.rfind(L"--exe=", 0) == 0) return arg.substr(6);
  }
  return L"velmori.exe";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace velmori::bench;
  ProjectShape shape;
  shape.fileCount = static_cast<std::size_t>(std::max(1L, ArgValue(argc, argv, L"files", 2000)));
  shape.fileBytes =
      static_cast<std::size_t>(std::max(1L, ArgValue(argc, argv, L"file-kb", 50))) * 1024;
  const long iterations = std::max(1L, ArgValue(argc, argv, L"e2e-iterations", 1));
  const GeneratedProject generated = GenerateProject(shape);

  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      (L"velmori-gui-bench-" + std::to_wstring(GetCurrentProcessId()));
  const std::wstring project = (folder / generated.projectFileName).wstring();
  const auto written = WriteProject(generated, folder);
  if (!written) Fail("cannot write the project");
  std::vector<std::wstring> files;  // with backslashes: the rename takes an NT name
  for (std::filesystem::path path : *written) files.push_back(path.make_preferred().wstring());
  std::printf("project: %zu sources, %.1f MiB, in %ls; %ld turn(s) each\n", files.size(),
              static_cast<double>(generated.totalBytes) / (1 << 20), folder.c_str(), iterations);

  Program program(ExePath(argc, argv));
  // The best of each side's turns: the shared disk only ever adds time.
  constexpr double kNone = std::numeric_limits<double>::infinity();
  double rewrite = kNone, whole = kNone, read = kNone, rerun = kNone;
  Clock::duration longestWait{};
  for (long i = 0; i < iterations; ++i) {
    // The dirty files, flushed, as the floor leaves them too; not timed.
    for (std::size_t f = 0; f < files.size(); ++f) {
      WriteFlushed(velmori::UniqueFile(CreateFileW(files[f].c_str(), GENERIC_WRITE, 0, nullptr,
                                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)),
                   generated.sources[f].bytes);
    }
    rewrite = std::min(rewrite, Seconds(PlainRewrite(files)));
    const RunTiming first = TimeRun(program, project, i == 0);
    // On the cleaned files, the re-run and the plain read take turns.
    if (i % 2 == 1) read = std::min(read, Seconds(PlainRead(files)));
    const RunTiming again = TimeRun(program, project, false);
    if (i % 2 == 0) read = std::min(read, Seconds(PlainRead(files)));
    whole = std::min(whole, Seconds(first.whole));
    rerun = std::min(rerun, Seconds(again.whole));
    longestWait = std::max({longestWait, first.longestWait, again.longestWait});
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);

  const double waitMs = Seconds(longestWait) * 1000;
  PrintTable({
      {"window: whole run / read+write+flush+rename by handle", Figure("%.2f s", whole),
       Figure("%.2f s", rewrite), whole / rewrite, true, 1.3, 1.1},
      {"window: re-run on the cleaned project / plain read", Figure("%.2f s", rerun),
       Figure("%.2f s", read), rerun / read, true, 1.5, 1.2},
      {"window: longest wait for an answer to WM_NULL (ms)", Figure("%.0f ms", waitMs), "", waitMs,
       true, 250, 100},
  });
  return 0;
}
