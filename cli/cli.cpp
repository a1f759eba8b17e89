// velmori-cli: clean, check and diff over the same run as the window.

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "console.h"
#include "error_report.h"
#include "messages.h"
#include "project_run.h"
#include "unified_diff.h"

namespace velmori::cli {
namespace {

enum class Command { Clean, Check, Diff };

enum ExitCode : int { kDone = 0, kCommentsFound = 1, kStopped = 2, kUsage = 64 };

struct Options {
  std::optional<Command> command;
  std::vector<NativeString> projects;
  bool help = false;
  bool version = false;
  bool quiet = false;
  bool json = false;
  bool utf8 = false;
  bool allowMissing = false;  // check: a missing source is no failure
  std::optional<CodePage> codePage;  // --code-page, checked to be one the system has
};

// The options and projects, or the usage error in the catalogue's words.
std::optional<Options> Parse(const std::vector<NativeString>& arguments, std::string& error) {
  Options options;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string argument = NativeToUtf8(arguments[i]);
    const bool option = !optionsEnded && argument.size() > 1 && argument[0] == '-';
    if (!option) {
      if (options.command) {
        options.projects.push_back(arguments[i]);
        continue;
      }
      if (argument == "clean") options.command = Command::Clean;
      else if (argument == "check") options.command = Command::Check;
      else if (argument == "diff") options.command = Command::Diff;
      else if (argument == "help") options.help = true;
      else return error = text::CliUnknownCommand(argument), std::nullopt;
      continue;
    }
    std::string value;
    std::string name = argument;
    const std::size_t equals = argument.find('=');
    if (equals != std::string::npos) {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
      // Only an option that takes a value takes it after "=".
      if (name != "--code-page") return error = text::CliUnknownOption(argument), std::nullopt;
    } else if (name == "--code-page") {
      if (i + 1 == arguments.size()) return error = text::CliMissingValue(name), std::nullopt;
      value = NativeToUtf8(arguments[++i]);
    }
    if (name == "--") optionsEnded = true;
    else if (name == "--help" || name == "-h") options.help = true;
    else if (name == "--version") options.version = true;
    else if (name == "--quiet" || name == "-q") options.quiet = true;
    else if (name == "--json") options.json = true;
    else if (name == "--utf8") options.utf8 = true;
    else if (name == "--allow-missing") options.allowMissing = true;
    else if (name == "--code-page") {
      unsigned id = 0;
      const auto [end, failure] = std::from_chars(value.data(), value.data() + value.size(), id);
      const bool number = failure == std::errc() && end == value.data() + value.size() && id != 0;
      options.codePage = number ? LoadCodePage(id) : std::nullopt;
      if (!options.codePage) return error = text::CliBadCodePage(value), std::nullopt;
    } else {
      return error = text::CliUnknownOption(argument), std::nullopt;
    }
  }
  if (options.help || options.version) return options;
  if (!options.command) return error = text::kCliNoCommand, std::nullopt;
  if (options.projects.empty()) return error = text::kCliNoProject, std::nullopt;
  if (options.quiet && options.json) return error = text::kCliQuietAndJson, std::nullopt;
  return options;
}

// Where a file is named in listings and diffs: below the current folder
// relative to it, otherwise in full; '/' between the parts.
std::string DisplayPath(const NativeString& path, const std::filesystem::path& current) {
  std::filesystem::path shown = std::filesystem::path(path);
  if (!current.empty()) {
    const std::filesystem::path relative = shown.lexically_relative(current);
    if (!relative.empty() && *relative.begin() != "..") shown = relative;
  }
  NativeString native = shown.native();
  for (auto& c : native) {
    if (c == '\\') c = '/';
  }
  return NativeToUtf8(native);
}

// Errors on stderr: the first line after the program's name, the rest (the
// file, the system's reason) indented below it.
class ConsoleMessages final : public MessagePort {
 public:
  ConsoleMessages(Console& console, std::string& project)
      : console_(console), project_(project) {}
  Answer ShowMessage(const std::string& message, MessageKind) override {
    std::string shown = message;
    // The window's warning names no file; here the project named is the one.
    if (shown == text::kProjectMissing) shown += "\n" + project_;
    if (shown.rfind(text::kSourceNotText, 0) == 0) shown += "\n" + std::string(text::kCliTryCodePage);
    std::string out = "velmori-cli: ";
    bool first = true;
    std::size_t start = 0;
    while (start <= shown.size()) {
      std::size_t end = shown.find('\n', start);
      if (end == std::string::npos) end = shown.size();
      if (end > start) {
        if (!first) out += "  ";
        out.append(shown, start, end - start);
        out += '\n';
        first = false;
      }
      start = end + 1;
    }
    console_.Text(Stream::Err, out);
    return Answer::Ok;
  }

