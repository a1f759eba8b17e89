#include "json_report.h"

#include <cstdio>

#include "utf8.h"

namespace velmori::cli {
namespace {

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    hex += kDigits[static_cast<unsigned char>(c) >> 4];
    hex += kDigits[static_cast<unsigned char>(c) & 0xF];
  }
  return hex;
}

std::string FileEntry(const FileRecord& file) {
  static constexpr const char* kStates[] = {"missing", "skipped", "unchanged", "changed"};
  static constexpr const char* kReasons[] = {"", "", "folder", "hidden", "system"};  // by FileKind
  bool valid = true;
  std::string entry = "{\"path\": " + JsonString(file.path, &valid);
  // A name that is no UTF-8 (POSIX names are any bytes): its bytes as they are.
  if (!valid) entry += ", \"path_bytes\": \"" + Hex(file.path) + "\"";
  entry += std::string(", \"state\": \"") + kStates[static_cast<int>(file.state)] + "\"";
  if (file.state == SourceState::Skipped) {
    entry += std::string(", \"reason\": \"") + kReasons[static_cast<int>(file.kind)] + "\"";
  }
  if (file.kind == FileKind::Ordinary) {
    entry += std::string(", \"code_part\": ") + (file.codePart ? "true" : "false");
  }
  return entry + ", \"comment_lines\": " + std::to_string(file.commentLines) +
         ", \"bytes_before\": " + std::to_string(file.bytesBefore) +
         ", \"bytes_after\": " + std::to_string(file.bytesAfter) + "}";
}

}  // namespace

std::string JsonString(std::string_view text, bool* valid) {
  std::string out = "\"";
  if (valid != nullptr) *valid = true;
  while (!text.empty()) {
    const char c = text.front();
    const std::size_t length = DecodeUtf8(text).second;
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      if (valid != nullptr) *valid = false;
      text.remove_prefix(1);
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
      out += escaped;
    } else {
      out.append(text.data(), length);
    }
    text.remove_prefix(length);
  }
  return out + "\"";
}

std::string JsonReport(const JsonRun& run) {
  std::string files;
  for (const FileRecord& file : run.files) {
    files += files.empty() ? "\n    " : ",\n    ";
    files += FileEntry(file);
  }
  const text::Totals& totals = run.totals;
  char elapsed[32];
  std::snprintf(elapsed, sizeof elapsed, "%.3f", run.seconds);
  return "{\n  \"command\": \"" + std::string(InfoOf(run.command).name) +
         "\",\n  \"completed\": " + (run.completed ? "true" : "false") +
         ",\n  \"exit_code\": " + std::to_string(run.exitCode) + ",\n  \"files\": [" + files +
         (files.empty() ? "" : "\n  ") + "],\n  \"summary\": {\"files_listed\": " +
         std::to_string(totals.files) + ", \"files_missing\": " + std::to_string(totals.missing) +
         ", \"files_changed\": " + std::to_string(totals.changed) +
         ", \"comment_lines\": " + std::to_string(totals.commentLines) +
         ", \"bytes_before\": " + std::to_string(totals.before) +
         ", \"bytes_after\": " + std::to_string(totals.after) + ", \"elapsed_seconds\": " +
         elapsed + "}\n}\n";
}

}  // namespace velmori::cli
