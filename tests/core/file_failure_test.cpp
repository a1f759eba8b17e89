// Every step of reading and replacing a file made to fail, or the process made
// to die after it, in turn. A failure gives exactly one error report naming the
// module and leaves it as it was; a death leaves it original or cleaned; either
// way no file of ours stays behind once a later run has cleaned the module.

#include <gtest/gtest.h>

#include "test_support.h"

namespace velmori::test {
namespace {

enum class Step { ReadProject, ReadSource, CreateTemp, Write, CopyMetadata, MoveOver, Discard };

// Thrown where the process "dies": the temporary file has been let go of
// without any cleanup of ours, as the system does for a killed process.
struct Died {};

// Passes a temporary file's steps to the real one, failing one instead of
// doing it, or dying right after it.
class FaultyTempFile final : public TempFile {
 public:
  FaultyTempFile(std::unique_ptr<TempFile> real, Step step, bool dies)
      : real_(std::move(real)), step_(step), dies_(dies) {}
  const NativeString& path() const override { return real_->path(); }
  OsStatus Write(std::string_view bytes) override {
    if (Fails(Step::Write)) real_->Write(bytes.substr(0, bytes.size() / 2));  // as a full disk would
    return Do(Step::Write, [&] { return real_->Write(bytes); });
  }
  OsStatus CopyMetadata(const FileFacts& target) override {
    return Do(Step::CopyMetadata, [&] { return real_->CopyMetadata(target); });
  }
  OsStatus MoveOver() override {
    if (step_ == Step::Discard) return OsStatus{kInjected};
    return Do(Step::MoveOver, [&] { return real_->MoveOver(); });
  }
  // A scanner that never lets go: the file is reported as left behind (the
  // real one is removed when this one goes).
  bool Discard() override { return step_ != Step::Discard && real_->Discard(); }
  void Abandon() override { real_->Abandon(); }

  static constexpr std::uint32_t kInjected = 5;

 private:
  bool Fails(Step step) const { return step == step_ && !dies_; }
  OsStatus Do(Step step, const std::function<OsStatus()>& operation) {
    if (Fails(step)) return OsStatus{kInjected};
    const OsStatus status = operation();
    if (dies_ && step == step_) {
      real_->Abandon();
      throw Died{};
    }
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
    if (step == step_) result.status = OsStatus{FaultyTempFile::kInjected};
    return result;
  }
  TempResult CreateTempBeside(const NativeString& file) override {
    TempResult temp = real.CreateTempBeside(file);
    if (step_ == Step::CreateTemp) {
      if (!dies_) return {OsStatus{FaultyTempFile::kInjected}, nullptr};
      temp.file->Abandon();
      throw Died{};
    }
    if (temp.file) temp.file = std::make_unique<FaultyTempFile>(std::move(temp.file), step_, dies_);
    return temp;
  }

 private:
  Step step_;
  bool dies_;
  int reads_ = 0;
};

std::string StepName(const testing::TestParamInfo<Step>& info) {
  static const char* const kNames[] = {"ReadProject", "ReadSource",   "CreateTemp",      "Write",
                                       "CopyMetadata", "MoveOver", "TempFileHeldOpen"};
  return kNames[static_cast<int>(info.param)];
}

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
  // What the report says: the file, the system's reason, a temporary file left
  // behind, and that the original is unchanged once writing had begun.
  const std::pair<std::string, bool> parts[] = {
      {NativeToUtf8(FullPath(folder.Native(kProjectFiles[step != Step::ReadProject]))), true},
      {DescribeOsError(OsStatus{FaultyTempFile::kInjected}), true},
      {".tmp", step == Step::Discard},
      {"元のファイルは変更されていません。", step > Step::ReadSource}};
  for (const auto& [part, expected] : parts) {
    EXPECT_EQ(report.text.find(part) != std::string::npos, expected) << part << "\n" << report.text;
  }
  EXPECT_EQ(folder.Read("m.bas"), kDirtyModule);
  EXPECT_EQ(folder.Listing(), kProjectFiles);
  if (!run.progress.events.empty()) {
    EXPECT_EQ(run.progress.events.back(), "RunEnded");
  }
}

INSTANTIATE_TEST_SUITE_P(EveryStep, InjectedFailure,
                         testing::Values(Step::ReadProject, Step::ReadSource, Step::CreateTemp,
                                         Step::Write, Step::CopyMetadata, Step::MoveOver,
                                         Step::Discard),
                         StepName);

class DeathAfter : public testing::TestWithParam<Step> {};

TEST_P(DeathAfter, LeavesTheModuleWholeAndTheNextRunCleansUp) {
  TempFolder folder;
  folder.WriteProject();
  RunFixture killed;
  FaultyFileSystem faulty(GetParam(), true);
  killed.files = &faulty;
  EXPECT_THROW(killed.Run(folder.Native("app.vbp")), Died);
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

INSTANTIATE_TEST_SUITE_P(EveryStep, DeathAfter,
                         testing::Values(Step::CreateTemp, Step::Write, Step::CopyMetadata,
                                         Step::MoveOver),
                         StepName);

#ifndef _WIN32  // under Windows: file_system_win32_test.cpp
TEST(Replace, KeepsTheFileModeAndLinksAndNeverLeavesTheTemporaryFile) {
  TempFolder folder;
  folder.Write("app.vbp", "Module=m; m.bas\r\nModule=l; link.bas\r\n");
  folder.Write("m.bas", kDirtyModule);
  folder.Write("shared/t.bas", kDirtyModule);
  std::filesystem::create_symlink(folder.Path("shared/t.bas"), folder.Path("link.bas"));
  using std::filesystem::perms;
  std::filesystem::permissions(folder.Path("m.bas"), perms::owner_read | perms::owner_write | perms::group_read);
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
