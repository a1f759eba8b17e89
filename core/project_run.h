#pragma once
// One run: read the project file, clean every source file it lists.

#include <string>

#include "code_page.h"
#include "os/file_system.h"
#include "project_file.h"
#include "ui_port.h"

namespace velmori {

// Everything a run reaches outside itself.
struct RunContext {
  FileSystem& files;
  MessagePort& messages;
  RunProgress& progress;
  CodePage codePage;
};

// The path of a source file: its folder as given when absolute, otherwise
// joined to the project folder.
NativeString SourcePath(const NativeString& projectFolder, const SourceEntry& entry);

// True when every listed file was cleaned or skipped; false after the failure
// has been reported, or when the progress port asked the run to stop.
bool CleanProject(const RunContext& context, const NativeString& project);

}  // namespace velmori
