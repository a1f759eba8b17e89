// The Windows file layer under real conditions: the ANSI code page, file
// attributes, files locked by another program, and path forms.

#include <windows.h>

#include "../e2e/remote_program.h"
#include "test_support.h"

namespace velmori::test {
namespace {

TEST(Windows, AnsiCodePageIsShiftJis) {
  EXPECT_EQ(::GetACP(), 932u);
  const CodePage page = SystemCodePage();
  EXPECT_EQ(page.id(), 932u);
  EXPECT_TRUE(page.IsLead(0x83));
  EXPECT_TRUE(page.IsLead(0xE0));
  EXPECT_FALSE(page.IsLead(0xA0));
  EXPECT_EQ(AnsiToNative("\x83\x5C\x81\x5B\x83\x58\\a", page.id()), L"ソース\\a");
}

TEST(Windows, HiddenAndSystemFilesCountAsMissing) {
  for (DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
    TempFolder folder;
    folder.WriteProject();
    ASSERT_TRUE(::SetFileAttributesW(folder.Native("m.bas").c_str(), attribute));
    RunFixture run;
    EXPECT_TRUE(run.Run(folder.Native("app.vbp")));
    EXPECT_TRUE(run.messages.shown.empty());
    EXPECT_EQ(folder.Read("m.bas"), kDirtyModule);
    ::SetFileAttributesW(folder.Native("m.bas").c_str(), FILE_ATTRIBUTE_NORMAL);

    folder.Write("hidden.vbp", "Module=m; m.bas\r\n");
    ASSERT_TRUE(::SetFileAttributesW(folder.Native("hidden.vbp").c_str(), attribute));
    RunFixture project;
    EXPECT_FALSE(project.Run(folder.Native("hidden.vbp")));
    ASSERT_EQ(project.messages.shown.size(), 1u);
    EXPECT_EQ(project.messages.shown[0].kind, MessageKind::Warning);
  }
}

// Another program holds the file open: without any sharing the read fails;
// sharing only reading lets the read through and stops the replacement.
TEST(Windows, LockedFileIsReportedAndKept) {
  for (DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ}}) {
    TempFolder folder;
    folder.WriteProject();
    RunFixture run;
    {
      HANDLE other = ::CreateFileW(folder.Native("m.bas").c_str(), GENERIC_READ, share, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(other, INVALID_HANDLE_VALUE);
      EXPECT_FALSE(run.Run(folder.Native("app.vbp")));
      ::CloseHandle(other);
    }
    ASSERT_EQ(run.messages.shown.size(), 1u) << "share " << share;
    EXPECT_EQ(run.messages.shown[0].kind, MessageKind::Error);
    EXPECT_NE(run.messages.shown[0].text.find(NativeToUtf8(folder.Native("m.bas"))),
              std::string::npos)
        << run.messages.shown[0].text;
    EXPECT_EQ(folder.Read("m.bas"), kDirtyModule);
    EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"app.vbp", "m.bas"}));
  }
}

FILETIME CreationTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftCreationTime;
}

// A symbolic link. Wine's CreateSymbolicLinkW makes none, but Wine starts Unix
// programs, and a Unix link is what Windows programs see as one under Wine.
bool MakeSymbolicLink(const std::wstring& link, const std::wstring& target) {
  if (::CreateSymbolicLinkW(link.c_str(), target.c_str(), 0) &&
      ::GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return true;
  }
  using UnixName = char* (*)(const wchar_t*);
  const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return false;
  std::wstring command = L"Z:\\bin\\ln -s " + Utf8ToNative(unixName(target.c_str())) + L" " +
                         Utf8ToNative(unixName(link.c_str()));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return false;
  }
  if (process.hThread) ::CloseHandle(process.hThread);
  if (process.hProcess) ::CloseHandle(process.hProcess);
  // Wine gives no handle to wait on for a Unix program.
  for (int i = 0; i < 100 && ::GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
    ::Sleep(50);
  }
  return ::GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// What the user sees of a file besides its text stays: its attributes, its
