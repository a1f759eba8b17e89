#pragma once
// A generator of realistic Visual Basic 6 projects for the benchmarks: forms with
// designer blocks, standard modules, class modules, user controls and property
// pages, with Attribute lines, string literals holding apostrophes and doubled
// quotes, full-line and trailing comments and Japanese text in code page 932
// (including characters whose second byte is 0x5C), every line ended by CR LF.
// The output depends only on the seed.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "source_category.h"

namespace velmori::bench {

using SourceKind = SourceCategory;

struct GeneratedSource {
  SourceKind kind = SourceKind::Module;
  std::string moduleName;    // e.g. frmCustomer0001
  std::string ansiFolder;    // as the project file writes it (code page 932), may be empty
  std::string nativeFolder;  // the same folder as a UTF-8 path with '/' separators
  std::string fileName;      // e.g. frmCustomer0001.frm
  std::string bytes;         // the file's contents

  // The reference as the project file writes it: folder, backslash, name.
  std::string AnsiReference() const;
  // The path relative to the project folder on this machine.
  std::string NativeRelativePath() const;
};

struct ProjectShape {
  std::size_t fileCount = 2000;
  std::size_t fileBytes = 50 * 1024;  // approximate size of each source file
  std::uint64_t seed = 1;
};

struct GeneratedProject {
  std::string projectFileName;  // e.g. SalesSystem.vbp
  std::string projectBytes;     // the .vbp contents
  std::vector<GeneratedSource> sources;

  std::size_t TotalSourceBytes() const;
  std::size_t LargestSourceBytes() const;
};

// One source file of the given kind of about targetBytes bytes (never less).
std::string GenerateSource(SourceKind kind, const std::string& moduleName, std::size_t targetBytes,
                           std::uint64_t seed);

// A whole project: sources of every kind, interleaved, and the project file listing them.
GeneratedProject GenerateProject(const ProjectShape& shape);

// Writes the project file and its sources into `folder`, making the folders;
// the sources' paths in the project's order, or nothing when a write failed.
std::optional<std::vector<std::filesystem::path>> WriteProject(const GeneratedProject& project,
                                                               const std::filesystem::path& folder);

}  // namespace velmori::bench
