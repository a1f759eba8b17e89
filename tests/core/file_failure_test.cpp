// Every file operation made to fail in turn: each failure gives exactly one error
// report naming the file, and leaves the original as it was with no temporary
// file behind.

#include <gtest/gtest.h>

#include "test_support.h"

namespace velmori::test {
namespace {

enum class Op { ReadProject, ReadSource, CreateTemp, Append, Replace };

// Passes every call to the real file system except the chosen one, which fails
// with `kInjected`. A failing Append first writes half its bytes, as a full disk would.
class FaultyFileSystem final : public FileSystem {
 public:
  static constexpr std::uint32_t kInjected = 5;

  explicit FaultyFileSystem(Op failing) : failing_(failing) {}

  FileInfo Probe(const NativeString& path) override { return real_.Probe(path); }

  OsStatus ReadAll(const NativeString& path, std::string& bytes) override {
    const Op op = reads_++ == 0 ? Op::ReadProject : Op::ReadSource;
    if (op == failing_) return OsStatus{kInjected};
    return real_.ReadAll(path, bytes);
  }
  OsStatus CreateTempBeside(const NativeString& file, NativeString& tempPath) override {
    if (failing_ == Op::CreateTemp) return OsStatus{kInjected};
    return real_.CreateTempBeside(file, tempPath);
  }
  OsStatus Append(const NativeString& path, std::string_view bytes) override {
    if (failing_ != Op::Append) return real_.Append(path, bytes);
    real_.Append(path, bytes.substr(0, bytes.size() / 2));
    return OsStatus{kInjected};
  }
  OsStatus Replace(const NativeString& target, const NativeString& replacement) override {
    if (failing_ == Op::Replace) return OsStatus{kInjected};
    return real_.Replace(target, replacement);
  }
  void Remove(const NativeString& path) override { real_.Remove(path); }

 private:
  FileSystem& real_ = SystemFileSystem();
  Op failing_;
  int reads_ = 0;
};

struct FailureCase {
  const char* name;
  Op op;
  const char* namedFile;  // the file the report must name
};

class InjectedFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(InjectedFailure, ReportsOnceAndLosesNothing) {
  const FailureCase& c = GetParam();
  TempFolder folder;
  const std::string project = "Form=f.frm\r\n";
  const std::string form = "Attribute VB_Name = \"f\"\r\nx = 1 ' c\r\n";
  folder.Write("app.vbp", project);
  folder.Write("f.frm", form);

  RunFixture run;
  FaultyFileSystem faulty(c.op);
  run.files = &faulty;
  EXPECT_FALSE(run.Run(folder.Native("app.vbp")));

  ASSERT_EQ(run.messages.shown.size(), 1u);
  const Message& report = run.messages.shown[0];
  EXPECT_EQ(report.style, kStyleError);
  EXPECT_NE(report.text.find(NativeToUtf8(FullPath(folder.Native(c.namedFile)))),
            std::string::npos)
      << report.text;
  EXPECT_NE(report.text.find(DescribeOsError(OsStatus{FaultyFileSystem::kInjected})),
            std::string::npos)
      << report.text;
  EXPECT_EQ(folder.Read("app.vbp"), project);
  EXPECT_EQ(folder.Read("f.frm"), form);
  EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"app.vbp", "f.frm"}));
  if (!run.progress.calls.empty()) {
    EXPECT_EQ(run.progress.calls.back(), "Unload");
  }
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, InjectedFailure,
                         ::testing::Values(FailureCase{"ReadProject", Op::ReadProject, "app.vbp"},
                                           FailureCase{"ReadSource", Op::ReadSource, "f.frm"},
                                           FailureCase{"CreateTemp", Op::CreateTemp, "f.frm"},
                                           FailureCase{"Append", Op::Append, "f.frm"},
                                           FailureCase{"Replace", Op::Replace, "f.frm"}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(Replace, KeepsTheFileModeAndNeverLeavesTheTemporaryFile) {
  TempFolder folder;
  folder.Write("app.vbp", "Module=m; m.bas\r\n");
  folder.Write("m.bas", "Attribute VB_Name = \"m\"\r\nx = 1 ' c\r\n");
  const auto before = std::filesystem::status(folder.Path("m.bas")).permissions();
  RunFixture run;
  EXPECT_TRUE(run.Run(folder.Native("app.vbp")));
  EXPECT_EQ(std::filesystem::status(folder.Path("m.bas")).permissions(), before);
  EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"app.vbp", "m.bas"}));
}

}  // namespace
}  // namespace velmori::test
