// Times velmori.exe as a user meets it, operated from another process on a
// generated project (Windows, or Wine): the whole run against a plain read,
// temporary write and ReplaceFileW of the same files; the re-run of the cleaned
// project against a plain read; and how long the main window keeps the system
// waiting for an answer while a run lasts.
//
//   velmori_gui_bench [--files=N] [--file-kb=K] [--exe=PATH]

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "messages.h"
#include "os/file_system.h"
#include "remote_program.h"
#include "vb6_corpus.h"

namespace {

using Clock = std::chrono::steady_clock;
using velmori::remote::Program;

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "gui_bench: %s (error %lu)\n", what, GetLastError());
  std::exit(1);
}

std::string ReadAll(const std::wstring& path) {
  Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) Fail("cannot open a source");
  LARGE_INTEGER size{};
  GetFileSizeEx(file.get(), &size);
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
    Fail("cannot read a source");
  }
  bytes.resize(read);
  return bytes;
}

void WriteNew(const std::wstring& path, const std::string& bytes) {
  Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) Fail("cannot create a file");
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    Fail("cannot write a file");
  }
}

// What a careful program does at least for each file: read it, write the new
// text to a temporary file beside it and replace it with that.
Clock::duration PlainRewrite(const std::vector<std::wstring>& files) {
  const auto start = Clock::now();
  for (const std::wstring& path : files) {
    const std::string bytes = ReadAll(path);
    const std::wstring temp = path + L".plain.tmp";
    WriteNew(temp, bytes);
    if (!ReplaceFileW(path.c_str(), temp.c_str(), nullptr, 0, nullptr, nullptr)) {
      Fail("ReplaceFileW failed");
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

// Presses OK in the program's window, answers the confirmation and waits for
// the success message, asking the main window every 100 ms whether it answers.
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
  const HWND success = program.Box(velmori::Utf8ToNative(velmori::text::kSuccess), std::chrono::minutes(10));
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
    if (std::wstring(argv[i]).rfind(prefix, 0) == 0) return std::wcstol(argv[i] + prefix.size(), nullptr, 10);
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

void Row(const char* figure, double value, double floor, double goal, const char* unit) {
  std::printf("%-58s %9.3f %-3s floor %-6g goal %-6g %s\n", figure, value, unit, floor, goal,
              value <= goal ? "goal met" : value <= floor ? "floor met" : "MISSED");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  velmori::bench::ProjectShape shape;
  shape.fileCount = static_cast<std::size_t>(ArgValue(argc, argv, L"files", 2000));
  shape.fileBytes = static_cast<std::size_t>(ArgValue(argc, argv, L"file-kb", 50)) * 1024;
  const velmori::bench::GeneratedProject generated = velmori::bench::GenerateProject(shape);

  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      (L"velmori-gui-bench-" + std::to_wstring(GetCurrentProcessId()));
  const std::wstring project = (folder / generated.projectFileName).wstring();
  const auto written = velmori::bench::WriteProject(generated, folder);
  if (!written) Fail("cannot write the project");
  const std::vector<std::wstring> files(written->begin(), written->end());
  std::printf("project: %zu sources, %.1f MiB, in %ls\n", files.size(),
              static_cast<double>(generated.totalBytes) / (1 << 20), folder.c_str());

  PlainRead(files);  // the same cache state for everything that follows
  const Clock::duration plainRewrite = PlainRewrite(files);
  Program program(ExePath(argc, argv));
  const RunTiming first = TimeRun(program, project, true);
  const Clock::duration plainRead = PlainRead(files);
  const RunTiming again = TimeRun(program, project, false);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);

  std::printf("whole run %.3f s, plain read + temp write + ReplaceFileW %.3f s\n",
              Seconds(first.whole), Seconds(plainRewrite));
  std::printf("re-run %.3f s, plain read %.3f s\n", Seconds(again.whole), Seconds(plainRead));
  Row("whole run / plain rewrite", Seconds(first.whole) / Seconds(plainRewrite), 1.3, 1.1, "x");
  Row("re-run on the cleaned project / plain read", Seconds(again.whole) / Seconds(plainRead),
      2.0, 1.5, "x");
  Row("longest wait for the main window to answer WM_NULL",
      Seconds(std::max(first.longestWait, again.longestWait)) * 1000, 250, 100, "ms");
  return 0;
}
