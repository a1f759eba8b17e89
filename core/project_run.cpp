// A run in the order it happens: read the project file, or the group file and
// each project it lists; list the sources; then clean them (source_run.cpp).

#include "project_run.h"

#include <optional>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

#include "project_group.h"
#include "source_category.h"
#include "source_run.h"

namespace velmori {
namespace {

// Tells the start of a run and its end on every way out of it.
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

// The source lists of a project file's bytes, or why there are none.
std::variant<SourceLists, RunFailure> ListsOf(const NativeString& project, std::string_view bytes,
                                              const CodePage& page) {
  ParsedProject parsed = ParseProjectText(bytes, page);
  if (const std::optional<ValuelessKey>& valueless = parsed.valuelessKey) {
    RunFailure failure = FailureOf(Fault::KeyWithoutValue, project);
    failure.line = valueless->line;
    failure.key = valueless->key;
    return failure;
  }
  return std::move(parsed.lists);
}

// Reads a project file, or a project a group lists (`missing` tells which:
// perhaps written in another letter case). The failure when it cannot be used.
std::optional<RunFailure> ReadProjectFile(const RunContext& context, NativeString& path,
                                          std::string& bytes, Fault missing,
                                          FolderNames& folders) {
  std::variant<ReadResult, RunFailure> found =
      missing == Fault::MemberMissing ? ReadListed(context.files, path, bytes, folders)
                                      : context.files.Read(path, bytes);
  if (RunFailure* failure = std::get_if<RunFailure>(&found)) return std::move(*failure);
  const ReadResult& read = std::get<ReadResult>(found);
  if (!read.status.ok()) return FailureOf(Fault::ProjectUnreadable, path, read.status);
  if (read.facts.kind != FileKind::Ordinary) return FailureOf(missing, path);
  return std::nullopt;
}

// The projects a run cleans: the one named, or each project of the group named
// in the group's order, every one read and checked before anything is cleaned.
std::variant<std::vector<Project>, RunFailure> ReadProjects(const RunContext& context,
                                                            const NativeString& named,
                                                            FolderNames& folders) {
  NativeString path = named;
  std::string bytes;
  if (std::optional<RunFailure> failure =
          ReadProjectFile(context, path, bytes, Fault::ProjectMissing, folders)) {
    return std::move(*failure);
  }
  if (!IsProjectGroup(bytes)) {
    std::variant<SourceLists, RunFailure> lists = ListsOf(path, bytes, context.codePage);
    if (RunFailure* failure = std::get_if<RunFailure>(&lists)) return std::move(*failure);
    return std::vector<Project>{{path, std::move(std::get<SourceLists>(lists))}};
  }
  const std::vector<SourceEntry> members = ParseGroupText(bytes, context.codePage);
  if (members.empty()) return FailureOf(Fault::GroupListsNothing, path);
  std::vector<Project> projects;
  std::unordered_set<NativeString> read;
  for (const SourceEntry& member : members) {
    NativeString memberPath = SourcePath(FolderOf(path), member, context.codePage.id());
    if (std::optional<RunFailure> failure =
            ReadProjectFile(context, memberPath, bytes, Fault::MemberMissing, folders)) {
      return std::move(*failure);
    }
    if (!read.insert(PathKey(memberPath)).second) continue;  // listed twice
    if (IsProjectGroup(bytes)) return FailureOf(Fault::GroupInGroup, memberPath);
    std::variant<SourceLists, RunFailure> lists = ListsOf(memberPath, bytes, context.codePage);
    if (RunFailure* failure = std::get_if<RunFailure>(&lists)) return std::move(*failure);
    projects.push_back({memberPath, std::move(std::get<SourceLists>(lists))});
  }
  return projects;
}

// Every source of the projects, category by category within each project.
SourceList ListSources(const std::vector<Project>& projects, unsigned codePage) {
  SourceList sources;
  for (const Project& project : projects) {
    const NativeString folder = FolderOf(project.path);
    for (const CategoryInfo& row : kCategoryTable) {
      const std::vector<SourceEntry>& entries = project.lists[row.category];
      if (entries.empty()) continue;
      sources.categories.push_back(
          {static_cast<std::int32_t>(entries.size()), row.progressMessage});
      for (const SourceEntry& entry : entries) {
        sources.paths.push_back(SourcePath(folder, entry, codePage));
      }
    }
  }
  return sources;
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
  FolderNames folders;
  std::variant<std::vector<Project>, RunFailure> projects =
      ReadProjects(context, FullPath(project), folders);
  if (const RunFailure* failure = std::get_if<RunFailure>(&projects)) {
    context.observer.RunFailed(*failure);
    return false;
  }
  const SourceList sources =
      ListSources(std::get<std::vector<Project>>(projects), context.codePage.id());
  const RunScope scope(context.progress);
  return CleanSources(context, sources, folders);
}

}  // namespace velmori
