#pragma once
// The few calls each system gives the file layer (file_system_posix.cpp,
// file_system_win32.cpp); the portable file layer (file_system.cpp) builds
// the FileSystem of the program and its policies on them. Internal to
// core/os.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "file_system.h"

namespace velmori::os {

// Reads a file into `bytes` as they are (see FileSystem::Read); what `bytes`
// holds after a failure or a file that is not ordinary is of no use.
ReadResult ReadInto(const NativeString& path, std::string& bytes);

// See FileSystem::PrepareReplace, FindInAnyCase and FlushFolder.
ReplaceTarget PrepareReplace(const NativeString& path);
std::vector<NativeString> FindInAnyCase(const NativeString& path, FolderNames& folders);
OsStatus FlushFolder(const NativeString& folder);

// What creating a temporary file of ours under a name gave.
struct NewFile {
  OsStatus status;  // a failure that ends the search
  bool taken = false;
  std::unique_ptr<TempFile> file;
};
// A new temporary file under `name` to replace `target`; the name is taken
// when a file is there already (or is being made there by another run).
NewFile CreateNew(const NativeString& name, const NativeString& target);
// Removes a file of ours that a killed run left under `name`, unless a live
// run holds it. True when it is gone.
bool RemoveLeftover(const NativeString& name);
// The failure when every name a temporary file may take is taken.
OsStatus AllNamesTaken();

// Runs `attempt` until it succeeds, for about a second: a virus scanner or an
// indexer that opened a new file of ours lets go of it quickly.
bool RetryForAboutASecond(const std::function<bool()>& attempt);

}  // namespace velmori::os
