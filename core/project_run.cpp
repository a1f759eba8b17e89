#include "project_run.h"

#include <unordered_set>
#include <vector>

#include "error_report.h"
#include "messages.h"
#include "project_group.h"
#include "source_cleaner.h"

namespace velmori {
namespace {

// Reports the start of a run and its end on every way out of it.
class RunScope {
 public:
  explicit RunScope(RunProgress& progress) : progress_(progress) { progress_.RunStarted(); }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;
  ~RunScope() { progress_.RunEnded(); }

 private:
  RunProgress& progress_;
};

struct Project {
  NativeString path;  // full
  SourceLists lists;
};

// The projects of a group, read and checked before anything is cleaned; each
// one missing or unusable is reported as a project of its own would be.
std::optional<std::vector<Project>> ReadGroup(const RunContext& context,
                                              const NativeString& group, std::string_view bytes) {
  const std::vector<SourceEntry> entries = ParseGroupText(bytes, context.codePage);
  if (entries.empty()) {
    ReportFailure(context.messages, text::kProjectUnreadable, group, text::kGroupListsNothing);
    return std::nullopt;
  }
  std::vector<Project> projects;
  std::unordered_set<NativeString> read;
  std::string memberBytes;
  for (const SourceEntry& entry : entries) {
    const NativeString path = SourcePath(FolderOf(group), entry, context.codePage.id());
    if (!read.insert(PathKey(path)).second) continue;  // listed twice
    const std::string missing = std::string(text::kProjectMissing) + "\n\n" + NativeToUtf8(path);
    if (!ReadListFile(context, path, memberBytes, missing)) return std::nullopt;
    if (IsProjectGroup(memberBytes)) {
      ReportFailure(context.messages, text::kProjectUnreadable, path, text::kGroupInGroup);
      return std::nullopt;
    }
    std::optional<SourceLists> lists = ProjectLists(context, path, memberBytes);
    if (!lists) return std::nullopt;
    projects.push_back(Project{path, std::move(*lists)});
  }
  return projects;
}

// `done`: the keys of the files this run has cleaned already. A file listed
// again (twice in a project, or by two projects of a group) counts on the
// progress bar but is cleaned and reported once.
bool CleanSources(const RunContext& context, const Project& project, SourceBuffers& buffers,
                  std::unordered_set<NativeString>& done) {
  const NativeString projectFolder = FolderOf(project.path);
  for (const CategoryInfo& row : kCategoryTable) {
    const std::vector<SourceEntry>& list = project.lists[row.category];
    if (list.empty()) continue;
    const auto count = static_cast<std::int32_t>(list.size());
    context.progress.CategoryStarted(count, row.progressMessage);
    for (std::int32_t i = 0; i < count; ++i) {
      if (context.progress.StopRequested()) return false;
      const NativeString path = SourcePath(projectFolder, list[i], context.codePage.id());
      if (done.insert(PathKey(path)).second && !CleanSourceFile(context, path, buffers)) {
        return false;
      }
      context.progress.FileDone(i);
    }
  }
  return true;
}

}  // namespace

NativeString SourcePath(const NativeString& folder, const SourceEntry& entry, unsigned codePage) {
  if (IsAbsoluteFolder(entry.folder)) {
    return FullPath(AnsiToNative(entry.folder + "\\" + entry.fileName, codePage));
  }
  return FullPath(folder + AnsiToNative("\\" + entry.folder + "\\" + entry.fileName, codePage));
}

NativeString PathFromUserText(const NativeString& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

bool CleanProject(const RunContext& context, const NativeString& project) {
  const NativeString fullPath = FullPath(project);
  std::string bytes;
  if (!ReadListFile(context, fullPath, bytes, text::kProjectMissing)) return false;
  std::vector<Project> projects;
  if (IsProjectGroup(bytes)) {
    std::optional<std::vector<Project>> group = ReadGroup(context, fullPath, bytes);
    if (!group) return false;
    projects = std::move(*group);
  } else {
    std::optional<SourceLists> lists = ProjectLists(context, fullPath, bytes);
    if (!lists) return false;
    projects.push_back(Project{fullPath, std::move(*lists)});
  }

  const RunScope scope(context.progress);
  SourceBuffers buffers;
  std::unordered_set<NativeString> done;
  for (const Project& each : projects) {
    if (!CleanSources(context, each, buffers, done)) return false;
  }
  return true;
}

}  // namespace velmori
