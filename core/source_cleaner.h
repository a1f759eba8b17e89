#pragma once
// Removes the comments from the code part of a source file.

#include <cstdint>
#include <string>
#include <string_view>

#include "code_page.h"

namespace velmori {

struct StripResult {
  bool changed = false;           // the cleaned text differs from the source
  std::int64_t commentLines = 0;  // lines that lost text
  bool codePart = false;          // some line belongs to the code part
};

// Writes the cleaned text of `source` into `cleaned` (replacing what it held):
// header lines as they are, code lines cut before their comment, every line
// ended by CR LF. The cleaned text has as many lines as the source.
StripResult StripComments(std::string_view source, const CodePage& page, std::string& cleaned);

}  // namespace velmori
