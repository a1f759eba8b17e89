#pragma once
// The second half of a run (project_run.cpp reads the projects and lists
// their sources): every listed source read, cleaned, replaced and told, in
// list order.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "project_run.h"

namespace velmori {

// The sources of a run in the order they are cleaned: category by category
// within each project, as the progress display shows them.
struct SourceList {
  struct Category {
    std::int32_t count;   // its files, repeats included
    const char* message;  // what the progress display shows meanwhile
  };
  std::vector<Category> categories;
  std::vector<NativeString> paths;  // every category's in turn, joined to the project's folder
};

// Reads a file a run lists (a source, or a group's project), perhaps written
// in another letter case than it has on disk: `path` becomes its real name
// when only another case finds it.
std::variant<ReadResult, RunFailure> ReadListed(FileSystem& files, NativeString& path,
                                                std::string& bytes, FolderNames& folders);

// Cleans the sources in order. False after a failure has been told, or when
// the progress port asked the run to stop.
bool CleanSources(const RunContext& context, const SourceList& sources, FolderNames& folders);

}  // namespace velmori
