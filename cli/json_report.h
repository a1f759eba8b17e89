#pragma once
// velmori-cli --json: the run's summary and every listed file, always valid
// UTF-8 JSON.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli_texts.h"
#include "project_run.h"

namespace velmori::cli {

struct FileRecord {
  std::string path;  // as shown: UTF-8 where the name is, else its own bytes
  SourceState state;
  FileKind kind;
  std::int64_t commentLines, bytesBefore, bytesAfter;
  bool codePart;
};

struct JsonRun {
  Command command;
  bool completed;
  int exitCode;
  const std::vector<FileRecord>& files;
  const text::Totals& totals;
  double seconds;
};

std::string JsonReport(const JsonRun& run);

// A JSON string of `text`, whose bytes that are no UTF-8 become U+FFFD;
// `valid` tells whether there were none.
std::string JsonString(std::string_view text, bool* valid = nullptr);

}  // namespace velmori::cli
