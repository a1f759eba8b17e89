#include "project_run.h"

#include "source_cleaner.h"

namespace velmori {
namespace {

// The progress display is loaded, shown and painted for the length of a run and
// unloaded on every way out of it.
class ShownProgress {
 public:
  explicit ShownProgress(ProgressDisplay& display) : display_(display) {
    display_.Load();
    display_.Show();
    display_.Refresh();
  }
  ShownProgress(const ShownProgress&) = delete;
  ShownProgress& operator=(const ShownProgress&) = delete;
  ~ShownProgress() { display_.Unload(); }

 private:
  ProgressDisplay& display_;
};

}  // namespace

const char* CategoryMessage(SourceCategory category) {
  static constexpr const char* kMessages[kCategoryCount] = {
      "フォームを読み込んでいます…",
      "標準モジュールを読み込んでいます…",
      "クラスモジュールを読み込んでいます…",
      "ユーザーコントロールを読み込んでいます…",
      "プロパティページを読み込んでいます…",
  };
  return kMessages[static_cast<std::size_t>(category)];
}

NativeString SourcePath(const NativeString& projectFolder, const SourceEntry& entry) {
  if (IsAbsoluteFolder(entry.strFolder)) {
    return FullPath(AnsiToNative(entry.strFolder + "\\" + entry.strFileName));
  }
  return FullPath(projectFolder + AnsiToNative("\\" + entry.strFolder + "\\" + entry.strFileName));
}

bool CleanProject(const RunContext& context, const NativeString& vstrVbp) {
  const NativeString project = FullPath(vstrVbp);
  if (project.empty() || !context.files.Probe(project).ordinary) {
    context.messages.ShowMessage("指定されたフォルダに vbp ファイルが見つかりません。",
                                 kStyleWarning);
    return false;
  }
  SourceLists lists;
  if (!ReadProjectFile(context, project, lists)) return false;

  const NativeString projectFolder = FolderOf(project);
  const ShownProgress shown(context.progress);
  SourceBuffers buffers;
  for (SourceCategory category : kCategories) {
    const std::vector<SourceEntry>& list = lists[category];
    if (list.empty()) continue;
    const auto count = static_cast<std::int32_t>(list.size());
    context.progress.InitProgress(count, CategoryMessage(category));
    for (std::int32_t i = 0; i < count; ++i) {
      if (!CleanSourceFile(context, SourcePath(projectFolder, list[i]), buffers)) return false;
      context.progress.Progress(i);
    }
  }
  return true;
}

}  // namespace velmori