 private:
  Console& console_;
  std::string& project_;
};

// A progress line on stderr, only when stderr is a terminal, at most ten times a second.
class ProgressLine final : public RunProgress {
 public:
  ProgressLine(Console& console, bool shown) : console_(console), shown_(shown) {}
  void RunStarted() override {}
  void CategoryStarted(std::int32_t fileCount, const std::string& message) override {
    count_ = fileCount;
    message_ = message;
    Show(0, true);
  }
  void FileDone(std::int32_t index) override { Show(index + 1, index + 1 == count_); }
  void RunEnded() override { console_.ClearStatus(); }
  // Listings and diffs that cannot be written make the rest of the run pointless.
  bool StopRequested() override { return !console_.outputFailure().ok(); }

 private:
  void Show(std::int32_t done, bool now) {
    if (!shown_) return;
    const auto time = std::chrono::steady_clock::now();
    if (!now && time - last_ < std::chrono::milliseconds(100)) return;
    last_ = time;
    console_.Status(message_ + ' ' + std::to_string(done) + '/' + std::to_string(count_));
  }
  Console& console_;
  bool shown_;
  std::int32_t count_ = 0;
  std::string message_;
  std::chrono::steady_clock::time_point last_;
};

struct FileRecord {
  std::string path;
  SourceState state;
  FileKind kind;
  std::int64_t commentLines, bytesBefore, bytesAfter;
  bool codePart;
};

// Counts every file; for check lists, for diff prints, as the run goes.
class Report final : public RunObserver {
 public:
  Report(Console& console, const Options& options) : console_(console), options_(options) {
    std::error_code error;
    current_ = std::filesystem::current_path(error);  // empty on error: full paths
  }
  void SourceDone(const SourceOutcome& outcome) override {
    const std::string path = DisplayPath(outcome.path, current_);
    files.push_back({path, outcome.state, outcome.kind, outcome.commentLines,
                     outcome.bytesBefore, outcome.bytesAfter, outcome.codePart});
    // All header by the rules: its comments are kept, and a gate should know.
    const bool read = outcome.kind == FileKind::Ordinary;
    if (read && !outcome.codePart && outcome.bytesBefore > 0 && !options_.quiet) {
      console_.Text(Stream::Err, "velmori-cli: " + text::CliNoCodePart(path));
    }
    commentLines += outcome.commentLines;
    if (outcome.state == SourceState::Changed) ++changed;
    if (outcome.state == SourceState::Missing) {
      ++missing;
      if (!options_.quiet) console_.Text(Stream::Err, "velmori-cli: " + text::CliMissing(path));
    }
    if (options_.quiet || options_.json) return;
    if (options_.command == Command::Check && outcome.commentLines > 0) {
      console_.Text(Stream::Out, text::CliCheckLine(path, outcome.commentLines));
    }
    if (options_.command == Command::Diff && outcome.state == SourceState::Changed) {
      const char* tab = path.find(' ') == std::string::npos ? "" : "\t";
      console_.Text(Stream::Out, "--- a/" + path + tab + "\n+++ b/" + path + tab + "\n");
      std::string hunks;
      AppendHunks(outcome.original, outcome.cleaned, hunks);
      console_.SourceText(Stream::Out, hunks);
    }
  }
  std::vector<FileRecord> files;
  std::int64_t commentLines = 0;
  std::int64_t changed = 0;
  std::int64_t missing = 0;

 private:
  Console& console_;
  const Options& options_;
  std::filesystem::path current_;
};

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

// A JSON string of `text`, whose bytes that are no UTF-8 become U+FFFD;
// `valid` tells whether there were none.
std::string JsonString(std::string_view text, bool* valid = nullptr) {
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

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    hex += kDigits[static_cast<unsigned char>(c) >> 4];
    hex += kDigits[static_cast<unsigned char>(c) & 0xF];
  }
  return hex;
}

