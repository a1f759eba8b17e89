#pragma once
// The unified diff of a source file against its cleaned text, as `patch` reads it.

#include <string>
#include <string_view>

namespace velmori::cli {

// Appends to `out` the hunks (3 lines of context) that turn `original` into
// `cleaned`, a text the cleaner made of it: line i of the one became line i of
// the other (CR LF, lone CR and lone LF end a line of `original`). Lines are
// what `patch` splits at, LF; the bytes are left as they are.
void AppendHunks(std::string_view original, std::string_view cleaned, std::string& out);

}  // namespace velmori::cli
