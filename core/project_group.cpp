#include "project_group.h"

#include <string>

#include "text_scan.h"

namespace velmori {

using scan::LineSplitter;
using scan::StartsWithNoCase;

bool IsProjectGroup(std::string_view bytes) {
  LineSplitter lines(bytes);
  std::string_view first;
  return lines.Next(first) && StartsWithNoCase(first, "vbgroup");
}

std::vector<SourceEntry> ParseGroupText(std::string_view bytes, const CodePage& page) {
  static constexpr std::string_view kKeys[] = {"project=", "startupproject="};
  std::vector<SourceEntry> projects;
  LineSplitter lines(bytes);
  std::string_view line;
  while (lines.Next(line)) {
    for (std::string_view key : kKeys) {
      if (!StartsWithNoCase(line, key)) continue;
      const std::string value = WithoutQuotes(line.substr(key.size()), page);
      SourceEntry entry = SplitReference(value, page);
      if (!entry.fileName.empty()) projects.push_back(std::move(entry));
    }
  }
  return projects;
}

}  // namespace velmori
