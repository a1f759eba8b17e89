#include "source_run.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <unordered_set>
#include <utility>

#include "source_cleaner.h"

namespace velmori {
namespace {

// A failure with a temporary file of ours: the file goes, or the report names it.
RunFailure DiscardAfter(Fault fault, const NativeString& path, OsStatus status, TempFile& temp) {
  RunFailure failure = FailureOf(fault, path, status);
  if (!temp.Discard()) failure.leftover = temp.path();
  return failure;
}

// One listed source as it has been read.
struct ReadSource {
  NativeString path;   // its name on disk
  bool repeat = false;  // done before in this run (listed twice, or by two projects): not read
  ReadResult read;
  std::string bytes;
  std::optional<RunFailure> failure;  // it could not be read
  std::exception_ptr thrown;          // what reading it threw, thrown again by the run
};

// Reads the listed sources in list order, each file once, on a thread of its
// own and ahead of the run: while the run cleans and writes files, the next
// ones are read. What is read ahead stays under kAheadBytes together with the
// file the run works on, and so do the buffers kept to read into again, so
// that a run holds at most a large file's text twice (read, and cleaned) and
// twice kAheadBytes more. Each side waits for the other only when it has to,
// and is woken only once there is a good part of the budget to work on: under
// Wine every wake is a round trip to the server.
class SourceReader {
 public:
  static constexpr std::size_t kAheadBytes = 1 << 20;
  static constexpr std::size_t kAheadFiles = 256;

  SourceReader(FileSystem& files, const std::vector<NativeString>& paths, FolderNames& folders)
      : files_(files), paths_(paths), folders_(folders), thread_([this] { Work(); }) {}
  SourceReader(const SourceReader&) = delete;
  SourceReader& operator=(const SourceReader&) = delete;
  // Whatever was read ahead is dropped.
  ~SourceReader() {
    {
      const std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    readerWake_.notify_one();
    thread_.join();
  }

  // The next source once it is read. The one before is done with: its
  // buffer, when given back, is read into again.
  ReadSource Next(std::string doneBytes = {}) {
    std::unique_lock lock(mutex_);
    if (spareBytes_ + doneBytes.capacity() <= kAheadBytes && doneBytes.capacity() > 0) {
      spareBytes_ += doneBytes.capacity();
      spares_.push_back(std::move(doneBytes));
    }
    held_ = 0;
    if (readerWaits_ && Roomy()) readerWake_.notify_one();
    if (ahead_.empty()) {
      runWaits_ = true;
      runWake_.wait(lock, [this] { return !ahead_.empty() && Plenty(); });
      runWaits_ = false;
    }
    ReadSource source = std::move(ahead_.front());
    ahead_.pop_front();
    aheadBytes_ -= source.bytes.size();
    held_ = source.bytes.size();
    lock.unlock();
    if (source.thrown) std::rethrow_exception(source.thrown);
    return source;
  }

 private:
  // Whether the reader may read another file.
  bool MayRead() const {
    return ahead_.size() < kAheadFiles && aheadBytes_ + held_ <= kAheadBytes;
  }
  // Whether a waiting reader has enough room to be worth waking.
  bool Roomy() const {
    return ahead_.size() <= kAheadFiles / 2 && aheadBytes_ + held_ <= kAheadBytes / 2;
  }
  // Whether a waiting run has enough to be worth waking.
  bool Plenty() const { return finished_ || readerWaits_ || !Roomy(); }

  void Work() {
    for (const NativeString& listed : paths_) {
      std::string bytes;
      {
        std::unique_lock lock(mutex_);
        if (!stopped_ && !MayRead()) {
          readerWaits_ = true;
          if (runWaits_ && !ahead_.empty()) runWake_.notify_one();
          readerWake_.wait(lock, [this] { return stopped_ || Roomy(); });
          readerWaits_ = false;
        }
        if (stopped_) return;
        if (!spares_.empty()) {
          bytes = std::move(spares_.back());
          spares_.pop_back();
          spareBytes_ -= bytes.capacity();
        }
      }
      ReadSource source = Read(listed, std::move(bytes));
      const std::lock_guard lock(mutex_);
      aheadBytes_ += source.bytes.size();
      ahead_.push_back(std::move(source));
      finished_ = &listed == &paths_.back();
      if (runWaits_ && Plenty()) runWake_.notify_one();
    }
  }

  ReadSource Read(const NativeString& listed, std::string bytes) {
    ReadSource source;
    source.path = listed;
    if (!done_.insert(PathKey(listed)).second) {
      source.repeat = true;
      return source;
    }
    source.bytes = std::move(bytes);
    try {
      std::variant<ReadResult, RunFailure> found =
          ReadListed(files_, source.path, source.bytes, folders_);
      if (RunFailure* failure = std::get_if<RunFailure>(&found)) {
        source.failure = std::move(*failure);
        return source;
      }
      source.read = std::get<ReadResult>(found);
    } catch (const std::bad_alloc&) {
      source.bytes = std::string();
      source.failure = FailureOf(Fault::OutOfMemory, source.path);
      return source;
    } catch (...) {
      source.thrown = std::current_exception();
      return source;
    }
    if (!source.read.status.ok()) {
      source.failure = FailureOf(Fault::SourceUnreadable, source.path, source.read.status);
    } else if (source.path != listed && !done_.insert(PathKey(source.path)).second) {
      source.repeat = true;  // found under another letter case: a file done already
    }
    return source;
  }

  // The reading thread's own.
  FileSystem& files_;
  const std::vector<NativeString>& paths_;
  FolderNames& folders_;
  std::unordered_set<NativeString> done_;  // the keys of the files read

  std::mutex mutex_;
  std::condition_variable readerWake_;
  std::condition_variable runWake_;
  std::deque<ReadSource> ahead_;   // read, not yet taken by the run
  std::size_t aheadBytes_ = 0;
  std::size_t held_ = 0;           // the bytes of the source the run works on
  std::vector<std::string> spares_;  // buffers the run is done with, to read into again
  std::size_t spareBytes_ = 0;
  bool readerWaits_ = false;
  bool runWaits_ = false;
  bool finished_ = false;  // every file is read
  bool stopped_ = false;
  std::thread thread_;  // last: it starts once everything it uses is there
};

// One listed file on its way: its cleaned text in its temporary file, waiting
// to be flushed and put in place, or nothing to write. Told to the progress
// display and the observer once it is in place.
struct PendingSource {
  std::int32_t index = 0;  // in its category
  NativeString path;
  bool repeat = false;
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
// written, then each is flushed, then they are renamed. Flushing each file
// right after writing it would wait for the disk once per file; after the
// batch, the disk has written most of it meanwhile. The renames keep the list
// order, and a failure stops the batch where it happens: the files before it
// are in place, it and the files after it are as they were.
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

