// The file layer's portable part: the program's FileSystem and its policies
// (a failed read leaves nothing; the temporary files' names, leftovers and
// retries), over the calls each system gives (system_files.h).

#include <chrono>
#include <string>
#include <thread>
#include <utility>

#include "file_system.h"
#include "system_files.h"

namespace velmori {
namespace {

constexpr int kTempAttempts = 100;

// The name tried at `attempt` (1-based) for a file of ours beside `file`.
NativeString TempNameBeside(const NativeString& file, int attempt) {
  const std::string suffix = ".velmori" + std::to_string(attempt) + ".tmp";
  return file + NativeString(suffix.begin(), suffix.end());
}

class SystemFiles final : public FileSystem {
 public:
  ReadResult Read(const NativeString& path, std::string& bytes) override {
    ReadResult read = os::ReadInto(path, bytes);
    if (!read.status.ok() || read.facts.kind != FileKind::Ordinary) bytes.clear();
    return read;
  }

  ReplaceTarget PrepareReplace(const NativeString& path) override {
    return os::PrepareReplace(path);
  }

  // The names are tried in turn. A name taken by a leftover that no live run
  // holds is freed and tried once more; a name a live run holds is passed over.
  TempResult CreateTempBeside(const NativeString& file) override {
    for (int attempt = 1; attempt <= kTempAttempts; ++attempt) {
      const NativeString name = TempNameBeside(file, attempt);
      os::NewFile made = os::CreateNew(name, file);
      if (made.taken && os::RemoveLeftover(name)) made = os::CreateNew(name, file);
      if (made.file) return {{}, std::move(made.file)};
      if (!made.taken) return {made.status, nullptr};
    }
    return {os::AllNamesTaken(), nullptr};
  }

  std::vector<NativeString> FindInAnyCase(const NativeString& path,
                                          FolderNames& folders) override {
    return os::FindInAnyCase(path, folders);
  }

  OsStatus FlushFolder(const NativeString& folder) override { return os::FlushFolder(folder); }
};

}  // namespace

FileSystem& SystemFileSystem() {
  static SystemFiles files;
  return files;
}

bool os::RetryForAboutASecond(const std::function<bool()>& attempt) {
  for (int i = 0; i < 20; ++i) {
    if (attempt()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace velmori
