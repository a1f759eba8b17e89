// The Windows file layer under real conditions: the ANSI code page, file
// attributes, files locked by another program, and path forms.

#include <windows.h>

#include <aclapi.h>

#include "../e2e/remote_program.h"
#include "test_support.h"

namespace velmori::test {
namespace {

// The tests' system speaks Shift-JIS, failures are told in its own words, and
// paths are one file whatever the letter case.
TEST(Windows, AnsiCodePageIsShiftJisAndFailuresAreTheSystemsOwn) {
  const std::string text = DescribeOsError(OsStatus{ERROR_FILE_NOT_FOUND});
  EXPECT_NE(text.find("(2)"), std::string::npos) << text;
  EXPECT_GT(text.size(), 4u) << text;
  const CodePage page = SystemCodePage();
  EXPECT_EQ(page.id(), 932u);
  EXPECT_TRUE(page.IsLead(0x83));
  EXPECT_TRUE(page.IsLead(0xE0));
  EXPECT_FALSE(page.IsLead(0xA0));
  EXPECT_EQ(AnsiToNative("\x83\x5C\x81\x5B\x83\x58\\a", page.id()), L"ソース\\a");
  EXPECT_EQ(PathKey(L"C:\\Work\\Ä.bas"), PathKey(L"c:\\work\\ä.BAS"));  // one file
}

// Modules the run passes over or stops at, keeping them as they are: hidden
// and system files count as missing (a project too); a file another program
// holds open (sharing nothing, or only reading) and a device name are reported.
TEST(Windows, ModulesThatCannotBeUsedAreKept) {
  constexpr DWORD kNotHeld = ~DWORD{0};
  const struct {
    const char* name;
    const char* listed;  // after "Module=m; "
    DWORD attribute;     // given to m.bas and then to the project
    DWORD share;         // what another program holding m.bas shares
  } cases[] = {
      {"hidden", "m.bas", FILE_ATTRIBUTE_HIDDEN, kNotHeld},
      {"system", "m.bas", FILE_ATTRIBUTE_SYSTEM, kNotHeld},
      {"held sharing nothing", "m.bas", 0, 0},
      {"held sharing reading", "m.bas", 0, FILE_SHARE_READ},
      {"a device", "CON\r\nModule=m; m.bas", 0, kNotHeld},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    folder.Write("app.vbp", std::string("Module=m; ") + c.listed + "\r\n");
    folder.Write("m.bas", kDirtyModule);
    if (c.attribute) {
      ASSERT_TRUE(::SetFileAttributesW(folder.Native("m.bas").c_str(), c.attribute));
    }
    HANDLE other = c.share == kNotHeld ? INVALID_HANDLE_VALUE
                                       : ::CreateFileW(folder.Native("m.bas").c_str(), GENERIC_READ,
                                                       c.share, nullptr, OPEN_EXISTING, 0, nullptr);
    RunFixture run;
    EXPECT_EQ(run.Run(folder.Native("app.vbp")), c.attribute != 0) << c.name;
    if (other != INVALID_HANDLE_VALUE) ::CloseHandle(other);
    EXPECT_EQ(folder.Read("m.bas"), kDirtyModule) << c.name;
    EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"app.vbp", "m.bas"})) << c.name;
    if (c.attribute) {
      EXPECT_TRUE(run.messages.shown.empty()) << c.name;
      ASSERT_TRUE(::SetFileAttributesW(folder.Native("app.vbp").c_str(), c.attribute));
      RunFixture project;
      EXPECT_FALSE(project.Run(folder.Native("app.vbp")));
      ASSERT_EQ(project.messages.shown.size(), 1u) << c.name;
      EXPECT_EQ(project.messages.shown[0].kind, MessageKind::Warning) << c.name;
      continue;
    }
    ASSERT_EQ(run.messages.shown.size(), 1u) << c.name;
    EXPECT_EQ(run.messages.shown[0].kind, MessageKind::Error) << c.name;
    if (c.share != kNotHeld) {
      EXPECT_NE(run.messages.shown[0].text.find(NativeToUtf8(folder.Native("m.bas"))),
                std::string::npos) << run.messages.shown[0].text;
    }
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

// A folder outside the ANSI code page and deeper than MAX_PATH, typed with
// forward slashes, and a module given by its absolute path.
TEST(Windows, PathForms) {
  TempFolder folder;
  folder.Write("elsewhere/abs.bas", kDirtyModule);
  std::wstring deep = L"\\\\?\\" + folder.Native("프로젝트");
  ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr));
  for (int i = 0; i < 8; ++i) {
    deep += L"\\folder-with-a-long-name-number-" + std::to_wstring(i) + L"-xxxxxxxx";
    ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr));
  }
  std::ofstream(std::filesystem::path(deep + L"\\app.vbp"), std::ios::binary)
      << "Module=m; m.bas\r\nModule=a; " << remote::Ansi(folder.Native("elsewhere")) << "\\abs.bas\r\n";
  std::ofstream(std::filesystem::path(deep + L"\\m.bas"), std::ios::binary) << kDirtyModule;
  std::wstring typed = deep.substr(4) + L"\\app.vbp";
  std::replace(typed.begin(), typed.end(), L'\\', L'/');
  ASSERT_GT(typed.size(), 300u);
  RunFixture run;
  EXPECT_TRUE(run.Run(typed));
  EXPECT_TRUE(run.messages.shown.empty());
  std::string cleaned;
  ASSERT_TRUE(SystemFileSystem().Read(deep + L"\\m.bas", cleaned).status.ok());
  EXPECT_EQ(cleaned, kCleanModule);
  EXPECT_EQ(folder.Read("elsewhere/abs.bas"), kCleanModule);
}

