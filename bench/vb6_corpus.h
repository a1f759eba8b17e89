#pragma once
// Generated Visual Basic 6 projects for the benchmarks. The cleaner's speed
// depends on a few properties of the text, which TextShape sets; the rest is
// plausible filler: forms, user controls and property pages with designer
// blocks, class and standard modules with Attribute lines, string literals
// holding apostrophes and doubled quotes, trailing, full-line and continued
// comments, and Japanese text in code page 932 (with characters whose second
// byte is 0x5C), every line ended by CR LF. The bytes depend only on the seed.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "source_category.h"

namespace velmori::bench {

// The defaults give what the in-memory row reports as lines of 39 bytes,
// 14 % non-ASCII and 17 % removed.
struct TextShape {
  std::size_t lineBytes = 40;      // average line length, CR LF included
  double nonAsciiShare = 0.14;     // bytes of Japanese text (double-byte and half-width kana)
  double quotesPerKib = 36;        // quotes and apostrophes per KiB of the code part
  double commentShare = 0.166;     // bytes of comments, which the cleaner removes
  std::size_t headerBytes = 7600;  // designer block and Attribute lines of a form,
                                   // user control or property page
};

struct ProjectShape {
  std::size_t fileCount = 2000;
  std::size_t fileBytes = 50 * 1024;  // each source has at least this many bytes
  std::uint64_t seed = 1;
  TextShape text;
};

struct GeneratedSource {
  SourceCategory kind = SourceCategory::Module;
  std::string nativePath;  // relative to the project's folder: UTF-8, '/' between parts
  std::string bytes;
};

struct GeneratedProject {
  std::string projectFileName;
  std::string projectBytes;              // the .vbp, listing the sources in mixed order
  std::vector<GeneratedSource> sources;  // in the order a run takes them: kind by kind
  std::size_t totalBytes = 0;            // of the sources
  std::size_t largestBytes = 0;          // of the largest source
};

GeneratedProject GenerateProject(const ProjectShape& shape);

// Writes the project file and its sources into `folder`, making the folders;
// the sources' paths in the order of `sources`, or nothing when a write failed.
std::optional<std::vector<std::filesystem::path>> WriteProject(const GeneratedProject& project,
                                                               const std::filesystem::path& folder);

}  // namespace velmori::bench
