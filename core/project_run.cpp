#include "project_run.h"

#include <new>
#include <optional>
#include <unordered_set>
#include <utility>
#include <variant>
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

// A failure to report once the files before it are in place: what failed, on
// which file, and the system's reason with what became of the file.
struct Failure {
  const char* what;
  NativeString path;
  std::string description;
};

void Report(const RunContext& context, const Failure& failure) {
  ReportFailure(context.messages, failure.what, failure.path, failure.description);
}

// Several files whose names differ from the listed one in letter case alone.
Failure SeveralMatches(const NativeString& listed, const std::vector<NativeString>& matches) {
  std::string description = text::kMatchesFound;
  for (const NativeString& match : matches) {
    description += '\n';
    description += NativeToUtf8(match);
  }
  return {text::kSeveralMatches, listed, std::move(description)};
}

// Reads a listed file (a source, or a group's project) that is perhaps written
// in another letter case than it is on disk. `path` becomes its real name when
// only another case finds it.
std::variant<ReadResult, Failure> ReadListed(const RunContext& context, NativeString& path,
                                             std::string& bytes, FolderNames& folders) {
  ReadResult read = context.files.Read(path, bytes);
  if (!read.status.ok() || read.facts.kind != FileKind::Missing) return read;
  std::vector<NativeString> matches = context.files.FindInAnyCase(path, folders);
  if (matches.size() > 1) return SeveralMatches(path, matches);
  if (matches.empty()) return read;
  path = std::move(matches.front());
  return context.files.Read(path, bytes);
}