// What the user sees of a file is carried over; what describes its storage is
// not. (Wine keeps read-only, hidden, system and archive; the storage
// attributes show on Windows only.)
TEST(Windows, TemporaryFileTakesTheFilesOwnAttributesOnly) {
  constexpr DWORD kRecallOnDataAccess = 0x00400000;  // newer than MinGW's headers
  const struct {
    DWORD given;
    DWORD kept;
  } cases[] = {
      {FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE},
      {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE,
       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
      {FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE},
      {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_OFFLINE | kRecallOnDataAccess |
           FILE_ATTRIBUTE_SPARSE_FILE,
       FILE_ATTRIBUTE_ARCHIVE},
  };
  TempFolder folder;
  folder.Write("m.bas", kDirtyModule);
  for (const auto& c : cases) {
    TempResult temp = SystemFileSystem().CreateTempBeside(folder.Native("m.bas"));
    ASSERT_TRUE(temp.status.ok());
    FileFacts facts;
    facts.attributes = c.given;
    EXPECT_TRUE(temp.file->CopyMetadata(facts, {}).ok()) << c.given;
    constexpr DWORD kShown = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                             FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                             FILE_ATTRIBUTE_OFFLINE | kRecallOnDataAccess |
                             FILE_ATTRIBUTE_SPARSE_FILE;
    EXPECT_EQ(::GetFileAttributesW(temp.file->path().c_str()) & kShown, c.kept) << c.given;
  }
  EXPECT_EQ(folder.Listing(), (std::vector<std::string>{"m.bas"}));
}

// The access control entries of a file's DACL, as (flags, mask) pairs.
std::vector<std::pair<BYTE, DWORD>> AccessEntries(const std::wstring& path) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::vector<std::pair<BYTE, DWORD>> entries;
  if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return entries;
  }
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (::GetAce(dacl, i, &ace)) {
      const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
      entries.emplace_back(allowed->Header.AceFlags, allowed->Mask);
    }
  }
  ::LocalFree(descriptor);
  return entries;
}

// Gives `path` a DACL of one entry for Everyone: the file's own, or for a
// folder one its files inherit.
bool GiveEveryone(const std::wstring& path, DWORD mask, bool inheritable) {
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) {
    return false;
  }
  EXPLICIT_ACCESSW access{};
  access.grfAccessPermissions = mask;
  access.grfAccessMode = SET_ACCESS;
  access.grfInheritance = inheritable ? OBJECT_INHERIT_ACE : NO_INHERITANCE;
  access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  access.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
  PACL acl = nullptr;
  bool given = ::SetEntriesInAclW(1, &access, nullptr, &acl) == ERROR_SUCCESS &&
               ::SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                                       DACL_SECURITY_INFORMATION, nullptr, nullptr, acl,
                                       nullptr) == ERROR_SUCCESS;
  ::LocalFree(acl);
  ::FreeSid(everyone);
  return given;
}

// A file's own access entry goes with it; one it inherits stays inherited
// (the new file inherits it from the same folder), not made its own.
TEST(Windows, ReplacementKeepsOwnAccessEntriesAndInheritsTheRest) {
  TempFolder folder;
  folder.Write("own/app.vbp", "Module=m; m.bas\r\n");
  folder.Write("own/m.bas", kDirtyModule);
  folder.Write("inherited/app.vbp", "Module=m; m.bas\r\n");
  ASSERT_TRUE(GiveEveryone(folder.Native("inherited"), FILE_ALL_ACCESS, true));
  folder.Write("inherited/m.bas", kDirtyModule);
  ASSERT_TRUE(GiveEveryone(folder.Native("own/m.bas"), FILE_GENERIC_READ | FILE_GENERIC_WRITE,
                           false));
  std::vector<std::string> projects = {"own"};
  const auto inherited = AccessEntries(folder.Native("inherited/m.bas"));
  // Wine marks no entry as inherited; Windows does.
  if (!inherited.empty() && (inherited.front().first & INHERITED_ACE)) projects.push_back("inherited");
  for (const std::string& project : projects) {
    const std::wstring module = folder.Native(project + "/m.bas");
    const auto before = AccessEntries(module);
    ASSERT_FALSE(before.empty()) << project;
    RunFixture run;
    EXPECT_TRUE(run.Run(folder.Native(project + "/app.vbp")));
    EXPECT_EQ(folder.Read(project + "/m.bas"), kCleanModule) << project;
    EXPECT_EQ(AccessEntries(module), before) << project;
  }
}

}  // namespace
}  // namespace velmori::test