// creation time, a link with its target, and its name as it is on disk.
TEST(Windows, ReplacementKeepsWhatTheUserSees) {
  TempFolder folder;
  folder.Write("shared/linked.bas", kDirtyModule);
  folder.Write("proj/Mixed.BAS", kDirtyModule);
  folder.Write("proj/kept.bas", kDirtyModule);
  folder.Write("proj/app.vbp",
               "Module=a; mixed.bas\r\nModule=b; kept.bas\r\nModule=c; link.bas\r\n");
  const std::wstring kept = folder.Native("proj/kept.bas");
  ASSERT_TRUE(::SetFileAttributesW(kept.c_str(),
                                   FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
  const FILETIME past{0x12345600u, 0x01d00000u};
  {
    HANDLE file = ::CreateFileW(kept.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(::SetFileTime(file, &past, nullptr, nullptr));
    ::CloseHandle(file);
  }
  const DWORD attributes = ::GetFileAttributesW(kept.c_str());
  const FILETIME created = CreationTime(kept);
  ASSERT_TRUE(MakeSymbolicLink(folder.Native("proj/link.bas"), folder.Native("shared/linked.bas")));

  RunFixture run;
  EXPECT_TRUE(run.Run(folder.Native("proj/app.vbp")));
  EXPECT_TRUE(run.messages.shown.empty());
  EXPECT_EQ(folder.Read("proj/Mixed.BAS"), kCleanModule);
  EXPECT_EQ(folder.Read("proj/kept.bas"), kCleanModule);
  EXPECT_EQ(folder.Read("shared/linked.bas"), kCleanModule);
  EXPECT_TRUE(::GetFileAttributesW(kept.c_str()) & FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(::GetFileAttributesW(kept.c_str()), attributes);
  // Wine keeps no creation time of its own (it shows the Unix change time).
  if (::CompareFileTime(&created, &past) == 0) {
    const FILETIME after = CreationTime(kept);
    EXPECT_EQ(::CompareFileTime(&after, &past), 0);
  }
  EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"proj\\Mixed.BAS", "proj\\app.vbp",
                                                         "proj\\kept.bas", "proj\\link.bas",
                                                         "shared\\linked.bas"}));
  // Still a link: what is written to the target shows through it.
  folder.Write("shared/linked.bas", kDirtyModule);
  EXPECT_EQ(folder.Read("proj/link.bas"), kDirtyModule);
}

// Forward slashes as typed by the user, a folder outside the ANSI code page,
// and a module given by its absolute path.
TEST(Windows, PathForms) {
  TempFolder folder;
  folder.WriteProject("프로젝트/");
  folder.Write("elsewhere/abs.bas", kDirtyModule);
  folder.Write("프로젝트/app.vbp", "Module=m; m.bas\r\nModule=a; " +
                                       remote::Ansi(folder.Native("elsewhere")) + "\\abs.bas\r\n");
  std::wstring typed = folder.Native("프로젝트/app.vbp");
  std::replace(typed.begin(), typed.end(), L'\\', L'/');
  RunFixture run;
  EXPECT_TRUE(run.Run(typed));
  EXPECT_TRUE(run.messages.shown.empty());
  EXPECT_EQ(folder.Read("프로젝트/m.bas"), kCleanModule);
  EXPECT_EQ(folder.Read("elsewhere/abs.bas"), kCleanModule);
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
  write(L"m.bas", kDirtyModule);
  RunFixture run;
  EXPECT_TRUE(run.Run(deep.substr(4) + L"\\app.vbp"));
  EXPECT_TRUE(run.messages.shown.empty());
  std::string cleaned;
  ASSERT_TRUE(SystemFileSystem().Read(deep + L"\\m.bas", cleaned).status.ok());
  EXPECT_EQ(cleaned, kCleanModule);
}

TEST(Windows, FailureDescriptionsAreTheSystemsOwn) {
  const std::string text = DescribeOsError(OsStatus{ERROR_FILE_NOT_FOUND});
  EXPECT_NE(text.find("(2)"), std::string::npos) << text;
  EXPECT_GT(text.size(), 4u) << text;
}


// A project naming a device instead of a file stops with a report; it never
// waits on the device.
TEST(Windows, DeviceNamesAreNeverRead) {
  TempFolder folder;
  folder.Write("app.vbp", "Module=c; CON\r\nModule=m; m.bas\r\n");
  folder.Write("m.bas", kDirtyModule);
  RunFixture run;
  EXPECT_FALSE(run.Run(folder.Native("app.vbp")));
  ASSERT_EQ(run.messages.shown.size(), 1u);
  EXPECT_EQ(run.messages.shown[0].kind, MessageKind::Error);
  EXPECT_EQ(folder.Read("m.bas"), kDirtyModule);
}

}  // namespace
}  // namespace velmori::test
