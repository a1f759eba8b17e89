#pragma once
// The project group file (.vbg) reader: a "VBGROUP" first line, then the
// projects of the group on Project= and StartupProject= lines.

#include <string_view>
#include <vector>

#include "code_page.h"
#include "project_file.h"

namespace velmori {

// Whether the bytes are a project group's: the first line begins with VBGROUP
// (in any ASCII letter case). Decided by the content, as the program that
// writes groups decides it, so a renamed file is still read for what it is.
bool IsProjectGroup(std::string_view bytes);

// The projects a group lists, in its order: each Project= or StartupProject=
// line's value, double quotes dropped, split like a source reference (relative
// to the group's folder unless absolute). Lines with an empty value give nothing.
std::vector<SourceEntry> ParseGroupText(std::string_view bytes, const CodePage& page);

}  // namespace velmori
