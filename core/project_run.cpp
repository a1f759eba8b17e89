#include "project_run.h"

#include <new>
#include <optional>
#include <unordered_set>
#include <utility>
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

// The bytes of a project or group file, read through one open. A file that is
// not there (missing, a folder, hidden or a system file) gets the warning
// `missingWarning`, any other failure the error report; false after either.
bool ReadListFile(const RunContext& context, const NativeString& path, std::string& bytes,
                  const std::string& missingWarning) {
  const ReadResult read = context.files.Read(path, bytes);
  if (!read.facts.ordinary) {
    context.messages.ShowMessage(missingWarning, MessageKind::Warning);
    return false;
  }
  if (read.status.ok()) return true;
  ReportFailure(context.messages, text::kProjectUnreadable, path, read.status);
  return false;
}

// The source lists of a project file's bytes; nothing after a failure has been reported.
std::optional<SourceLists> ProjectLists(const RunContext& context, const NativeString& project,
                                        std::string_view bytes) {
  ParsedProject parsed = ParseProjectText(bytes, context.codePage);
  if (const auto& missing = parsed.missingValue) {
    ReportFailure(context.messages, text::kProjectUnreadable, project,
                  text::MissingValue(missing->line, missing->key));
    return std::nullopt;
  }
  return std::move(parsed.lists);
}

// A failure on the way to replacing `path`, which is still as it was.
void ReportUnchanged(const RunContext& context, std::string_view what, const NativeString& path,
                     OsStatus status, const NativeString& leftover = {}) {
  std::string description = DescribeFailure(status);
  description += "\n";
  description += text::kSourceUnchanged;
  if (!leftover.empty()) {
    description += "\n\n";
    description += text::kTempLeftBehind;
    description += "\n";
    description += NativeToUtf8(leftover);
  }
  ReportFailure(context.messages, what, path, description);
}

// Writes `cleaned` to a new file beside the original's real path and swaps it
// in; on any failure the new file is removed and the original stays. `path`
// is the one the project lists, for the reports.
bool ReplaceWithCleaned(const RunContext& context, const NativeString& path,
                        const NativeString& realPath, const FileFacts& original,
                        std::string_view cleaned) {
  TempResult temp = context.files.CreateTempBeside(realPath);
  if (!temp.status.ok()) {
    ReportUnchanged(context, text::kTempNotCreated, path, temp.status);
    return false;
  }
  const char* what = text::kNotWritten;
  OsStatus status = temp.file->Write(cleaned);
  if (status.ok()) {
    what = text::kMetadataNotCopied;
    status = temp.file->CopyMetadata(original);
  }
  if (status.ok()) {
    what = text::kNotReplaced;
    status = temp.file->MoveOver();
  }
  if (status.ok()) return true;
  const bool removed = temp.file->Discard();
  ReportUnchanged(context, what, path, status, removed ? NativeString() : temp.file->path());
  return false;
}

// Buffers reused from file to file, so a run allocates once for its largest file.
struct SourceBuffers {
  std::string original;
  std::string cleaned;
};

// Cleans one file in place: a file that is missing, a folder, hidden or a
// system file is skipped; an unchanged file is not written; otherwise the
// cleaned text replaces the file in one step. Reports failures.
bool CleanSourceFile(const RunContext& context, const NativeString& path, SourceBuffers& buffers) {
  const auto done = [&](SourceState state, std::int64_t commentLines) {
    if (context.observer == nullptr) return;
    const bool read = state != SourceState::Skipped;
    context.observer->SourceDone(SourceOutcome{path, state,
                                               read ? buffers.original : std::string_view(),
                                               read ? buffers.cleaned : std::string_view(),
                                               commentLines});
  };
  ReadResult read;
  StripResult strip;
  try {
    read = context.files.Read(path, buffers.original);
    if (!read.facts.ordinary) {  // missing, a folder, hidden or system: skipped
      done(SourceState::Skipped, 0);
      return true;
    }
    if (!read.status.ok()) {
      ReportFailure(context.messages, text::kSourceUnreadable, path, read.status);
      return false;
    }
    strip = StripComments(buffers.original, context.codePage, buffers.cleaned);
  } catch (const std::bad_alloc&) {
    buffers = SourceBuffers();
    ReportFailure(context.messages, text::kSourceUnreadable, path, text::kOutOfMemory);
    return false;
  }
  if (!strip.changed || !context.writes) {
    done(strip.changed ? SourceState::Changed : SourceState::Unchanged, strip.commentLines);
    return true;
  }
  if (read.facts.readOnly) {
    ReportUnchanged(context, text::kReadOnlySource, path, ReadOnlyError());
    return false;
  }
  // Asked only now, of the file still open: a file left as it was needs no answer.
  const NativeString realPath = read.file ? read.file->RealPath() : path;
  read.file.reset();  // closed before it is replaced
  if (!ReplaceWithCleaned(context, path, realPath, read.facts, buffers.cleaned)) return false;
  done(SourceState::Changed, strip.commentLines);
  return true;
}


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
