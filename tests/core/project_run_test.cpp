#include <gtest/gtest.h>

#include "test_support.h"

namespace velmori::test {
namespace {

// Runs that succeed: every module listed dirty comes out clean, and the
// progress display is told each category with its files, in the project's order.
TEST(CleanProject, CleansEveryListedModuleCategoryByCategory) {
  const struct {
    const char* name;
    std::vector<std::pair<std::string, std::string>> projectFiles;  // path, text
    std::vector<std::string> modules;  // written dirty, expected clean
    std::vector<std::string> events;   // between RunStarted and RunEnded
  } cases[] = {
      // Categories in their fixed order. References resolve against the
      // project's folder; ソース (0x83 0x5C ...) as the project file writes it,
      // and in UTF-8 on disk; a missing module is skipped.
      {"a project",
       {{"p/proj/app.vbp", "Type=Exe\r\nPropertyPage=ppg.pag\r\nForm=f1.frm\r\nClass=c; c.cls\r\n"
                           "Module=a; ..\\Common\\a.bas\r\nForm=f2.frm\r\nStartup=\"f1\"\r\n"
                           "Class=k; \x83\x5C\x81\x5B\x83\x58\\k.cls\r\nModule=gone; gone.bas\r\n"}},
       {"p/proj/f1.frm", "p/proj/f2.frm", "p/Common/a.bas", "p/proj/c.cls", "p/proj/ソース/k.cls",
        "p/proj/ppg.pag"},
       {"CategoryStarted 2 フォームを読み込んでいます…", "FileDone 0", "FileDone 1",
        "CategoryStarted 2 標準モジュールを読み込んでいます…", "FileDone 0", "FileDone 1",
        "CategoryStarted 2 クラスモジュールを読み込んでいます…", "FileDone 0", "FileDone 1",
        "CategoryStarted 1 プロパティページを読み込んでいます…", "FileDone 0"}},
      // A group is told by its first line, whatever its name: each project in the
      // group's order, one run, a project listed twice cleaned once.
      {"a group",
       {{"p/all.txt", "vbGroup 5.0\r\nProject=two\\b.vbp\r\nStartupProject=\"one.vbp\"\r\n"
                      "Project=\r\nProject=two\\..\\one.vbp\r\n"},
        {"p/one.vbp", "Form=f.frm\r\n"},
        {"p/two/b.vbp", "Module=m; m.bas\r\n"}},
       {"p/f.frm", "p/two/m.bas"},
       {"CategoryStarted 1 標準モジュールを読み込んでいます…", "FileDone 0",
        "CategoryStarted 1 フォームを読み込んでいます…", "FileDone 0"}},
      {"a project listing nothing",
       {{"p/empty.vbp", "Type=Exe\r\nReference=*\\G{0}#2.0#0#x.tlb#OLE\r\nName=\"Empty\"\r\n"}},
       {},
       {}},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    for (const auto& [path, text] : c.projectFiles) folder.Write(path, text);
    for (const std::string& module : c.modules) folder.Write(module, kDirtyModule);
    RunFixture run;
    EXPECT_TRUE(run.Run(folder.Native(c.projectFiles.front().first))) << c.name;
    std::vector<std::string> expected = {"RunStarted"};
    expected.insert(expected.end(), c.events.begin(), c.events.end());
    expected.push_back("RunEnded");
    EXPECT_EQ(run.progress.events, expected) << c.name;
    EXPECT_TRUE(run.messages.shown.empty()) << c.name;
    for (const std::string& module : c.modules) {
      EXPECT_EQ(folder.Read(module), kCleanModule) << c.name << ": " << module;
    }
  }
}

// Missing modules, a folder and a read-only module already clean are passed
// over; the first module that cannot be written ends the run.
TEST(CleanProject, StopsAtTheFirstFailureAndTouchesNothingAfterIt) {
  TempFolder folder;
  folder.Write("app.vbp",
               "Form=f.frm\r\nModule=m1; m1.bas\r\nModule=x; missing.bas\r\nModule=d; sub\r\n"
               "Module=ro; ro.bas\r\nModule=m2; m2.bas\r\nModule=m3; m3.bas\r\nClass=c; c.cls\r\n");
  for (const char* name : {"f.frm", "m1.bas", "m2.bas", "m3.bas", "c.cls"}) {
    folder.Write(name, kDirtyModule);
  }
  folder.Write("ro.bas", kCleanModule);
  folder.Write("sub/placeholder.txt", "");
  // A read-only file that needs cleaning fails the run (the program checks the
  // attribute itself: nothing else refuses the write for an administrator).
  for (const char* name : {"ro.bas", "m2.bas"}) {
    std::filesystem::permissions(folder.Path(name), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
  }
  RunFixture run;
  EXPECT_FALSE(run.Run(folder.Native("app.vbp")));

  EXPECT_EQ(folder.Read("f.frm"), kCleanModule);
  EXPECT_EQ(folder.Read("m1.bas"), kCleanModule);
  EXPECT_EQ(folder.Read("ro.bas"), kCleanModule);
  for (const char* name : {"m2.bas", "m3.bas", "c.cls"}) {
    EXPECT_EQ(folder.Read(name), kDirtyModule) << name;
  }
  ASSERT_EQ(run.messages.shown.size(), 1u);
  EXPECT_EQ(run.messages.shown[0].kind, MessageKind::Error);
  EXPECT_NE(run.messages.shown[0].text.find(NativeToUtf8(FullPath(folder.Native("m2.bas")))),
            std::string::npos)
      << run.messages.shown[0].text;
  EXPECT_NE(run.messages.shown[0].text.find(DescribeOsError(ReadOnlyError())), std::string::npos);
  EXPECT_EQ(run.progress.events.back(), "RunEnded");
  EXPECT_EQ(run.progress.events.end()[-2], "FileDone 3");  // ro.bas was the last one done
  EXPECT_EQ(folder.Listing().size(), 8u);                 // no temporary file left
}

// A project that cannot be used: one report, no run started, nothing touched.
TEST(CleanProject, UnusableProjectIsReportedWithoutTouchingAnything) {
  TempFolder folder;
  folder.Write("dir.vbp/inside.bas", kDirtyModule);
  folder.Write("bad.vbp", "Type=Exe\r\nModule\r\nModule=m; dir.vbp\\inside.bas\r\n");
  // Groups: every project is read before a source is touched.
  folder.Write("ok.vbp", "Module=m; dir.vbp\\inside.bas\r\n");
  folder.Write("gone.vbg", "VBGROUP 5.0\r\nStartupProject=ok.vbp\r\nProject=sub\\gone.vbp\r\n");
  folder.Write("empty.vbg", "VBGROUP 5.0\r\nProject=\r\n");
  folder.Write("nested.vbg", "VBGROUP 5.0\r\nProject=ok.vbp\r\nProject=empty.vbg\r\n");
  folder.Write("badmember.vbg", "VBGROUP 5.0\r\nProject=ok.vbp\r\nProject=bad.vbp\r\n");
  const std::string missing = "指定されたフォルダに vbp ファイルが見つかりません。";
  const struct {
    NativeString project;
    MessageKind kind;
    std::string text;  // a part of the report
  } cases[] = {
      {folder.Native("nothing.vbp"), MessageKind::Warning, missing},
      {folder.Native("dir.vbp"), MessageKind::Warning, missing},
      {NativeString(), MessageKind::Warning, missing},
#ifdef _WIN32  // a name the system rejects is no missing file: its reason is told
      {Utf8ToNative("*.vbp"), MessageKind::Error, "*.vbp\n\n" + DescribeOsError(OsStatus{123})},
#else
      {Utf8ToNative("*.vbp"), MessageKind::Warning, missing},
#endif
      {folder.Native("bad.vbp"), MessageKind::Error,
       NativeToUtf8(FullPath(folder.Native("bad.vbp"))) + "\n\n2 行目: 「Module」の後に値がありません。"},
      {folder.Native("gone.vbg"), MessageKind::Warning,
       missing + "\n\n" + NativeToUtf8(FullPath(folder.Native("sub/gone.vbp")))},
      {folder.Native("empty.vbg"), MessageKind::Error,
       "プロジェクト グループにプロジェクトが 1 つもありません。"},
      {folder.Native("nested.vbg"), MessageKind::Error,
       NativeToUtf8(FullPath(folder.Native("empty.vbg"))) + "\n\nプロジェクト グループの中に"},
      {folder.Native("badmember.vbg"), MessageKind::Error, "「Module」の後に値がありません。"},
  };
  for (const auto& c : cases) {
    RunFixture run;
    EXPECT_FALSE(run.Run(c.project));
    ASSERT_EQ(run.messages.shown.size(), 1u);
    EXPECT_EQ(run.messages.shown[0].kind, c.kind);
    EXPECT_NE(run.messages.shown[0].text.find(c.text), std::string::npos)
        << run.messages.shown[0].text;
    EXPECT_TRUE(run.progress.events.empty());
  }
  EXPECT_EQ(folder.Read("dir.vbp/inside.bas"), kDirtyModule);
}

// Only "no such file or folder" makes a listed module missing; a lookup that
// fails for any other reason stops the run with the system's reason.
TEST(CleanProject, OnlyModulesThatAreNotThereAreSkipped) {
  TempFolder folder;
  folder.Write("last.bas", kDirtyModule);
  const struct {
    const char* name;
    std::string listed;
    bool skipped;
  } cases[] = {
      {"a missing folder", "gone\\m.bas", true},
      {"a file as a folder", "first.bas\\m.bas", true},
#ifdef _WIN32
      {"a name the system rejects", "m?.bas", false},
#else
      {"a name longer than the system allows", std::string(300, 'x') + ".bas", false},
      {"a link that leads to itself", "loop.bas", false},
#endif
  };
#ifndef _WIN32
  std::filesystem::create_symlink("loop.bas", folder.Path("loop.bas"));
#endif
  for (const auto& c : cases) {
    folder.Write("app.vbp", "Module=a; first.bas\r\nModule=m; " + c.listed + "\r\nModule=z; last.bas\r\n");
    folder.Write("first.bas", kDirtyModule);
    RunFixture run;
    EXPECT_EQ(run.Run(folder.Native("app.vbp")), c.skipped) << c.name;
    EXPECT_EQ(folder.Read("first.bas"), kCleanModule) << c.name;
    EXPECT_EQ(folder.Read("last.bas"), c.skipped ? kCleanModule : kDirtyModule) << c.name;
    if (c.skipped) {
      EXPECT_TRUE(run.messages.shown.empty()) << c.name;
      folder.Write("last.bas", kDirtyModule);
      continue;
    }
    ASSERT_EQ(run.messages.shown.size(), 1u) << c.name;
    EXPECT_NE(run.messages.shown[0].text.find(c.listed.substr(0, 40)), std::string::npos)
        << run.messages.shown[0].text;
  }
}

// One pair of double quotes enclosing the whole text is taken off, nothing else.
TEST(PathFromUserText, TakesOffOnePairOfEnclosingQuotes) {
  const std::pair<const char*, const char*> cases[] = {
      {"\"C:\\My Work\\a.vbp\"", "C:\\My Work\\a.vbp"},
      {"\"a.vbp", "\"a.vbp"},
      {" \"a.vbp\"", " \"a.vbp\""},
      {"\"\"a.vbp\"\"", "\"a.vbp\""},
      {"\"", "\""},
      {"a.vbp", "a.vbp"}};
  for (const auto& [text, path] : cases) {
    EXPECT_EQ(PathFromUserText(Utf8ToNative(text)), Utf8ToNative(path)) << text;
  }
}

}  // namespace
}  // namespace velmori::test
