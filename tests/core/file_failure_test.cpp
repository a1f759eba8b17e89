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

// Passes a temporary file's steps to the real one, failing or dying at one.
class FaultyTempFile final : public TempFile {
 public:
  FaultyTempFile(std::unique_ptr<TempFile> real, Step step, bool dies)
      : real_(std::move(real)), step_(step), dies_(dies) {}
  const NativeString& path() const override { return real_->path(); }
  OsStatus Write(std::string_view bytes) override {
    if (step_ == Step::Write && !dies_) {
      real_->Write(bytes.substr(0, bytes.size() / 2));  // as a full disk would
      return OsStatus{kInjected};
    }
    return After(Step::Write, real_->Write(bytes));
  }
  OsStatus CopyMetadata(const FileFacts& original) override {
    return After(Step::CopyMetadata, step_ == Step::CopyMetadata && !dies_
                                          ? OsStatus{kInjected}
                                          : real_->CopyMetadata(original));
  }
  OsStatus MoveOver(const NativeString& target) override {
    if (step_ == Step::MoveOver && !dies_) return OsStatus{kInjected};
    if (step_ == Step::Discard) return OsStatus{kInjected};
    return After(Step::MoveOver, real_->MoveOver(target));
  }
  // A scanner that never lets go: the file is reported as left behind (the
  // real one is removed when this one goes).
  bool Discard() override { return step_ != Step::Discard && real_->Discard(); }
  void Abandon() override { real_->Abandon(); }

  static constexpr std::uint32_t kInjected = 5;

 private:
  OsStatus After(Step step, OsStatus status) {
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

class FaultyFileSystem final : public FileSystem {
 public:
  FaultyFileSystem(Step step, bool dies) : step_(step), dies_(dies) {}

  FileFacts Probe(const NativeString& path) override { return real_.Probe(path); }
  ReadResult Read(const NativeString& path, std::string& bytes) override {
    const Step step = reads_++ == 0 ? Step::ReadProject : Step::ReadSource;
    ReadResult result = real_.Read(path, bytes);
    if (step == step_) result.status = OsStatus{FaultyTempFile::kInjected};
    return result;
  }
  TempResult CreateTempBeside(const NativeString& file) override {
    TempResult temp = real_.CreateTempBeside(file);
    if (step_ == Step::CreateTemp) {
      if (!dies_) return {OsStatus{FaultyTempFile::kInjected}, nullptr};
      temp.file->Abandon();
      throw Died{};
    }
    if (temp.file) temp.file = std::make_unique<FaultyTempFile>(std::move(temp.file), step_, dies_);
    return temp;
  }

 private:
  FileSystem& real_ = SystemFileSystem();
  Step step_;
  bool dies_;
  int reads_ = 0;
};

const std::string kProject = "Form=f.frm\r\n";
const std::string kForm = "Attribute VB_Name = \"f\"\r\nx = 1 ' c\r\n";
const std::string kCleaned = "Attribute VB_Name = \"f\"\r\nx = 1 \r\n";

struct FailureCase {
  const char* name;
  Step step;
  const char* namedFile;  // the file the report must name
};

class InjectedFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(InjectedFailure, ReportsOnceAndLosesNothing) {
  const FailureCase& c = GetParam();
  TempFolder folder;
  folder.Write("app.vbp", kProject);
  folder.Write("f.frm", kForm);

  RunFixture run;
  FaultyFileSystem faulty(c.step, false);
  run.files = &faulty;
  EXPECT_FALSE(run.Run(folder.Native("app.vbp")));

  ASSERT_EQ(run.messages.shown.size(), 1u);
  const Message& report = run.messages.shown[0];
  EXPECT_EQ(report.kind, MessageKind::Error);
  EXPECT_NE(report.text.find(NativeToUtf8(FullPath(folder.Native(c.namedFile)))),
            std::string::npos)
      << report.text;
  EXPECT_NE(report.text.find(DescribeOsError(OsStatus{FaultyTempFile::kInjected})),
            std::string::npos)
      << report.text;
  const bool writing = c.step != Step::ReadProject && c.step != Step::ReadSource;
  EXPECT_EQ(report.text.find(".tmp") != std::string::npos, c.step == Step::Discard)
      << report.text;
  EXPECT_EQ(report.text.find("元のファイルは変更されていません。") != std::string::npos, writing)
      << report.text;
  EXPECT_EQ(folder.Read("app.vbp"), kProject);
  EXPECT_EQ(folder.Read("f.frm"), kForm);
  EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"app.vbp", "f.frm"}));
  if (!run.progress.events.empty()) {
    EXPECT_EQ(run.progress.events.back(), "RunEnded");
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, InjectedFailure,
    ::testing::Values(FailureCase{"ReadProject", Step::ReadProject, "app.vbp"},
                      FailureCase{"ReadSource", Step::ReadSource, "f.frm"},
                      FailureCase{"CreateTemp", Step::CreateTemp, "f.frm"},
                      FailureCase{"Write", Step::Write, "f.frm"},
                      FailureCase{"CopyMetadata", Step::CopyMetadata, "f.frm"},
                      FailureCase{"MoveOver", Step::MoveOver, "f.frm"},
                      FailureCase{"TempFileHeldOpen", Step::Discard, "f.frm"}),
    [](const auto& test) { return std::string(test.param.name); });