std::string Json(const Options& options, const Report& report, const std::string& summary,
                 int exitCode, bool completed) {
  static constexpr const char* kCommands[] = {"clean", "check", "diff"};
  static constexpr const char* kStates[] = {"missing", "skipped", "unchanged", "changed"};
  static constexpr const char* kReasons[] = {"", "", "folder", "hidden", "system"};  // by FileKind
  std::string files;
  for (const FileRecord& file : report.files) {
    if (!files.empty()) files += ",";
    bool valid = true;
    files += "\n    {\"path\": " + JsonString(file.path, &valid);
    // A name that is no UTF-8 (POSIX names are any bytes): its bytes as they are.
    if (!valid) files += ", \"path_bytes\": \"" + Hex(file.path) + "\"";
    files += std::string(", \"state\": \"") + kStates[static_cast<int>(file.state)] + "\"";
    if (file.state == SourceState::Skipped) {
      files += std::string(", \"reason\": \"") + kReasons[static_cast<int>(file.kind)] + "\"";
    }
    if (file.kind == FileKind::Ordinary) {
      files += std::string(", \"code_part\": ") + (file.codePart ? "true" : "false");
    }
    files += ", \"comment_lines\": " +
             std::to_string(file.commentLines) + ", \"bytes_before\": " +
             std::to_string(file.bytesBefore) + ", \"bytes_after\": " +
             std::to_string(file.bytesAfter) + "}";
  }
  return std::string("{\n  \"command\": \"") + kCommands[static_cast<int>(*options.command)] +
         "\",\n  \"completed\": " + (completed ? "true" : "false") +
         ",\n  \"exit_code\": " + std::to_string(exitCode) + ",\n  \"files\": [" + files +
         (files.empty() ? "" : "\n  ") + "],\n  \"summary\": " + summary + "\n}\n";
}

}  // namespace

int Run(const std::vector<NativeString>& arguments) {
  std::string usageError;
  const std::optional<Options> parsed = Parse(arguments, usageError);
  const CodePage page = parsed && parsed->codePage ? *parsed->codePage : SystemCodePage();
  Console console(parsed && parsed->utf8, page.id());
  if (!parsed) {
    console.Text(Stream::Err, "velmori-cli: " + usageError + "\n\n" + text::kCliShortUsage);
    return kUsage;
  }
  const Options& options = *parsed;
  if (options.version) {
    console.Text(Stream::Out, std::string("velmori-cli ") + VELMORI_VERSION + "\n");
    return kDone;
  }
  if (options.help) {
    console.Text(Stream::Out, text::CliHelp(options.command ? static_cast<int>(*options.command) : -1));
    return kDone;
  }

  const auto start = std::chrono::steady_clock::now();
  std::string project;
  ConsoleMessages messages(console, project);
  ProgressLine progress(console, !options.quiet && console.IsTerminal(Stream::Err));
  Report report(console, options);
  const RunContext context{SystemFileSystem(), messages, progress, page, &report,
                           options.command == Command::Clean};
  bool completed = true;
  for (const NativeString& each : options.projects) {
    project = NativeToUtf8(each);
    if (!CleanProject(context, each)) {
      completed = false;
      break;
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  // check cannot vouch for a file it did not read.
  const bool unvouched =
      options.command == Command::Check && report.missing > 0 && !options.allowMissing;
  int exitCode = kDone;
  if (!completed || unvouched) exitCode = kStopped;
  else if (options.command == Command::Check && report.commentLines > 0) exitCode = kCommentsFound;

  std::int64_t before = 0, after = 0;
  for (const FileRecord& file : report.files) {
    before += file.bytesBefore;
    after += file.bytesAfter;
  }
  const long long files = static_cast<long long>(report.files.size());
  if (options.json) {
    char elapsed[32];
    std::snprintf(elapsed, sizeof elapsed, "%.3f", seconds);
    const std::string summary =
        "{\"files_listed\": " + std::to_string(files) + ", \"files_missing\": " +
        std::to_string(report.missing) + ", \"files_changed\": " +
        std::to_string(report.changed) + ", \"comment_lines\": " +
        std::to_string(report.commentLines) + ", \"bytes_before\": " + std::to_string(before) +
        ", \"bytes_after\": " + std::to_string(after) + ", \"elapsed_seconds\": " + elapsed + "}";
    console.Utf8(Stream::Out, Json(options, report, summary, exitCode, completed));
  } else if (!options.quiet) {
    console.Text(Stream::Err, text::CliSummary(options.command == Command::Clean, files,
                                               report.missing, report.changed,
                                               report.commentLines, before, after, seconds));
  }
  if (unvouched && completed) {
    console.Text(Stream::Err, std::string("velmori-cli: ") + text::kCliCheckMissing + "\n");
  }
  if (const OsStatus failure = console.outputFailure(); !failure.ok()) {
    console.Text(Stream::Err, std::string("velmori-cli: ") + text::kCliOutputFailed + "\n  " +
                                  DescribeFailure(failure) + "\n");
    return kStopped;
  }
  return exitCode;
}

}  // namespace velmori::cli
