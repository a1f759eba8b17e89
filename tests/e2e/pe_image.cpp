#include "pe_image.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>

namespace velmori::test {
namespace {

class Reader {
 public:
  explicit Reader(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}

  template <typename T>
  bool Get(std::size_t offset, T& out) const {
    if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) return false;
    std::memcpy(&out, bytes_.data() + offset, sizeof(T));
    return true;
  }
  bool String(std::size_t offset, std::string& out) const {
    out.clear();
    for (std::size_t i = offset; i < bytes_.size(); ++i) {
      if (bytes_[i] == 0) return true;
      out.push_back(static_cast<char>(bytes_[i]));
    }
    return false;
  }

 private:
  const std::vector<unsigned char>& bytes_;
};

}  // namespace

std::vector<unsigned char> ReadFileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

PeImage ReadPeImage(const std::vector<unsigned char>& bytes) {
  PeImage image;
  const Reader file(bytes);
  IMAGE_DOS_HEADER dos{};
  if (!file.Get(0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) {
    image.error = "no MZ header";
    return image;
  }
  const auto ntOffset = static_cast<std::size_t>(dos.e_lfanew);
  IMAGE_NT_HEADERS64 nt{};
  if (!file.Get(ntOffset, nt) || nt.Signature != IMAGE_NT_SIGNATURE) {
    image.error = "no PE header";
    return image;
  }
  if (nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
    image.error = "not a 64-bit image";
    return image;
  }
  image.machine = nt.FileHeader.Machine;
  image.subsystem = nt.OptionalHeader.Subsystem;

  std::vector<IMAGE_SECTION_HEADER> sections(nt.FileHeader.NumberOfSections);
  const std::size_t sectionOffset = ntOffset + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                                    nt.FileHeader.SizeOfOptionalHeader;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    if (!file.Get(sectionOffset + i * sizeof(IMAGE_SECTION_HEADER), sections[i])) {
      image.error = "truncated section table";
      return image;
    }
  }
  // A relative virtual address as an offset in the file, or 0 when no section holds it.
  const auto toOffset = [&sections](DWORD rva) -> std::size_t {
    for (const auto& section : sections) {
      const DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
      if (rva >= section.VirtualAddress && rva < section.VirtualAddress + size) {
        return section.PointerToRawData + (rva - section.VirtualAddress);
      }
    }
    return 0;
  };
  const auto nameAt = [&](DWORD rva, std::vector<std::string>& into) {
    std::string name;
    const std::size_t offset = toOffset(rva);
    if (offset == 0 || !file.String(offset, name)) return false;
    into.push_back(name);
    return true;
  };

  const IMAGE_DATA_DIRECTORY& imports =
      nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress != 0) {
    std::size_t offset = toOffset(imports.VirtualAddress);
    IMAGE_IMPORT_DESCRIPTOR descriptor{};
    while (offset != 0 && file.Get(offset, descriptor) && descriptor.Name != 0) {
      if (!nameAt(descriptor.Name, image.imports)) {
        image.error = "bad import name";
        return image;
      }
      offset += sizeof descriptor;
    }
  }
  const IMAGE_DATA_DIRECTORY& delayed =
      nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
  if (delayed.VirtualAddress != 0) {
    std::size_t offset = toOffset(delayed.VirtualAddress);
    IMAGE_DELAYLOAD_DESCRIPTOR descriptor{};
    while (offset != 0 && file.Get(offset, descriptor) && descriptor.DllNameRVA != 0) {
      if (!nameAt(descriptor.DllNameRVA, image.delayImports)) {
        image.error = "bad delay import name";
        return image;
      }
      offset += sizeof descriptor;
    }
  }
  image.valid = true;
  return image;
}

}  // namespace velmori::test