class DeathAfter : public ::testing::TestWithParam<Step> {};

TEST_P(DeathAfter, LeavesTheModuleWholeAndTheNextRunCleansUp) {
  TempFolder folder;
  folder.Write("app.vbp", kProject);
  folder.Write("f.frm", kForm);
  RunFixture killed;
  FaultyFileSystem faulty(GetParam(), true);
  killed.files = &faulty;
  EXPECT_THROW(killed.Run(folder.Native("app.vbp")), Died);
  EXPECT_EQ(folder.Read("f.frm"), GetParam() == Step::MoveOver ? kCleaned : kForm);
#ifdef _WIN32
  // The system removed the temporary file that the dead process held.
  EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"app.vbp", "f.frm"}));
#endif

  RunFixture next;
  EXPECT_TRUE(next.Run(folder.Native("app.vbp")));
  EXPECT_TRUE(next.messages.shown.empty());
  EXPECT_EQ(folder.Read("f.frm"), kCleaned);
  EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"app.vbp", "f.frm"}));
}

INSTANTIATE_TEST_SUITE_P(EveryStep, DeathAfter,
                         ::testing::Values(Step::CreateTemp, Step::Write, Step::CopyMetadata,
                                           Step::MoveOver));

TEST(Replace, KeepsTheFileModeAndLinksAndNeverLeavesTheTemporaryFile) {
  TempFolder folder;
  const std::string dirty = "Attribute VB_Name = \"m\"\r\nx = 1 ' c\r\n";
  folder.Write("app.vbp", "Module=m; m.bas\r\n");
  folder.Write("m.bas", dirty);
  std::vector<std::string> expected{"app.vbp", "m.bas"};
#ifndef _WIN32  // links under Wine: file_system_win32_test.cpp
  folder.Write("app.vbp", "Module=m; m.bas\r\nModule=l; link.bas\r\n");
  folder.Write("shared/t.bas", dirty);
  std::filesystem::create_symlink(folder.Path("shared/t.bas"), folder.Path("link.bas"));
  std::filesystem::permissions(folder.Path("m.bas"), std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::owner_write |
                                                         std::filesystem::perms::group_read);
  expected = {"app.vbp", "link.bas", "m.bas", "shared/t.bas"};
#endif
  const auto before = std::filesystem::status(folder.Path("m.bas")).permissions();
  RunFixture run;
  EXPECT_TRUE(run.Run(folder.Native("app.vbp")));
  EXPECT_EQ(std::filesystem::status(folder.Path("m.bas")).permissions(), before);
  EXPECT_EQ(folder.Read("m.bas"), "Attribute VB_Name = \"m\"\r\nx = 1 \r\n");
#ifndef _WIN32
  EXPECT_TRUE(std::filesystem::is_symlink(folder.Path("link.bas")));
  EXPECT_EQ(folder.Read("shared/t.bas"), folder.Read("m.bas"));
#endif
  EXPECT_EQ(folder.Listing(), expected);
}

}  // namespace
}  // namespace velmori::test
