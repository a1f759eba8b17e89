#pragma once
// Reads what the tests need from a 64-bit Windows executable file: the DLLs it
// imports (directly or delay-loaded) and its subsystem.

#include <cstdint>
#include <string>
#include <vector>

namespace velmori::test {

struct PeImage {
  bool valid = false;
  std::string error;  // why it is not valid
  std::uint16_t machine = 0;
  std::uint16_t subsystem = 0;
  std::vector<std::string> imports;       // DLL names as written in the file
  std::vector<std::string> delayImports;  // the same for delay-loaded DLLs
};

PeImage ReadPeImage(const std::vector<unsigned char>& bytes);
std::vector<unsigned char> ReadFileBytes(const std::wstring& path);

}  // namespace velmori::test
