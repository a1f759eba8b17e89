#pragma once
// The project file (.vbp) reader: the source lists and the path-part functions.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "code_page.h"
#include "source_category.h"

namespace velmori {

// One reference to a source file as the project file writes it (ANSI bytes).
struct SourceEntry {
  std::string fileName;  // never holds a backslash
  std::string folder;    // as written, e.g. ..\Common; empty when none
  bool operator==(const SourceEntry& other) const = default;
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
  bool operator==(const SourceLists& other) const = default;

 private:
  std::array<std::vector<SourceEntry>, kCategoryCount> lists_;
};

// The first line that begins with a key but has no character after it.
struct ValuelessKey {
  std::int32_t line;  // 1-based
  std::string key;    // as the line writes it
};

// What the bytes of a project file list: the source lists, unless a key line
// has no value (then the lists hold what came before that line).
struct ParsedProject {
  SourceLists lists;
  std::optional<ValuelessKey> valuelessKey;
};
ParsedProject ParseProjectText(std::string_view bytes, const CodePage& page);

// `text` without its double-quote characters (a second byte is no quote).
std::string WithoutQuotes(std::string_view text, const CodePage& page);

// A reference split at its last backslash: the file name after it and the
// folder before it (empty when there is none), each without surrounding spaces.
SourceEntry SplitReference(std::string_view reference, const CodePage& page);

// A folder given as an absolute path: drive letter and colon, or \\server.
bool IsAbsoluteFolder(std::string_view folder);

}  // namespace velmori
