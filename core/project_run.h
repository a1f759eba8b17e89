#pragma once
// One run: read the project file (or each project of a group), then read,
// clean and replace every source file it lists. The run tells what happened as
// data; the front ends put it into words.

#include <cstdint>
#include <string_view>

#include "code_page.h"
#include "messages.h"
#include "os/file_system.h"
#include "project_file.h"
#include "run_failure.h"
#include "ui_port.h"

namespace velmori {

// What became of one listed source file.
enum class SourceState {
  Missing,    // not there: no such file or folder
  Skipped,    // a folder, hidden or a system file (`kind` tells which)
  Unchanged,  // its cleaned text is its text
  Changed,    // cleaned in place; in a dry run, would be
};

struct SourceOutcome {
  const NativeString& path;  // its name on disk, when the project writes it in another case
  SourceState state;
  FileKind kind;
  // The bytes read and the cleaned text, in a dry run; empty in a run that
  // writes (the file is told once it is in place, its texts long gone).
  std::string_view original;
  std::string_view cleaned;
  std::int64_t bytesBefore;   // 0 when not read
  std::int64_t bytesAfter;
  std::int64_t commentLines;  // as the cleaner counted them
  bool codePart;              // some line is code (none: no Attribute line, comments kept)
};

// Told what a run does, as it does it.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // Each listed source once the run is done with it, in the order of the lists.
  virtual void SourceDone(const SourceOutcome&) {}
  // The failure that stopped the run: once, before the run ends.
  virtual void RunFailed(const RunFailure& failure) = 0;
};

// Shows the failure that stopped a run in a message box, as the window does.
class FailureBoxes final : public RunObserver {
 public:
  explicit FailureBoxes(MessagePort& messages) : messages_(messages) {}
  void RunFailed(const RunFailure& failure) override { ShowFailure(messages_, failure); }

 private:
  MessagePort& messages_;
};

// Everything a run reaches outside itself.
struct RunContext {
  FileSystem& files;
  RunProgress& progress;
  RunObserver& observer;
  CodePage codePage;
  // False for a dry run: everything is read and cleaned in memory, nothing written.
  bool writes = true;
};

// The path of a source file (or of a group's project): its folder as given
// when absolute, otherwise joined to `folder`.
NativeString SourcePath(const NativeString& folder, const SourceEntry& entry, unsigned codePage);

// The project path in a text the user typed or pasted: without one pair of
// double quotes that encloses the whole text (as Explorer's "Copy as path"
// gives it; a quote can be no part of a Windows file name), otherwise the text
// as it stands, not trimmed.
NativeString PathFromUserText(const NativeString& text);

// Cleans a project, or each project of a project group in the group's order.
// True when every listed file was cleaned or skipped; false after the failure
// has been told (RunObserver::RunFailed), or when the progress port asked the
// run to stop. A group has all its project files read before any source is
// touched.
bool CleanProject(const RunContext& context, const NativeString& project);

}  // namespace velmori
