#pragma once
// The project file (.vbp) reader: the source lists and the path-part functions.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "code_page.h"
#include "os/file_system.h"

namespace velmori {

struct RunContext;

enum class SourceCategory { Form, Module, Class, UserControl, PropertyPage };
inline constexpr std::size_t kCategoryCount = 5;
inline constexpr std::array<SourceCategory, kCategoryCount> kCategories = {
    SourceCategory::Form, SourceCategory::Module, SourceCategory::Class,
    SourceCategory::UserControl, SourceCategory::PropertyPage};

// One reference to a source file as the project file writes it (ANSI bytes).
struct SourceEntry {
  std::string strFileName;  // never holds a backslash
  std::string strFolder;    // as written, e.g. ..\Common; empty when none
  bool operator==(const SourceEntry& other) const {
    return strFileName == other.strFileName && strFolder == other.strFolder;
  }
};

// The five source lists, one per category, in project-file order.
class SourceLists {
 public:
  std::vector<SourceEntry>& operator[](SourceCategory category) {
    return lists_[static_cast<std::size_t>(category)];
  }
  const std::vector<SourceEntry>& operator[](SourceCategory category) const {
    return lists_[static_cast<std::size_t>(category)];
  }
  void Clear() {
    for (auto& list : lists_) list.clear();
  }

 private:
  std::array<std::vector<SourceEntry>, kCategoryCount> lists_;
};

// Fills `lists` (emptied first) from the bytes of a project file. Returns false at
// the first line that begins with a key but has no character after it, and
// then sets rlngBadLine to its 1-based number and rstrKey to the key.
bool ParseProjectText(std::string_view bytes, const CodePage& page, SourceLists& lists,
                      std::int32_t& rlngBadLine, std::string& rstrKey);

// Reads the project file into `lists`; reports any failure and returns false.
bool ReadProjectFile(const RunContext& context, const NativeString& vstrVbp, SourceLists& lists);

// The part after the last backslash, without surrounding spaces.
std::string GetFileNamePart(std::string_view vstrPath, const CodePage& page);
// The part before the last backslash, without surrounding spaces; empty when none.
std::string GetFolderPart(std::string_view vstrPath, const CodePage& page);

// A folder given as an absolute path: drive letter and colon, or \\server.
bool IsAbsoluteFolder(std::string_view folder);

}  // namespace velmori
