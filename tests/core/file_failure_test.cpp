// Every step of reading and replacing a file made to fail, or the process
// killed right after it, in turn. A failure gives exactly one error report
// naming the module and leaves it as it was; a kill leaves it original or
// cleaned; either way no file of ours stays behind once a later run has
// cleaned the module.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

#include "test_support.h"

namespace velmori::test {
namespace {

enum class Step {
  ReadProject,
  ReadSource,
  PrepareReplace,
  CreateTemp,
  Write,
  CopyMetadata,
  Flush,
  MoveOver,
  FlushFolder,
  Discard,  // the temporary file held open by another program: it cannot be removed
};

std::string StepName(const testing::TestParamInfo<Step>& info) {
  static const char* const kNames[] = {
      "ReadProject", "ReadSource", "PrepareReplace", "CreateTemp",  "Write",
      "CopyMetadata", "Flush",     "MoveOver",      "FlushFolder", "TempFileHeldOpen"};
  return kNames[static_cast<int>(info.param)];
}

constexpr std::uint32_t kInjected = 5;  // access denied, in both systems' numbers
constexpr int kKilled = 9;              // the exit code of a "killed" run

// Passes each step of a temporary file to the real one, failing the chosen
// step instead, or ending the process right after it, as a kill would: with
// no cleanup of ours (the system closes what the process held).
class FaultyTempFile final : public TempFile {
 public:
  FaultyTempFile(std::unique_ptr<TempFile> real, Step step, bool dies)
      : real_(std::move(real)), step_(step), dies_(dies) {}
  const NativeString& path() const override { return real_->path(); }
  OsStatus Write(std::string_view bytes) override {
    if (Fails(Step::Write)) real_->Write(bytes.substr(0, bytes.size() / 2));  // as a full disk would
    return Do(Step::Write, [&] { return real_->Write(bytes); });
  }
  OsStatus CopyMetadata(const FileFacts& target, std::string_view security) override {
    return Do(Step::CopyMetadata, [&] { return real_->CopyMetadata(target, security); });
  }
  OsStatus Flush() override {
    return Do(Step::Flush, [&] { return real_->Flush(); });
  }
  OsStatus MoveOver() override {
    if (step_ == Step::Discard) return OsStatus{kInjected};
    return Do(Step::MoveOver, [&] { return real_->MoveOver(); });
  }
  // A scanner that never lets go: the file is reported as left behind (the
  // real one is removed when this one goes).
  bool Discard() override { return step_ != Step::Discard && real_->Discard(); }

 private:
  bool Fails(Step step) const { return step == step_ && !dies_; }
  template <typename Operation>
  OsStatus Do(Step step, Operation operation) {
    if (Fails(step)) return OsStatus{kInjected};
    const OsStatus status = operation();
    if (dies_ && step == step_) std::_Exit(kKilled);
    return status;
  }
  std::unique_ptr<TempFile> real_;
  Step step_;
  bool dies_;
};

class FaultyFileSystem final : public ForwardingFiles {
 public:
  FaultyFileSystem(Step step, bool dies) : step_(step), dies_(dies) {}

  ReadResult Read(const NativeString& path, std::string& bytes) override {
    const Step step = reads_++ == 0 ? Step::ReadProject : Step::ReadSource;
    ReadResult result = real.Read(path, bytes);
    if (step == step_) result.status = OsStatus{kInjected};
    return result;
  }
  ReplaceTarget PrepareReplace(const NativeString& path) override {
    ReplaceTarget target = real.PrepareReplace(path);
    if (step_ == Step::PrepareReplace) target.status = OsStatus{kInjected};
    return target;
  }
  TempResult CreateTempBeside(const NativeString& file) override {
    if (step_ == Step::CreateTemp && !dies_) return {OsStatus{kInjected}, nullptr};
    TempResult temp = real.CreateTempBeside(file);
    if (step_ == Step::CreateTemp) std::_Exit(kKilled);
    if (temp.file) temp.file = std::make_unique<FaultyTempFile>(std::move(temp.file), step_, dies_);
    return temp;
  }
  OsStatus FlushFolder(const NativeString& folder) override {
    return step_ == Step::FlushFolder ? OsStatus{kInjected} : real.FlushFolder(folder);
  }

