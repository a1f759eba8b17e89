#pragma once
// The one policy for the temporary files that replace a source, over the small
// primitive each system gives: create a new file under a name, or say the name
// is taken; remove a leftover of a killed run, unless a live run holds it.

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "file_system.h"

namespace velmori {

inline constexpr int kTempAttempts = 100;

// The name tried at `attempt` (1-based) for a file of ours beside `file`.
inline NativeString TempNameBeside(const NativeString& file, int attempt) {
  const std::string suffix = ".velmori" + std::to_string(attempt) + ".tmp";
  return file + NativeString(suffix.begin(), suffix.end());
}

// What a system's primitive made of one name.
struct NewFile {
  OsStatus status;  // a failure that ends the search
  bool taken = false;
  std::unique_ptr<TempFile> file;
};

// Tries the names in turn. A name taken by a leftover that no live run holds
// is freed and tried once more; a name a live run holds is passed over.
//   create(name) -> NewFile;  removeLeftover(name) -> bool (removed)
template <typename Create, typename RemoveLeftover>
TempResult CreateTempWith(const NativeString& file, Create create, RemoveLeftover removeLeftover,
                          OsStatus allTaken) {
  for (int attempt = 1; attempt <= kTempAttempts; ++attempt) {
    const NativeString name = TempNameBeside(file, attempt);
    NewFile made = create(name);
    if (made.taken && removeLeftover(name)) made = create(name);
    if (made.file) return {{}, std::move(made.file)};
    if (!made.taken) return {made.status, nullptr};
  }
  return {allTaken, nullptr};
}

// Runs `attempt` until it succeeds, for about a second: a virus scanner or an
// indexer that opened a new file of ours lets go of it quickly.
template <typename Attempt>
bool RetryForAboutASecond(Attempt attempt) {
  for (int i = 0; i < 20; ++i) {
    if (attempt()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace velmori