  // Puts every pending file in place and tells of it, up to a failure.
  // `original` and `cleaned`: the texts of the one file of a dry run.
  std::optional<RunFailure> Commit(std::string_view original = {}, std::string_view cleaned = {}) {
    std::size_t stop = pending_.size();
    std::optional<RunFailure> failure =
        EachTemp(stop, Fault::NotFlushed, [](TempFile& temp) { return temp.Flush(); });
    if (std::optional<RunFailure> renamed = EachTemp(
            stop, Fault::NotReplaced, [](TempFile& temp) { return temp.MoveOver(); })) {
      failure = std::move(renamed);  // a file before the one that was not flushed
    }
    std::vector<NativeString> folders;  // of the files replaced, each once in a row
    for (std::size_t i = 0; i < stop; ++i) {
      const NativeString& folder = pending_[i].folder;
      if (pending_[i].temp && (folders.empty() || folders.back() != folder)) {
        folders.push_back(folder);
      }
    }
    for (const NativeString& folder : folders) {
      if (const OsStatus status = context_.files.FlushFolder(folder); !status.ok() && !failure) {
        failure = FailureOf(Fault::FolderNotFlushed, folder, status);
      }
    }
    for (std::size_t i = 0; i < stop; ++i) Tell(pending_[i], original, cleaned);
    pending_.clear();  // discards the temporary files after a failure
    files_ = 0;
    bytes_ = 0;
    return failure;
  }

 private:
  // Does `step` to each temporary file before `stop`, in order. At a failure
  // the file is discarded, `stop` becomes its place and the failure is returned.
  template <typename Step>
  std::optional<RunFailure> EachTemp(std::size_t& stop, Fault fault, Step step) {
    for (std::size_t i = 0; i < stop; ++i) {
      PendingSource& source = pending_[i];
      if (!source.temp) continue;
      if (const OsStatus status = step(*source.temp); !status.ok()) {
        stop = i;
        return DiscardAfter(fault, source.path, status, *source.temp);
      }
    }
    return std::nullopt;
  }