 private:
  Step step_;
  bool dies_;
  int reads_ = 0;
};

const std::vector<std::string> kProjectFiles{"app.vbp", "m.bas"};

class InjectedFailure : public testing::TestWithParam<Step> {};

TEST_P(InjectedFailure, ReportsOnceAndLosesNothing) {
  const Step step = GetParam();
  TempFolder folder;
  folder.WriteProject();
  RunFixture run;
  FaultyFileSystem faulty(step, false);
  run.files = &faulty;
  EXPECT_FALSE(run.Run(folder.Native("app.vbp")));

  ASSERT_EQ(run.messages.shown.size(), 1u);
  const Message& report = run.messages.shown[0];
  EXPECT_EQ(report.kind, MessageKind::Error);
  // The folder cannot be flushed only once the module in it is replaced.
  const bool replaced = step == Step::FlushFolder;
  const NativeString named = step == Step::ReadProject ? folder.Native("app.vbp")
                             : replaced                ? folder.Path("m.bas").parent_path().native()
                                                       : folder.Native("m.bas");
  // What the report says: the file, the system's reason, a temporary file left
  // behind, and that the original is unchanged once writing had begun.
  const std::pair<std::string, bool> parts[] = {
      {NativeToUtf8(FullPath(named)), true},
      {DescribeOsError(OsStatus{kInjected}), true},
      {".tmp", step == Step::Discard},
      {"元のファイルは変更されていません。", step > Step::ReadSource && !replaced}};
  for (const auto& [part, expected] : parts) {
    EXPECT_EQ(report.text.find(part) != std::string::npos, expected) << part << "\n" << report.text;
  }
  EXPECT_EQ(folder.Read("m.bas"), replaced ? kCleanModule : kDirtyModule);
  EXPECT_EQ(folder.Listing(), kProjectFiles);
  if (!run.progress.events.empty()) {
    EXPECT_EQ(run.progress.events.back(), "RunEnded");
  }
}

INSTANTIATE_TEST_SUITE_P(EveryStep, InjectedFailure,
                         testing::Values(Step::ReadProject, Step::ReadSource, Step::PrepareReplace,
                                         Step::CreateTemp, Step::Write, Step::CopyMetadata,
                                         Step::Flush, Step::MoveOver, Step::FlushFolder,
                                         Step::Discard),
                         StepName);

// A real process ends right after the step, as a kill there would end it; the
// test's own process checks what it left and runs again.
class KillAfter : public testing::TestWithParam<Step> {};

TEST_P(KillAfter, LeavesTheModuleWholeAndTheNextRunCleansUp) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // A fixed name: the child process runs this test again from its start.
  TempFolder folder("velmori-killed-" + StepName({GetParam(), 0}));
  folder.WriteProject();
  EXPECT_EXIT(
      {
        RunFixture killed;
        FaultyFileSystem faulty(GetParam(), true);
        killed.files = &faulty;
        killed.Run(folder.Native("app.vbp"));
      },
      testing::ExitedWithCode(kKilled), "");
  EXPECT_EQ(folder.Read("m.bas"), GetParam() == Step::MoveOver ? kCleanModule : kDirtyModule);
#ifdef _WIN32
  // The system removed the temporary file that the dead process held.
  EXPECT_EQ(folder.Listing(), kProjectFiles);
#endif

  RunFixture next;
  EXPECT_TRUE(next.Run(folder.Native("app.vbp")));
  EXPECT_TRUE(next.messages.shown.empty());
  EXPECT_EQ(folder.Read("m.bas"), kCleanModule);
  EXPECT_EQ(folder.Listing(), kProjectFiles);
}

INSTANTIATE_TEST_SUITE_P(EveryStep, KillAfter,
                         testing::Values(Step::CreateTemp, Step::Write, Step::CopyMetadata,
                                         Step::Flush, Step::MoveOver),
                         StepName);

// The run reads the next file while it writes one: here the write of a.bas
// waits until b.bas has been read, and then one of them fails.
class ReadAheadFiles final : public ForwardingFiles {
 public:
  explicit ReadAheadFiles(bool readFails) : readFails_(readFails) {}

  ReadResult Read(const NativeString& path, std::string& bytes) override {
    ReadResult result = real.Read(path, bytes);
    if (path.ends_with(Utf8ToNative("b.bas"))) {
      if (readFails_) result.status = OsStatus{kInjected};
      const std::lock_guard lock(mutex_);
      nextRead_ = true;
      read_.notify_all();
    }
    return result;
  }
  TempResult CreateTempBeside(const NativeString& file) override {
    TempResult temp = real.CreateTempBeside(file);
    if (temp.file) temp.file = std::make_unique<Waiting>(std::move(temp.file), *this);
    return temp;
  }
  bool readAhead = false;  // b.bas was read while a.bas was written

