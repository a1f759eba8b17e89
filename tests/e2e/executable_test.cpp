// velmori.exe as a file: one self-contained GUI program that needs nothing but
// Windows itself, with its icon, manifest and version information.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "pe_image.h"
#include "program_driver.h"

namespace velmori::test {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// DLLs that every Windows installation has in its system folder.
const std::set<std::string> kSystemDlls = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll",   "kernel32.dll",
    "msvcrt.dll",   "ntdll.dll",    "ole32.dll",    "oleaut32.dll", "shell32.dll",
    "shlwapi.dll",  "ucrtbase.dll", "user32.dll",   "uxtheme.dll",  "version.dll",
};

bool IsApiSet(const std::string& dll) { return Lower(dll).rfind("api-ms-win-", 0) == 0; }

TEST(Executable, ImportsOnlyWindowsSystemDlls) {
  const PeImage image = ReadPeImage(ReadFileBytes(ProgramPath()));
  ASSERT_TRUE(image.valid) << image.error;
  EXPECT_EQ(image.machine, IMAGE_FILE_MACHINE_AMD64);

  std::vector<std::string> all = image.imports;
  all.insert(all.end(), image.delayImports.begin(), image.delayImports.end());
  std::set<std::string> lower;
  for (const auto& dll : all) lower.insert(Lower(dll));
  // What the program cannot do without: the parse found the real table.
  EXPECT_TRUE(lower.count("kernel32.dll"));
  EXPECT_TRUE(lower.count("user32.dll"));
  EXPECT_TRUE(lower.count("comdlg32.dll"));
  EXPECT_TRUE(lower.count("ole32.dll"));

  wchar_t system[MAX_PATH]{};
  GetSystemDirectoryW(system, MAX_PATH);
  for (const auto& dll : all) {
    EXPECT_TRUE(kSystemDlls.count(Lower(dll)) || IsApiSet(dll)) << dll << " is no system DLL";
    if (IsApiSet(dll)) continue;
    const std::wstring path = std::wstring(system) + L"\\" + std::wstring(dll.begin(), dll.end());
    EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES)
        << dll << " is not in the system folder";
  }
}

TEST(Executable, IsAGuiProgramWithoutConsole) {
  const PeImage image = ReadPeImage(ReadFileBytes(ProgramPath()));
  ASSERT_TRUE(image.valid) << image.error;
  EXPECT_EQ(image.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

TEST(PeImage, RejectsWhatIsNoImage) {
  EXPECT_FALSE(ReadPeImage({}).valid);
  EXPECT_FALSE(ReadPeImage({'M', 'Z', 0, 0}).valid);
  std::vector<unsigned char> text(512, 'x');
  EXPECT_FALSE(ReadPeImage(text).valid);
}

// The program's resources, read without running it.
class ProgramResources {
 public:
  ProgramResources()
      : module_(LoadLibraryExW(ProgramPath().c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~ProgramResources() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  HMODULE get() const { return module_; }
  std::string Bytes(LPCWSTR type, LPCWSTR name) const {
    const HRSRC found = FindResourceW(module_, name, type);
    if (found == nullptr) return {};
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module_, found)));
    return data == nullptr ? std::string() : std::string(data, SizeofResource(module_, found));
  }

 private:
  HMODULE module_;
};

TEST(Executable, TheManifestAsksForWhatTheProgramNeeds) {
  ProgramResources resources;
  ASSERT_NE(resources.get(), nullptr);
  const std::string manifest = resources.Bytes(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1));
  ASSERT_FALSE(manifest.empty());
  for (const char* wanted :
       {"Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"", "PerMonitorV2",
        "<longPathAware", ">true</longPathAware>", "level=\"asInvoker\""}) {
    EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
  }
}

TEST(Executable, HasTheIconImagesAndVersionInformation) {
  ProgramResources resources;
  ASSERT_NE(resources.get(), nullptr);
  const std::string group = resources.Bytes(MAKEINTRESOURCEW(14), MAKEINTRESOURCEW(1));
  ASSERT_GE(group.size(), 6u);
  std::vector<std::pair<int, int>> images;  // size, bits per pixel
  const auto count = static_cast<unsigned char>(group[4]);
  for (unsigned i = 0; i < count && 6 + i * 14 + 14 <= group.size(); ++i) {
    const auto* entry = reinterpret_cast<const unsigned char*>(group.data()) + 6 + i * 14;
    images.emplace_back(entry[0], entry[6] | entry[7] << 8);
  }
  std::sort(images.begin(), images.end());
  EXPECT_EQ(images, (std::vector<std::pair<int, int>>{{16, 32}, {32, 8}, {32, 32}, {48, 32}}));

  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(ProgramPath().c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(ProgramPath().c_str(), 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  const auto text = [&](const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT chars = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    return VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &chars)
               ? std::wstring(value)
               : std::wstring();
  };
  EXPECT_EQ(text(L"ProductName"), L"Velmori");
  EXPECT_EQ(text(L"OriginalFilename"), L"velmori.exe");
  const std::wstring version = text(L"FileVersion");
  EXPECT_EQ(version, VELMORI_EXPECTED_VERSION);
  EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), std::stoul(version.substr(0, version.find(L'.'))));
}

}  // namespace
}  // namespace velmori::test
