#pragma once
// Removes the comments from the code part of a source file.

#include <cstdint>
#include <string>
#include <string_view>

#include "code_page.h"
#include "os/file_system.h"

namespace velmori {

struct RunContext;

struct StripResult {
  bool changed = false;           // the cleaned text differs from the source
  std::int64_t commentLines = 0;  // code lines that lost a comment or belonged to one
};

// Writes the cleaned text of `source` into `cleaned` (replacing what it held):
// header lines as they are, code lines cut before their comment, every line
// ended by CR LF. The cleaned text has as many lines as the source.
StripResult StripComments(std::string_view source, const CodePage& page, std::string& cleaned);

// Buffers reused from file to file, so a run allocates once for its largest file.
struct SourceBuffers {
  std::string original;
  std::string cleaned;
};

// Cleans one file in place: a file that is missing, a folder, hidden or a
// system file is skipped; an unchanged file is not written; otherwise the
// cleaned text replaces the file in one step. Reports failures.
bool CleanSourceFile(const RunContext& context, const NativeString& path, SourceBuffers& buffers);

}  // namespace velmori