 private:
  class Waiting final : public TempFile {
   public:
    Waiting(std::unique_ptr<TempFile> real, ReadAheadFiles& files)
        : real_(std::move(real)), files_(files) {}
    const NativeString& path() const override { return real_->path(); }
    OsStatus Write(std::string_view bytes) override {
      std::unique_lock lock(files_.mutex_);
      files_.readAhead = files_.read_.wait_for(lock, std::chrono::seconds(10),
                                               [this] { return files_.nextRead_; });
      return files_.readFails_ ? real_->Write(bytes) : OsStatus{kInjected};
    }
    OsStatus CopyMetadata(const FileFacts& target, std::string_view security) override {
      return real_->CopyMetadata(target, security);
    }
    OsStatus Flush() override { return real_->Flush(); }
    OsStatus MoveOver() override { return real_->MoveOver(); }
    bool Discard() override { return real_->Discard(); }

   private:
    std::unique_ptr<TempFile> real_;
    ReadAheadFiles& files_;
  };

  bool readFails_;
  std::mutex mutex_;
  std::condition_variable read_;
  bool nextRead_ = false;
};

// Files are replaced in list order and a failure stops the run before any
// later file is replaced: a file read ahead is never written after a stop.
TEST(ReadAhead, KeepsTheStopRules) {
  for (const bool readFails : {true, false}) {
    TempFolder folder;
    folder.Write("app.vbp", "Module=a; a.bas\r\nModule=b; b.bas\r\n");
    folder.Write("a.bas", kDirtyModule);
    folder.Write("b.bas", kDirtyModule);
    RunFixture run;
    ReadAheadFiles files(readFails);
    run.files = &files;
    EXPECT_FALSE(run.Run(folder.Native("app.vbp")));
    EXPECT_TRUE(files.readAhead) << readFails;
    // A failure in reading b.bas comes once a.bas is in place; a failure in
    // writing a.bas leaves b.bas as it was, though it was read.
    EXPECT_EQ(folder.Read("a.bas"), readFails ? kCleanModule : kDirtyModule) << readFails;
    EXPECT_EQ(folder.Read("b.bas"), kDirtyModule) << readFails;
    ASSERT_EQ(run.messages.shown.size(), 1u) << readFails;
    const std::string named = NativeToUtf8(FullPath(folder.Native(readFails ? "b.bas" : "a.bas")));
    EXPECT_NE(run.messages.shown[0].text.find(named + "\n"), std::string::npos)
        << run.messages.shown[0].text;
    EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"a.bas", "app.vbp", "b.bas"}));
    const auto& events = run.progress.events;
    EXPECT_EQ(std::count(events.begin(), events.end(), std::string("FileDone 0")),
              readFails ? 1 : 0);
  }
}

#ifndef _WIN32  // under Windows: file_system_win32_test.cpp
TEST(Replace, KeepsTheFileModeAndLinksAndNeverLeavesTheTemporaryFile) {
  TempFolder folder;
  folder.Write("app.vbp", "Module=m; m.bas\r\nModule=l; link.bas\r\n");
  folder.Write("m.bas", kDirtyModule);
  folder.Write("shared/t.bas", kDirtyModule);
  std::filesystem::create_symlink(folder.Path("shared/t.bas"), folder.Path("link.bas"));
  using std::filesystem::perms;
  std::filesystem::permissions(folder.Path("m.bas"),
                               perms::owner_read | perms::owner_write | perms::group_read);
  RunFixture run;
  EXPECT_TRUE(run.Run(folder.Native("app.vbp")));
  EXPECT_EQ(std::filesystem::status(folder.Path("m.bas")).permissions(),
            perms::owner_read | perms::owner_write | perms::group_read);
  EXPECT_EQ(folder.Read("m.bas"), kCleanModule);
  EXPECT_TRUE(std::filesystem::is_symlink(folder.Path("link.bas")));
  EXPECT_EQ(folder.Read("shared/t.bas"), kCleanModule);
  EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"app.vbp", "link.bas", "m.bas", "shared/t.bas"}));
}
#endif

}  // namespace
}  // namespace velmori::test
