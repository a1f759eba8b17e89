#include "project_run.h"

#include "messages.h"
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

}  // namespace

NativeString SourcePath(const NativeString& projectFolder, const SourceEntry& entry) {
  if (IsAbsoluteFolder(entry.folder)) {
    return FullPath(AnsiToNative(entry.folder + "\\" + entry.fileName));
  }
  return FullPath(projectFolder + AnsiToNative("\\" + entry.folder + "\\" + entry.fileName));
}

bool CleanProject(const RunContext& context, const NativeString& project) {
  const NativeString fullPath = FullPath(project);
  if (fullPath.empty() || !context.files.Probe(fullPath).ordinary) {
    context.messages.ShowMessage(text::kProjectMissing, MessageKind::Warning);
    return false;
  }
  const std::optional<SourceLists> lists = ReadProjectFile(context, fullPath);
  if (!lists) return false;

  const NativeString projectFolder = FolderOf(fullPath);
  const RunScope scope(context.progress);
  SourceBuffers buffers;
  for (const CategoryInfo& row : kCategoryTable) {
    const std::vector<SourceEntry>& list = (*lists)[row.category];
    if (list.empty()) continue;
    const auto count = static_cast<std::int32_t>(list.size());
    context.progress.CategoryStarted(count, row.progressMessage);
    for (std::int32_t i = 0; i < count; ++i) {
      if (context.progress.StopRequested()) return false;
      if (!CleanSourceFile(context, SourcePath(projectFolder, list[i]), buffers)) return false;
      context.progress.FileDone(i);
    }
  }
  return true;
}

}  // namespace velmori
