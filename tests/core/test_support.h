#pragma once
// Fakes and fixtures shared by the core tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "messages.h"
#include "os/file_system.h"
#include "project_run.h"
#include "ui_port.h"

namespace velmori::test {

struct Message {
  std::string text;
  MessageKind kind;
};

class RecordingMessages final : public MessagePort {
 public:
  Answer ShowMessage(const std::string& text, MessageKind kind) override {
    shown.push_back({text, kind});
    return Answer::Ok;
  }
  std::vector<Message> shown;
};

// Records every event as a line, in order.
class RecordingProgress final : public RunProgress {
 public:
  void RunStarted() override { events.push_back("RunStarted"); }
  void CategoryStarted(std::int32_t fileCount, const std::string& message) override {
    events.push_back("CategoryStarted " + std::to_string(fileCount) + " " + message);
  }
  void FileDone(std::int32_t index) override { events.push_back("FileDone " + std::to_string(index)); }
  bool StopRequested() override { return false; }
  void RunEnded() override { events.push_back("RunEnded"); }
  std::vector<std::string> events;
};

// The real file system, for a fake to change one operation of. `beforeRead`
// runs at the start of every read: to throw, or to hold a run in mid-file.
class ForwardingFiles : public FileSystem {
 public:
  ReadResult Read(const NativeString& path, std::string& bytes) override {
    beforeRead(path);
    return real.Read(path, bytes);
  }
  ReplaceTarget PrepareReplace(const NativeString& path) override {
    return real.PrepareReplace(path);
  }
  TempResult CreateTempBeside(const NativeString& file) override {
    return real.CreateTempBeside(file);
  }
  std::vector<NativeString> FindInAnyCase(const NativeString& path,
                                          FolderNames& folders) override {
    return real.FindInAnyCase(path, folders);
  }
  OsStatus FlushFolder(const NativeString& folder) override { return real.FlushFolder(folder); }
  std::function<void(const NativeString&)> beforeRead = [](const NativeString&) {};

 protected:
  FileSystem& real = SystemFileSystem();
};

// A module with a comment, and the same module cleaned.
inline const std::string kDirtyModule = "Attribute VB_Name = \"m\"\r\nx = 1 ' c\r\n";
inline const std::string kCleanModule = "Attribute VB_Name = \"m\"\r\nx = 1 \r\n";

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
 public:
  TempFolder() : TempFolder(RandomName()) {}
  // A folder of a fixed name, made afresh: the same for a test and the child
  // process a death test runs it again in.
  explicit TempFolder(const std::string& name)
      : root_(std::filesystem::temp_directory_path() / name) {
    Remove();
    std::filesystem::create_directories(root_);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() { Remove(); }

  // A path below the folder, given in UTF-8 with '/' separators.
  std::filesystem::path Path(const std::string& relative) const {
    return root_ / std::filesystem::path(Utf8ToNative(relative)).make_preferred();
  }
  NativeString Native(const std::string& relative) const { return Path(relative).native(); }

  void Write(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path path = Path(relative);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }

  // app.vbp listing one module, m.bas, that has a comment.
  void WriteProject(const std::string& folder = "") const {
    Write(folder + "app.vbp", "Module=m; m.bas\r\n");
    Write(folder + "m.bas", kDirtyModule);
  }

  std::string Read(const std::string& relative) const {
    std::ifstream in(Path(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Every file name below the folder, sorted, for "nothing else was left" checks.
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_)) {
      if (entry.is_regular_file()) {
        names.push_back(NativeToUtf8(entry.path().lexically_relative(root_).native()));
      }
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  static std::string RandomName() {
    std::random_device random;
    return "velmori-test-" + std::to_string(random()) + std::to_string(random());
  }
  // Also what a test made unreadable: every folder below opened up first.
  void Remove() const {
    std::error_code ignored;
    if (!std::filesystem::exists(root_, ignored)) return;
    const auto open = [&](const std::filesystem::path& path) {
      std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    };
    open(root_);
    for (auto it = std::filesystem::recursive_directory_iterator(root_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      if (it->is_directory(ignored)) open(it->path());
    }
    std::filesystem::remove_all(root_, ignored);
  }

  std::filesystem::path root_;
};

// A run against the real file system with recording user-interface fakes.
struct RunFixture {
  RecordingMessages messages;
  RecordingProgress progress;
  FailureBoxes failures{messages};
  FileSystem* files = &SystemFileSystem();
  RunContext Context() { return RunContext{*files, progress, failures, SystemCodePage()}; }
  bool Run(const NativeString& project) { return CleanProject(Context(), project); }
};

}  // namespace velmori::test
