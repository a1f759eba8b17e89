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
  std::int64_t notTextLine = 0;   // 1-based line of the first byte that is not text of
                                  // the code page; 0 when the text is valid
};

// Writes the cleaned text of `source` into `cleaned` (replacing what it held):
// header lines as they are, code lines cut before their comment, every line
// ended by CR LF. The cleaned text has as many lines as the source.
//
// A source that is not text of the code page is not cleaned: one that holds a
// NUL byte, or a double-byte character whose second byte is below 0x40 (no
// double-byte code page has one; such bytes come from another code page or
// from UTF-16). Then notTextLine says where, `changed` is false and `cleaned`
// holds nothing of use.
StripResult StripComments(std::string_view source, const CodePage& page, std::string& cleaned);

// How the cleaner searches the bytes: Vector sixteen at a time with SSE2 where
// the build has it (every x86-64), Plain one at a time. Both give the same
// result; StripComments above takes Vector, and the fuzzer checks both.
enum class ByteSearch { Vector, Plain };
StripResult StripComments(std::string_view source, const CodePage& page, std::string& cleaned,
                          ByteSearch search);

}  // namespace velmori