  void Tell(const PendingSource& source, std::string_view original, std::string_view cleaned) {
    if (!source.repeat) {
      const bool read = source.kind == FileKind::Ordinary;
      context_.observer.SourceDone(SourceOutcome{source.path, source.state, source.kind,
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
std::optional<RunFailure> WriteTemp(const RunContext& context, PendingSource& pending,
                                    const FileFacts& original, std::string_view cleaned) {
  const ReplaceTarget target = context.files.PrepareReplace(pending.path);
  if (!target.status.ok()) return FailureOf(Fault::NotWritable, pending.path, target.status);
  TempResult temp = context.files.CreateTempBeside(target.realPath);
  if (!temp.status.ok()) return FailureOf(Fault::TempNotCreated, pending.path, temp.status);
  if (const OsStatus status = temp.file->Write(cleaned); !status.ok()) {
    return DiscardAfter(Fault::NotWritten, pending.path, status, *temp.file);
  }
  const OsStatus copied = temp.file->CopyMetadata(original, target.ownSecurity);
  if (!copied.ok()) return DiscardAfter(Fault::MetadataNotCopied, pending.path, copied, *temp.file);
  pending.temp = std::move(temp.file);
  pending.folder = FolderOf(target.realPath);
  return std::nullopt;
}

// Cleans one source that has been read and, when it changed in a run that
// writes, writes its cleaned text to a temporary file for the batch to put in
// place. A file that is missing, a folder, hidden or a system file is skipped.
std::optional<RunFailure> Prepare(const RunContext& context, PendingSource& pending,
                                  ReadSource& source, std::string& cleaned) {
  pending.path = source.path;
  pending.repeat = source.repeat;
  if (source.repeat) return std::nullopt;
  if (source.failure) return std::move(source.failure);
  const FileFacts& facts = source.read.facts;
  pending.kind = facts.kind;
  if (facts.kind != FileKind::Ordinary) {
    pending.state = facts.kind == FileKind::Missing ? SourceState::Missing : SourceState::Skipped;
    return std::nullopt;
  }
  StripResult strip;
  try {
    strip = StripComments(source.bytes, context.codePage, cleaned);
  } catch (const std::bad_alloc&) {
    cleaned = std::string();
    return FailureOf(Fault::OutOfMemory, pending.path);
  }
  // Bytes of another code page, or no text at all: cutting them could cut code.
  if (strip.notTextLine != 0) {
    RunFailure failure = FailureOf(Fault::NotText, pending.path);
    failure.line = strip.notTextLine;
    failure.codePage = context.codePage.id();
    return failure;
  }
  pending.state = strip.changed ? SourceState::Changed : SourceState::Unchanged;
  pending.commentLines = strip.commentLines;
  pending.codePart = strip.codePart;
  pending.bytesBefore = static_cast<std::int64_t>(source.bytes.size());
  pending.bytesAfter = static_cast<std::int64_t>(cleaned.size());
  if (!strip.changed || !context.writes) return std::nullopt;
  if (facts.readOnly) return FailureOf(Fault::ReadOnly, pending.path);
  return WriteTemp(context, pending, facts, cleaned);
}

}  // namespace

std::variant<ReadResult, RunFailure> ReadListed(FileSystem& files, NativeString& path,
                                                std::string& bytes, FolderNames& folders) {
  ReadResult read = files.Read(path, bytes);
  if (!read.status.ok() || read.facts.kind != FileKind::Missing) return read;
  std::vector<NativeString> matches = files.FindInAnyCase(path, folders);
  if (matches.size() > 1) {
    RunFailure failure = FailureOf(Fault::SeveralMatches, path);
    failure.matches = std::move(matches);
    return failure;
  }
  if (matches.empty()) return read;
  path = std::move(matches.front());
  return files.Read(path, bytes);
}

namespace {

// The sources of each category in turn, a batch at a time.
bool CleanBatches(const RunContext& context, const SourceList& sources, SourceReader& reader,
                  Batch& batch) {
  std::string cleaned;
  std::string done;  // the text of the file before, to read the next one into
  // The batch goes in place before a failure is told: the files before it are done.
  const auto stop = [&](std::optional<RunFailure> failure) {
    if (std::optional<RunFailure> first = batch.Commit()) failure = std::move(first);
    if (failure) context.observer.RunFailed(*failure);
    return false;
  };
  for (const SourceList::Category& category : sources.categories) {
    context.progress.CategoryStarted(category.count, category.message);
    for (std::int32_t i = 0; i < category.count; ++i) {
      if (context.progress.StopRequested()) return stop(std::nullopt);
      ReadSource source = reader.Next(std::move(done));
      PendingSource pending;
      pending.index = i;
      if (std::optional<RunFailure> failure = Prepare(context, pending, source, cleaned)) {
        return stop(std::move(failure));
      }
      batch.Add(std::move(pending));
      // A dry run tells of each file while its texts are at hand.
      std::optional<RunFailure> failure;
      if (!context.writes) {
        failure = batch.Commit(source.bytes, cleaned);
      } else if (batch.full()) {
        failure = batch.Commit();
      }
      if (failure) return stop(std::move(failure));
      done = std::move(source.bytes);
    }
    // A category's files are told before the next category begins.
    if (std::optional<RunFailure> failure = batch.Commit()) return stop(std::move(failure));
  }
  return true;
}

}  // namespace

bool CleanSources(const RunContext& context, const SourceList& sources, FolderNames& folders) {
  Batch batch(context);
  SourceReader reader(context.files, sources.paths, folders);
  try {
    return CleanBatches(context, sources, reader, batch);
  } catch (...) {
    batch.Commit();  // what an unforeseen failure interrupts: the files before it are done
    throw;
  }
}

}  // namespace velmori
