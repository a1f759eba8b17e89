#include "project_group.h"

#include <string>

#include "text_scan.h"

namespace velmori {
namespace {

using namespace scan;

// Whether `line` begins with `lowerKey`, ASCII letters of either case.
bool StartsWith(std::string_view line, std::string_view lowerKey) {
  return line.size() >= lowerKey.size() && EqualsNoCase(line.data(), lowerKey);
}

}  // namespace

bool IsProjectGroup(std::string_view bytes) {
  LineSplitter lines(bytes);
  std::string_view first;
  return lines.Next(first) && StartsWith(first, "vbgroup");
}

std::vector<SourceEntry> ParseGroupText(std::string_view bytes, const CodePage& page) {
  static constexpr std::string_view kKeys[] = {"project=", "startupproject="};
  std::vector<SourceEntry> projects;
  LineSplitter lines(bytes);
  std::string_view line;
  while (lines.Next(line)) {
    for (std::string_view key : kKeys) {
      if (!StartsWith(line, key)) continue;
      const std::string_view rest = line.substr(key.size());
      std::string value;
      const char* const end = rest.data() + rest.size();
      for (const char* p = rest.data(); p != end;) {
        const std::size_t length = page.CharLength(p, end);
        if (!(length == 1 && *p == '"')) value.append(p, length);
        p += length;
      }
      SourceEntry entry{GetFileNamePart(value, page), GetFolderPart(value, page)};
      if (!entry.fileName.empty()) projects.push_back(std::move(entry));
    }
  }
  return projects;
}

}  // namespace velmori
