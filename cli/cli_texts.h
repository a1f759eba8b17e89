#pragma once
// velmori-cli's own texts, in UTF-8, and its one table of commands. The run's
// reports are the window's (core/messages.h).

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

namespace velmori::cli {

enum class Command { Clean, Check, Diff };

struct CommandInfo {
  Command command;
  std::string_view name;
  bool writes;          // rewrites the sources; the others only read them
  const char* summary;  // its line in the help's list of commands
  const char* help;     // what `velmori-cli <name> --help` adds
};

inline constexpr std::array<CommandInfo, 3> kCommands = {{
    {Command::Clean, "clean", true, "コメントを削除して、ファイルをその場で書き換えます",
     "プロジェクトのソース ファイルからコメントを削除し、その場で書き換えます。\n"
     "ウィンドウと同じ規則、同じ安全な置き換えで、変わらないファイルは書き込みません。\n"
     "確認はしません。最初の失敗で止まり、それまでのファイルは処理済みです。\n"},
    {Command::Check, "check", false,
     "書き込まずに調べ、コメントが残っているファイルを一覧にします",
     "何も書き込まずに調べ、コメントが残っているファイルをコメントの行数とともに\n"
     "標準出力に一覧にします。1 つでもあれば終了コード 1 です (CI の関門に)。\n"},
    {Command::Diff, "diff", false, "書き込まずに、削除される内容を unified diff で出力します",
     "何も書き込まずに、clean で削除される内容を unified diff (--- a/… +++ b/…、\n"
     "前後 3 行) で標準出力に書きます。patch -p1 で当てると clean と同じ結果になります。\n"
     "コンソールには Unicode で、パイプやファイルにはソースのバイトのまま書きます。\n"},
}};

constexpr const CommandInfo& InfoOf(Command command) {
  return kCommands[static_cast<std::size_t>(command)];
}

namespace text {

// "clean|check|diff", or with another separator.
inline std::string CommandNames(std::string_view separator) {
  std::string names;
  for (const CommandInfo& info : kCommands) {
    if (!names.empty()) names += separator;
    names += info.name;
  }
  return names;
}

inline std::string ShortUsage() {
  return "使い方: velmori-cli <" + CommandNames("|") +
         "> [オプション] PROJECT...\n詳しくは velmori-cli --help を参照してください。\n";
}
inline std::string NoCommand() {
  return "コマンド (" + CommandNames("、") + ") を指定してください。";
}
inline constexpr char kNoProject[] = "プロジェクト ファイルを指定してください。";
inline constexpr char kQuietAndJson[] = "--quiet と --json は同時に指定できません。";
inline constexpr char kOutputFailed[] = "標準出力に書き込めませんでした。";
inline std::string UnknownCommand(std::string_view name) {
  return "不明なコマンドです: " + std::string(name);
}
inline std::string UnknownOption(std::string_view name) {
  return "不明なオプションです: " + std::string(name);
}
inline std::string NoValue(std::string_view name) {
  return std::string(name) + " の後に値を指定してください。";
}
inline std::string BadCodePage(std::string_view value) {
  return "使えないコード ページです: " + std::string(value);
}

// A listed source that is not there, and one with no code part (no Attribute
// line), whose comments are therefore kept.
inline std::string Missing(std::string_view path) {
  return "見つからないファイルです (スキップしました): " + std::string(path) + "\n";
}
inline std::string NoCodePart(std::string_view path) {
  return "Attribute 行がないため、コメントを削除しないファイルです: " + std::string(path) + "\n";
}
// After the report of a source that is no text of the code page.
inline constexpr char kTryCodePage[] =
    "ほかのコード ページで書かれたファイルなら、--code-page N で指定してください。";
// check: listed sources were not there, so it cannot vouch for them.
inline constexpr char kCheckMissing[] =
    "見つからないファイルがあるため、コメントが残っていないことを確認できません "
    "(--allow-missing で無視します)。";
// check: a file that still holds comments.
inline std::string CheckLine(std::string_view path, long long commentLines) {
  return std::string(path) + ": コメント " + std::to_string(commentLines) + " 行\n";
}

// The one-line summary at the end of a run.
struct Totals {
  long long files = 0, missing = 0, changed = 0, commentLines = 0, before = 0, after = 0;
};
inline std::string Summary(bool written, const Totals& totals, double seconds) {
  char elapsed[32];
  std::snprintf(elapsed, sizeof elapsed, "%.2f", seconds);
  const auto count = [](long long n) { return std::to_string(n); };
  std::string line = "ファイル " + count(totals.files) + " 個";
  if (totals.missing > 0) line += " (見つからない " + count(totals.missing) + " 個)";
  line += written ? "、変更 " : "、変更対象 ";
  line += count(totals.changed) + " 個、" + (written ? "削除したコメント " : "コメント ");
  line += count(totals.commentLines) + " 行、" + count(totals.before) + " → " +
          count(totals.after) + " バイト";
  if (!written) line += " (書き込みなし)";
  return line + "、" + elapsed + " 秒\n";
}

// --help: the whole program, or one command.
inline std::string Help(const CommandInfo* command) {
  std::string help;
  if (command != nullptr) {
    help = "使い方: velmori-cli " + std::string(command->name) + " [オプション] PROJECT...\n\n" +
           command->help;
  } else {
    help =
        "使い方: velmori-cli <コマンド> [オプション] PROJECT...\n\n"
        "Visual Basic 6 プロジェクトのソース ファイルからコメントを削除します。\n\n"
        "コマンド:\n";
    for (const CommandInfo& info : kCommands) {
      help += "  " + std::string(info.name) + std::string(9 - info.name.size(), ' ') +
              info.summary + "\n";
    }
    help += "各コマンドの説明: velmori-cli <コマンド> --help\n";
  }
  return help +
         "\nPROJECT はプロジェクト ファイル (.vbp) かプロジェクト グループ (.vbg) です。\n"
         "グループはその中のプロジェクトを順に処理します。\n\n"
         "オプション:\n"
         "  -q, --quiet      エラー以外は何も出力しません\n"
         "  --json           集計とファイルごとの件数を JSON (UTF-8) で標準出力に書きます\n"
         "  --allow-missing  check で、見つからないファイルがあっても失敗にしません\n"
         "  --utf8           パイプやファイルへの出力を UTF-8 にします\n"
         "                   (既定はソースのコード ページのバイト)\n"
         "  --code-page N    ソースとプロジェクト ファイルをコード ページ N で読みます\n"
         "                   (既定: Windows ではシステムの ANSI コード ページ、ほかでは 932)\n"
         "  -h, --help       このヘルプを表示します\n"
         "  --version        バージョンを表示します\n\n"
         "集計の 1 行は標準エラー出力に、進み具合は標準エラー出力が端末のときだけ表示します。\n\n"
         "終了コード:\n"
         "  0   完了 (報告することなし)\n"
         "  1   check がコメントを見つけた\n"
         "  2   ファイルかプロジェクトを読み書きできず、そこで止めた (失われたものはありません)、\n"
         "      または check で見つからないファイルがあった\n"
         "  64  使い方の誤り (不明なオプション、プロジェクトの指定なしなど)\n";
}

}  // namespace text
}  // namespace velmori::cli
