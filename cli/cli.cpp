// velmori-cli: clean, check and diff over the same run as the window.

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "cli_texts.h"
#include "console.h"
#include "json_report.h"
#include "messages.h"
#include "project_run.h"
#include "unified_diff.h"

namespace velmori::cli {
namespace {

enum ExitCode : int { kDone = 0, kCommentsFound = 1, kStopped = 2, kUsage = 64 };

struct Options {
  const CommandInfo* command = nullptr;
  std::vector<NativeString> projects;
  bool help = false;
  bool version = false;
  bool quiet = false;
  bool json = false;
  bool utf8 = false;
  bool allowMissing = false;  // check: a missing source is no failure
  std::optional<CodePage> codePage;  // --code-page, checked to be one the system has
};

const CommandInfo* CommandNamed(std::string_view name) {
  for (const CommandInfo& info : kCommands) {
    if (info.name == name) return &info;
  }
  return nullptr;
}

// The options and projects, or the usage error.
std::optional<Options> Parse(const std::vector<NativeString>& arguments, std::string& error) {
  Options options;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string argument = NativeToUtf8(arguments[i]);
    const bool option = !optionsEnded && argument.size() > 1 && argument[0] == '-';
    if (!option) {
      if (options.command != nullptr) {
        options.projects.push_back(arguments[i]);
      } else if (argument == "help") {
        options.help = true;
      } else if (!(options.command = CommandNamed(argument))) {
        return error = text::UnknownCommand(argument), std::nullopt;
      }
      continue;
    }
    std::string value;
    std::string name = argument;
    const std::size_t equals = argument.find('=');
    if (equals != std::string::npos) {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
      // Only an option that takes a value takes it after "=".
      if (name != "--code-page") return error = text::UnknownOption(argument), std::nullopt;
    } else if (name == "--code-page") {
      if (i + 1 == arguments.size()) return error = text::NoValue(name), std::nullopt;
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
      if (!options.codePage) return error = text::BadCodePage(value), std::nullopt;
    } else {
      return error = text::UnknownOption(argument), std::nullopt;
    }
  }
  if (options.help || options.version) return options;
  if (options.command == nullptr) return error = text::NoCommand(), std::nullopt;
  if (options.projects.empty()) return error = text::kNoProject, std::nullopt;
  if (options.quiet && options.json) return error = text::kQuietAndJson, std::nullopt;
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

// A message on stderr: its first line after the program's name, the rest
// (the file, the system's reason) indented below it.
std::string Indented(std::string_view message) {
  std::string out = "velmori-cli: ";
  bool first = true;
  while (!message.empty()) {
    const std::size_t end = std::min(message.find('\n'), message.size());
    if (end > 0) {
      if (!first) out += "  ";
      out.append(message.substr(0, end));
      out += '\n';
      first = false;
    }
    message.remove_prefix(std::min(end + 1, message.size()));
  }
  return out;
}

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

// Counts every file and tells of it as the run goes: check lists, diff
// prints, a missing file and one with no code part are named; a failure is
// told on stderr.
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
    ++totals.files;
    totals.commentLines += outcome.commentLines;
    totals.before += outcome.bytesBefore;
    totals.after += outcome.bytesAfter;
    if (outcome.state == SourceState::Changed) ++totals.changed;
    if (outcome.state == SourceState::Missing) ++totals.missing;
    if (options_.quiet) return;
    if (outcome.state == SourceState::Missing) {
      console_.Text(Stream::Err, Indented(text::Missing(path)));
    }
    // All header by the rules: its comments are kept, and a gate should know.
    if (outcome.kind == FileKind::Ordinary && !outcome.codePart && outcome.bytesBefore > 0) {
      console_.Text(Stream::Err, Indented(text::NoCodePart(path)));
    }
    if (options_.json) return;
    const Command command = options_.command->command;
    if (command == Command::Check && outcome.commentLines > 0) {
      console_.Text(Stream::Out, text::CheckLine(path, outcome.commentLines));
    }
    if (command == Command::Diff && outcome.state == SourceState::Changed) {
      const char* tab = path.find(' ') == std::string::npos ? "" : "\t";
      console_.Text(Stream::Out, "--- a/" + path + tab + "\n+++ b/" + path + tab + "\n");
      std::string hunks;
      AppendHunks(outcome.original, outcome.cleaned, hunks);
      console_.SourceText(Stream::Out, hunks);
    }
  }

  void RunFailed(const RunFailure& failure) override {
    std::string report = FailureText(failure);
    // The window's words name no project that the user gave; here it is named.
    const auto line = [&report](std::string_view more) { (report += '\n') += more; };
    if (failure.fault == Fault::ProjectMissing) line(DisplayPath(failure.path, current_));
    if (failure.fault == Fault::NotText) line(text::kTryCodePage);
    console_.Text(Stream::Err, Indented(report));
  }

  std::vector<FileRecord> files;
  text::Totals totals;

 private:
  Console& console_;
  const Options& options_;
  std::filesystem::path current_;
};

}  // namespace

int Run(const std::vector<NativeString>& arguments) {
  std::string usageError;
  const std::optional<Options> parsed = Parse(arguments, usageError);
  const CodePage page = parsed && parsed->codePage ? *parsed->codePage : SystemCodePage();
  Console console(parsed && parsed->utf8, page.id());
  if (!parsed) {
    console.Text(Stream::Err, "velmori-cli: " + usageError + "\n\n" + text::ShortUsage());
    return kUsage;
  }
  const Options& options = *parsed;
  if (options.version) {
    console.Text(Stream::Out, std::string("velmori-cli ") + VELMORI_VERSION + "\n");
    return kDone;
  }
  if (options.help) {
    console.Text(Stream::Out, text::Help(options.command));
    return kDone;
  }

  const auto start = std::chrono::steady_clock::now();
  ProgressLine progress(console, !options.quiet && console.IsTerminal(Stream::Err));
  Report report(console, options);
  const RunContext context{SystemFileSystem(), progress, report, page, options.command->writes};
  bool completed = true;
  for (const NativeString& project : options.projects) {
    if (!CleanProject(context, project)) {
      completed = false;
      break;
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  // check cannot vouch for a file it did not read.
  const Command command = options.command->command;
  const bool unvouched = completed && command == Command::Check && report.totals.missing > 0 &&
                         !options.allowMissing;
  int exitCode = kDone;
  if (!completed || unvouched) exitCode = kStopped;
  else if (command == Command::Check && report.totals.commentLines > 0) exitCode = kCommentsFound;

  if (options.json) {
    console.Utf8(Stream::Out, JsonReport({command, completed, exitCode, report.files,
                                          report.totals, seconds}));
  } else if (!options.quiet) {
    console.Text(Stream::Err, text::Summary(options.command->writes, report.totals, seconds));
  }
  if (unvouched) console.Text(Stream::Err, Indented(text::kCheckMissing));
  if (const OsStatus failure = console.outputFailure(); !failure.ok()) {
    console.Text(Stream::Err, Indented(std::string(text::kOutputFailed) + "\n" +
                                       DescribeFailure(failure)));
    return kStopped;
  }
  return exitCode;
}

}  // namespace velmori::cli
