#include "json_report.h"

#include <cstdio>

namespace velmori::cli {
namespace {

// The length of the UTF-8 sequence at the start of `text`; 0 when it is none
// (a stray byte, an overlong form, a surrogate or a code point above U+10FFFF).
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead == 0xE0) length = 3, low = 0xA0;
  else if (lead == 0xED) length = 3, high = 0x9F;
  else if (lead >= 0xE1 && lead <= 0xEF) length = 3;
  else if (lead == 0xF0) length = 4, low = 0x90;
  else if (lead == 0xF4) length = 4, high = 0x8F;
  else if (lead >= 0xF1 && lead <= 0xF3) length = 4;
  else return 0;
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

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
    const std::size_t length = Utf8SequenceLength(text);
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