// The bytes of a project or group file, read through one open. A file that is
// not there (missing, a folder, hidden or a system file) gets the warning
// `missingWarning`, any other failure the error report; false after either.
bool ReadListFile(const RunContext& context, const NativeString& path, std::string& bytes,
                  const std::string& missingWarning) {
  const ReadResult read = context.files.Read(path, bytes);
  if (!read.status.ok()) {
    ReportFailure(context.messages, text::kProjectUnreadable, path, read.status);
    return false;
  }
  if (read.facts.kind != FileKind::Ordinary) {
    context.messages.ShowMessage(missingWarning, MessageKind::Warning);
    return false;
  }
  return true;
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
Failure Unchanged(const char* what, const NativeString& path, OsStatus status,
                  const NativeString& leftover = {}) {
  std::string description = DescribeFailure(status);
  description += "\n";
  description += text::kSourceUnchanged;
  if (!leftover.empty()) {
    description += "\n\n";
    description += text::kTempLeftBehind;
    description += "\n";
    description += NativeToUtf8(leftover);
  }
  return {what, path, std::move(description)};
}

// Removes a temporary file after a failure; the failure names it when it stays.
Failure DiscardAfter(const char* what, const NativeString& path, OsStatus status,
                     TempFile& temp) {
  return Unchanged(what, path, status, temp.Discard() ? NativeString() : temp.path());
}

// Buffers reused from file to file, so a run allocates once for its largest file.
struct SourceBuffers {
  std::string original;
  std::string cleaned;
};

// One listed file on its way: cleaned text in its temporary file, waiting to
// be flushed and put in place, or nothing to write (skipped, unchanged, done
// already). Told to the progress display and the observer once it is in place.
struct PendingSource {
  std::int32_t index = 0;  // in its category
  NativeString path;       // as listed, for the reports
  bool repeat = false;  // listed before in this run: counted, not reported again
  SourceState state = SourceState::Missing;
  FileKind kind = FileKind::Missing;
  std::int64_t commentLines = 0;
  std::int64_t bytesBefore = 0;
  std::int64_t bytesAfter = 0;
  bool codePart = false;
  std::unique_ptr<TempFile> temp;  // when the file is to be replaced
  NativeString folder;             // the real folder it is replaced in
};

// Files are replaced a batch at a time: every cleaned file of the batch is
// written and flushed before the first of them is renamed, since one flush
// after many writes costs far less than a flush after each. The renames keep
// the list order, and a failure stops the batch where it happens: the files
// before it are in place, it and the files after it are as they were.
class Batch {
 public:
  static constexpr std::size_t kMaxFiles = 64;
  static constexpr std::int64_t kMaxBytes = 64 << 20;

  explicit Batch(const RunContext& context) : context_(context) {}

  bool full() const { return files_ >= kMaxFiles || bytes_ >= kMaxBytes; }

  void Add(PendingSource source) {
    if (source.temp) {
      ++files_;
      bytes_ += source.bytesAfter;
    }
    pending_.push_back(std::move(source));
  }

  // Puts every pending file in place and tells of it; the failure that
  // stopped it, when one did (already reported).
  bool Commit(std::string_view original = {}, std::string_view cleaned = {}) {
    std::size_t stop = pending_.size();
    std::optional<Failure> failure;
    for (std::size_t i = 0; i < stop; ++i) {
      PendingSource& source = pending_[i];
      if (!source.temp) continue;
      if (const OsStatus status = source.temp->Flush(); !status.ok()) {
        failure = DiscardAfter(text::kNotFlushed, source.path, status, *source.temp);
        stop = i;
      }
    }
    std::vector<NativeString> folders;
    for (std::size_t i = 0; i < stop; ++i) {
      PendingSource& source = pending_[i];
      if (!source.temp) continue;
      if (const OsStatus status = source.temp->MoveOver(); !status.ok()) {
        failure = DiscardAfter(text::kNotReplaced, source.path, status, *source.temp);
        stop = i;
        break;
      }
      if (folders.empty() || folders.back() != source.folder) folders.push_back(source.folder);
    }
    for (const NativeString& folder : folders) {
      if (const OsStatus status = context_.files.FlushFolder(folder); !status.ok() && !failure) {
        failure = Failure{text::kFolderNotFlushed, folder, DescribeFailure(status)};
      }
    }
    for (std::size_t i = 0; i < stop; ++i) Tell(pending_[i], original, cleaned);
    pending_.clear();
    files_ = 0;
    bytes_ = 0;
    if (failure) Report(context_, *failure);
    return !failure;
  }

 private:
  void Tell(const PendingSource& source, std::string_view original, std::string_view cleaned) {
    if (!source.repeat && context_.observer != nullptr) {
      const bool read = source.kind == FileKind::Ordinary;
      context_.observer->SourceDone(SourceOutcome{source.path, source.state, source.kind,
                                                  read ? original : std::string_view(),
                                                  read ? cleaned : std::string_view(),
                                                  source.bytesBefore, source.bytesAfter,
                                                  source.commentLines, source.codePart});
    }
    context_.progress.FileDone(source.index);
  }

  const RunContext& context_;
  std::vector<PendingSource> pending_;
  std::size_t files_ = 0;
  std::int64_t bytes_ = 0;
};

// Writes `cleaned` to a new file beside the original's real path, with the
// original's metadata; on any failure the new file is removed.
std::optional<Failure> WriteTemp(const RunContext& context, PendingSource& source,
                                 const NativeString& realPath, const FileFacts& original,
                                 const std::string& ownSecurity, std::string_view cleaned) {
  if (const OsStatus status = context.files.CheckWritable(realPath); !status.ok()) {
    return Unchanged(text::kNotWritable, source.path, status);
  }
  TempResult temp = context.files.CreateTempBeside(realPath);
  if (!temp.status.ok()) return Unchanged(text::kTempNotCreated, source.path, temp.status);
  if (const OsStatus status = temp.file->Write(cleaned); !status.ok()) {
    return DiscardAfter(text::kNotWritten, source.path, status, *temp.file);
  }
  if (const OsStatus status = temp.file->CopyMetadata(original, ownSecurity); !status.ok()) {
    return DiscardAfter(text::kMetadataNotCopied, source.path, status, *temp.file);
  }
  source.temp = std::move(temp.file);
  source.folder = FolderOf(realPath);
  return std::nullopt;
}

// What a run keeps from file to file: buffers sized once for its largest file,
// the files done (a file listed again, twice in a project or by two projects
// of a group, counts on the progress bar but is cleaned and told once), and
// the folders listed for names in another letter case.
struct RunState {
  SourceBuffers buffers;
  std::unordered_set<NativeString> done;
  FolderNames folders;
};

// Reads and cleans one file and, when it changed in a run that writes, writes
// its cleaned text to a temporary file for the batch to put in place. A file
// that is missing, a folder, hidden or a system file is skipped.
std::optional<Failure> PrepareSource(const RunContext& context, PendingSource& source,
                                     RunState& state) {
  SourceBuffers& buffers = state.buffers;
  const NativeString listed = source.path;
  ReadResult read;
  StripResult strip;
  try {
    std::variant<ReadResult, Failure> found =
        ReadListed(context, source.path, buffers.original, state.folders);
    if (Failure* failure = std::get_if<Failure>(&found)) return std::move(*failure);
    read = std::move(std::get<ReadResult>(found));
    if (!read.status.ok()) {
      return Failure{text::kSourceUnreadable, source.path, DescribeFailure(read.status)};
    }
    // Found under another letter case: perhaps a file this run has done already.
    if (source.path != listed && !state.done.insert(PathKey(source.path)).second) {
      source.repeat = true;
      return std::nullopt;
    }
    source.kind = read.facts.kind;
    if (read.facts.kind != FileKind::Ordinary) {
      source.state =
          read.facts.kind == FileKind::Missing ? SourceState::Missing : SourceState::Skipped;
      return std::nullopt;
    }
    strip = StripComments(buffers.original, context.codePage, buffers.cleaned);
  } catch (const std::bad_alloc&) {
    buffers = SourceBuffers();
    return Failure{text::kSourceUnreadable, source.path, text::kOutOfMemory};
  }
  // Bytes of another code page, or no text at all: cutting them could cut code.
  if (strip.notTextLine != 0) {
    return Failure{text::kSourceNotText, source.path,
                   text::NotTextAt(strip.notTextLine, context.codePage.id()) + "\n" +
                       text::kSourceUnchanged};
  }
  source.codePart = strip.codePart;
  source.state = strip.changed ? SourceState::Changed : SourceState::Unchanged;
  source.commentLines = strip.commentLines;
  source.bytesBefore = static_cast<std::int64_t>(buffers.original.size());
  source.bytesAfter = static_cast<std::int64_t>(buffers.cleaned.size());
  if (!strip.changed || !context.writes) return std::nullopt;
  if (read.facts.readOnly) return Unchanged(text::kReadOnlySource, source.path, ReadOnlyError());
  // Asked only now, of the file still open: a file left as it was needs no answer.
  const NativeString realPath = read.file->RealPath();
  const std::string ownSecurity = read.file->OwnSecurity();
  read.file.reset();  // closed before it is replaced
  return WriteTemp(context, source, realPath, read.facts, ownSecurity, buffers.cleaned);
}

struct Project {
  NativeString path;  // full
  SourceLists lists;
};

// The projects of a group, read and checked before anything is cleaned; each
// one missing or unusable is reported as a project of its own would be.
std::optional<std::vector<Project>> ReadGroup(const RunContext& context, const NativeString& group,
                                              std::string_view bytes, RunState& state) {
  const std::vector<SourceEntry> entries = ParseGroupText(bytes, context.codePage);
  if (entries.empty()) {
    ReportFailure(context.messages, text::kProjectUnreadable, group, text::kGroupListsNothing);
    return std::nullopt;
  }
  std::vector<Project> projects;
  std::unordered_set<NativeString> read;
  std::string memberBytes;
  for (const SourceEntry& entry : entries) {
    NativeString path = SourcePath(FolderOf(group), entry, context.codePage.id());
    std::variant<ReadResult, Failure> found = ReadListed(context, path, memberBytes, state.folders);
    if (const Failure* failure = std::get_if<Failure>(&found)) {
      Report(context, *failure);
      return std::nullopt;
    }
    const ReadResult& member = std::get<ReadResult>(found);
    if (!member.status.ok()) {
      ReportFailure(context.messages, text::kProjectUnreadable, path, member.status);
      return std::nullopt;
    }
    if (member.facts.kind != FileKind::Ordinary) {
      context.messages.ShowMessage(
          std::string(text::kProjectMissing) + "\n\n" + NativeToUtf8(path), MessageKind::Warning);
      return std::nullopt;
    }
    if (!read.insert(PathKey(path)).second) continue;  // listed twice
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

bool CleanSources(const RunContext& context, const Project& project, RunState& state) {
  const NativeString projectFolder = FolderOf(project.path);
  Batch batch(context);
  for (const CategoryInfo& row : kCategoryTable) {
    const std::vector<SourceEntry>& list = project.lists[row.category];
    if (list.empty()) continue;
    const auto count = static_cast<std::int32_t>(list.size());
    context.progress.CategoryStarted(count, row.progressMessage);
    for (std::int32_t i = 0; i < count; ++i) {
      if (context.progress.StopRequested()) {
        batch.Commit();
        return false;
      }
      PendingSource source;
      source.index = i;
      source.path = SourcePath(projectFolder, list[i], context.codePage.id());
      source.repeat = !state.done.insert(PathKey(source.path)).second;
      if (!source.repeat) {
        if (const std::optional<Failure> failure = PrepareSource(context, source, state)) {
          if (batch.Commit()) Report(context, *failure);
          return false;
        }
      }
      batch.Add(std::move(source));
      // A dry run tells of each file while its texts are at hand.
      if (!context.writes) {
        batch.Commit(state.buffers.original, state.buffers.cleaned);
      } else if (batch.full() && !batch.Commit()) {
        return false;
      }
    }
    if (!batch.Commit()) return false;  // a category's files are told before the next begins
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
  RunState state;
  std::vector<Project> projects;
  if (IsProjectGroup(bytes)) {
    std::optional<std::vector<Project>> group = ReadGroup(context, fullPath, bytes, state);
    if (!group) return false;
    projects = std::move(*group);
  } else {
    std::optional<SourceLists> lists = ProjectLists(context, fullPath, bytes);
    if (!lists) return false;
    projects.push_back(Project{fullPath, std::move(*lists)});
  }

  const RunScope scope(context.progress);
  for (const Project& each : projects) {
    if (!CleanSources(context, each, state)) return false;
  }
  return true;
}

}  // namespace velmori
