#pragma once
// Removes the comments from the code part of a source file.

#include <string>
#include <string_view>

#include "code_page.h"
#include "os/file_system.h"

namespace velmori {

struct RunContext;

// Writes the cleaned text of `source` into rstrText (replacing what it held):
// header lines as they are, code lines cut before their comment, every line
// ended by CR LF. Returns whether the cleaned text differs from the source.
bool StripComments(std::string_view source, const CodePage& page, std::string& rstrText);

// Buffers reused from file to file, so a run allocates once for its largest file.
struct SourceBuffers {
  std::string original;
  std::string cleaned;
  bool changed = false;  // cleaned differs from original
};

bool ReadStrippedSource(const RunContext& context, const NativeString& vstrPath,
                        SourceBuffers& buffers);
// Creates the empty temporary file that will replace vstrPath.
bool ClearFile(const RunContext& context, const NativeString& vstrPath, NativeString& rstrTemp);
bool AppendText(const RunContext& context, const NativeString& vstrPath, std::string_view vstrText);
// Cleans one file in place; a missing file is skipped. Reports failures.
bool CleanSourceFile(const RunContext& context, const NativeString& vstrPath,
                     SourceBuffers& buffers);

}  // namespace velmori
