// The Windows file layer under real conditions: the ANSI code page, file
// attributes, files locked by another program, and path forms.

#include <windows.h>

#include "test_support.h"

namespace velmori::test {
namespace {

const std::string kDirty = "Attribute VB_Name = \"m\"\r\nx = 1 ' c\r\n";
const std::string kClean = "Attribute VB_Name = \"m\"\r\nx = 1 \r\n";

std::string ToAnsi(const std::wstring& wide) {
  const int length = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), length,
                        nullptr, nullptr);
  return ansi;
}

TEST(Windows, AnsiCodePageIsShiftJis) {
  EXPECT_EQ(::GetACP(), 932u);
  const CodePage page = SystemCodePage();
  EXPECT_EQ(page.id(), 932u);
  EXPECT_TRUE(page.IsLead(0x83));
  EXPECT_TRUE(page.IsLead(0xE0));
  EXPECT_FALSE(page.IsLead(0xA0));
  EXPECT_EQ(AnsiToNative("\x83\x5C\x81\x5B\x83\x58\\a"), L"ソース\\a");
}

TEST(Windows, HiddenAndSystemFilesCountAsMissing) {
  for (DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
    TempFolder folder;
    folder.Write("app.vbp", "Module=m; m.bas\r\n");
    folder.Write("m.bas", kDirty);
    ASSERT_TRUE(::SetFileAttributesW(folder.Native("m.bas").c_str(), attribute));
    RunFixture run;
    EXPECT_TRUE(run.Run(folder.Native("app.vbp")));
    EXPECT_TRUE(run.messages.shown.empty());
    EXPECT_EQ(folder.Read("m.bas"), kDirty);
    ::SetFileAttributesW(folder.Native("m.bas").c_str(), FILE_ATTRIBUTE_NORMAL);

    folder.Write("hidden.vbp", "Module=m; m.bas\r\n");
    ASSERT_TRUE(::SetFileAttributesW(folder.Native("hidden.vbp").c_str(), attribute));
    RunFixture project;
    EXPECT_FALSE(project.Run(folder.Native("hidden.vbp")));
    ASSERT_EQ(project.messages.shown.size(), 1u);
    EXPECT_EQ(project.messages.shown[0].style, kStyleWarning);
  }
}

// Another program holds the file open: without any sharing the read fails;
// sharing only reading lets the read through and stops the replacement.
TEST(Windows, LockedFileIsReportedAndKept) {
  for (DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ}}) {
    TempFolder folder;
    folder.Write("app.vbp", "Module=m; m.bas\r\n");
    folder.Write("m.bas", kDirty);
    RunFixture run;
    {
      HANDLE other = ::CreateFileW(folder.Native("m.bas").c_str(), GENERIC_READ, share, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(other, INVALID_HANDLE_VALUE);
      EXPECT_FALSE(run.Run(folder.Native("app.vbp")));
      ::CloseHandle(other);
    }
    ASSERT_EQ(run.messages.shown.size(), 1u) << "share " << share;
    EXPECT_EQ(run.messages.shown[0].style, kStyleError);
    EXPECT_NE(run.messages.shown[0].text.find(NativeToUtf8(folder.Native("m.bas"))),
              std::string::npos)
        << run.messages.shown[0].text;
    EXPECT_EQ(folder.Read("m.bas"), kDirty);
    EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"app.vbp", "m.bas"}));
  }
}

TEST(Windows, ReplacementKeepsTheFileAttributes) {
  TempFolder folder;
  folder.Write("app.vbp", "Module=m; m.bas\r\n");
  folder.Write("m.bas", kDirty);
  const std::wstring path = folder.Native("m.bas");
  ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_ARCHIVE));
  RunFixture run;
  EXPECT_TRUE(run.Run(folder.Native("app.vbp")));
  EXPECT_EQ(folder.Read("m.bas"), kClean);
  EXPECT_TRUE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"app.vbp", "m.bas"}));
}

TEST(Windows, PathForms) {
  TempFolder folder;
  folder.Write("elsewhere/abs.bas", kDirty);
  folder.Write("proj/app.vbp", "Module=m; m.bas\r\nModule=a; " +
                                   ToAnsi(folder.Native("elsewhere")) + "\\abs.bas\r\n");
  folder.Write("proj/m.bas", kDirty);
  // Forward slashes as typed by the user.
  std::wstring typed = folder.Native("proj/app.vbp");
  for (wchar_t& c : typed) {
    if (c == L'\\') c = L'/';
  }
  RunFixture run;
  EXPECT_TRUE(run.Run(typed));
  EXPECT_TRUE(run.messages.shown.empty());
  EXPECT_EQ(folder.Read("proj/m.bas"), kClean);
  EXPECT_EQ(folder.Read("elsewhere/abs.bas"), kClean);
}

TEST(Windows, ProjectFolderOutsideTheAnsiCodePage) {
  TempFolder folder;
  folder.Write("프로젝트/app.vbp", "Module=m; m.bas\r\n");
  folder.Write("프로젝트/m.bas", kDirty);
  RunFixture run;
  EXPECT_TRUE(run.Run(folder.Native("프로젝트/app.vbp")));
  EXPECT_EQ(folder.Read("프로젝트/m.bas"), kClean);
}

TEST(Windows, PathsLongerThanMaxPath) {
  TempFolder folder;
  std::wstring deep = L"\\\\?\\" + folder.root().native();
  std::string relative;
  for (int i = 0; i < 8; ++i) {
    const std::string part = "folder-with-a-long-name-number-" + std::to_string(i) + "-xxxxxxxx";
    deep += L"\\" + Utf8ToNative(part);
    relative += part + "/";
    ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr));
  }
  ASSERT_GT(deep.size(), 300u);
  auto write = [&](const std::wstring& name, const std::string& bytes) {
    HANDLE file = ::CreateFileW((deep + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
  };
  write(L"app.vbp", "Module=m; m.bas\r\n");
  write(L"m.bas", kDirty);
  RunFixture run;
  EXPECT_TRUE(run.Run(deep.substr(4) + L"\\app.vbp"));
  EXPECT_TRUE(run.messages.shown.empty());
  std::string cleaned;
  ASSERT_TRUE(SystemFileSystem().ReadAll(deep + L"\\m.bas", cleaned).ok());
  EXPECT_EQ(cleaned, kClean);
}

TEST(Windows, FailureDescriptionsAreTheSystemsOwn) {
  const std::string text = DescribeOsError(OsStatus{ERROR_FILE_NOT_FOUND});
  EXPECT_NE(text.find("(2)"), std::string::npos) << text;
  EXPECT_GT(text.size(), 4u) << text;
}

}  // namespace
}  // namespace velmori::test

namespace velmori::test {
namespace {

// A project naming a device instead of a file stops with a report; it never
// waits on the device.
TEST(Windows, DeviceNamesAreNeverRead) {
  TempFolder folder;
  folder.Write("app.vbp", "Module=c; CON\r\nModule=m; m.bas\r\n");
  folder.Write("m.bas", kDirty);
  RunFixture run;
  const bool cleaned = run.Run(folder.Native("app.vbp"));
  EXPECT_FALSE(cleaned);
  ASSERT_EQ(run.messages.shown.size(), 1u);
  EXPECT_EQ(run.messages.shown[0].style, kStyleError);
  EXPECT_EQ(folder.Read("m.bas"), kDirty);
}

}  // namespace
}  // namespace velmori::test
