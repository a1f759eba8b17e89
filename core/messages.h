#pragma once
// Every text the program shows, in UTF-8: window captions and labels, message
// boxes, reports and the progress messages. A wording review or a translation
// touches this file alone.

#include <cstdio>
#include <string>
#include <string_view>

namespace velmori::text {

// The main window's caption and the title of every message box.
inline constexpr char kAppTitle[] = "Velmori";

// The main window.
inline constexpr char kPathLabel[] = "Visual Basic Project(&V):";
inline constexpr char kBrowseButton[] = "...";
inline constexpr char kOkButton[] = "OK";
inline constexpr char kCancelButton[] = "キャンセル";
inline constexpr char kWarning[] =
    "指定した vbp ファイルに含まれる全モジュールが更新の対象となります。\r\n"
    "既存のモジュールが上書きされますので、実行前に必ずバックアップをとってください。";
inline constexpr char kConfirmBackup[] =
    "バックアップをとりましたか？\r\n"
    "バックアップをとったことを確認したら、[OK]ボタンを押してください。";
inline constexpr char kSuccess[] = "正常に終了しました。";
inline constexpr char kUnexpectedFailure[] = "処理中に予期しないエラーが発生しました。\n\n";
inline constexpr char kWindowNotCreated[] = "ウィンドウを作成できませんでした。\n\n";

// The Open dialog: its one filter, and the report when it cannot be shown.
inline constexpr char kProjectFilterName[] = "プロジェクト ファイル (*.vbp;*.vbg)";
inline constexpr char kProjectFilterPattern[] = "*.vbp;*.vbg";
inline constexpr char kDialogFailure[] =
    "ファイルを開くダイアログを表示できませんでした。\n\nCommDlgExtendedError: ";

// The progress window: its caption, and the message of each source category.
inline constexpr char kProgressCaption[] = "コメントを削除しています･･･";
inline constexpr char kLoadingForms[] = "フォームを読み込んでいます…";
inline constexpr char kLoadingModules[] = "標準モジュールを読み込んでいます…";
inline constexpr char kLoadingClasses[] = "クラスモジュールを読み込んでいます…";
inline constexpr char kLoadingUserControls[] = "ユーザーコントロールを読み込んでいます…";
inline constexpr char kLoadingPropertyPages[] = "プロパティページを読み込んでいます…";

// The run.
inline constexpr char kProjectMissing[] = "指定されたフォルダに vbp ファイルが見つかりません。";
inline constexpr char kProjectUnreadable[] = "プロジェクト ファイルを読み込めませんでした。";
// A line that holds a key and nothing after it.
inline std::string MissingValue(int line, std::string_view key) {
  return std::to_string(line) + " 行目: 「" + std::string(key) + "」の後に値がありません。";
}
// A project group (.vbg) that lists no project, and one that lists a group.
inline constexpr char kGroupListsNothing[] = "プロジェクト グループにプロジェクトが 1 つもありません。";
inline constexpr char kGroupInGroup[] =
    "プロジェクト グループの中にプロジェクト グループは指定できません。";
// A listed name that several files match when letter case is disregarded (POSIX).
inline constexpr char kSeveralMatches[] =
    "大文字と小文字だけが違う名前のファイルが複数あり、どれを使うか決められません。";
inline constexpr char kMatchesFound[] = "見つかったファイル:";
inline constexpr char kSourceUnreadable[] = "ソース ファイルを読み込めませんでした。";
// A source with bytes that are no text of the code page (another code page, UTF-16, binary).
inline constexpr char kSourceNotText[] = "ソース ファイルがこのコード ページのテキストではありません。";
inline std::string NotTextAt(long long line, unsigned codePage) {
  return std::to_string(line) + " 行目に、コード ページ " + std::to_string(codePage) +
         " の文字として読めないバイトがあります。";
}
inline constexpr char kOutOfMemory[] = "メモリが足りません。";
inline constexpr char kReadOnlySource[] = "読み取り専用のファイルは書き換えられません。";
// A file the system does not let this user write (its permissions, or another program's hold).
inline constexpr char kNotWritable[] = "書き込みが許可されていないファイルは書き換えられません。";
// The steps of replacing a source file, each report naming the source file.
inline constexpr char kTempNotCreated[] =
    "ファイルを書き換えるための一時ファイルを作成できませんでした。";
inline constexpr char kNotWritten[] = "ファイルを書き込めませんでした。";
inline constexpr char kMetadataNotCopied[] = "ファイルの属性を引き継げませんでした。";
inline constexpr char kNotFlushed[] = "ファイルをディスクに書き込めませんでした。";
inline constexpr char kNotReplaced[] = "ファイルを置き換えられませんでした。";
// After the files in it were replaced: the folder named, the files cleaned.
inline constexpr char kFolderNotFlushed[] =
    "フォルダの変更をディスクに書き込めませんでした (ファイルは書き換えました)。";
// Follows the system's description when the source file is as it was.
inline constexpr char kSourceUnchanged[] = "元のファイルは変更されていません。";
// A temporary file that could not be removed after a failure.
inline constexpr char kTempLeftBehind[] =
    "一時ファイルを削除できませんでした。手動で削除してください:";

// The command line (velmori-cli).
inline constexpr char kCliShortUsage[] =
    "使い方: velmori-cli <clean|check|diff> [オプション] PROJECT...\n"
    "詳しくは velmori-cli --help を参照してください。\n";
inline constexpr char kCliNoCommand[] = "コマンド (clean、check、diff) を指定してください。";
inline constexpr char kCliNoProject[] = "プロジェクト ファイルを指定してください。";
inline constexpr char kCliOutputFailed[] = "標準出力に書き込めませんでした。";
inline constexpr char kCliQuietAndJson[] = "--quiet と --json は同時に指定できません。";
inline std::string CliUnknownCommand(std::string_view name) {
  return "不明なコマンドです: " + std::string(name);
}
inline std::string CliUnknownOption(std::string_view name) {
  return "不明なオプションです: " + std::string(name);
}
inline std::string CliMissingValue(std::string_view name) {
  return std::string(name) + " の後に値を指定してください。";
}
inline std::string CliBadCodePage(std::string_view value) {
  return "使えないコード ページです: " + std::string(value);
}
// A listed source that is not there, and one with no code part (no Attribute
// line), whose comments are therefore kept.
inline std::string CliMissing(std::string_view path) {
  return "見つからないファイルです (スキップしました): " + std::string(path) + "\n";
}
inline std::string CliNoCodePart(std::string_view path) {
  return "Attribute 行がないため、コメントを削除しないファイルです: " + std::string(path) + "\n";
}
// After a report of a source that is not text of the code page.
inline constexpr char kCliTryCodePage[] =
    "ほかのコード ページで書かれたファイルなら、--code-page N で指定してください。";
// check: listed sources were not there, so the check cannot vouch for them.
inline constexpr char kCliCheckMissing[] =
    "見つからないファイルがあるため、コメントが残っていないことを確認できません "
    "(--allow-missing で無視します)。";
// check: a file that still holds comments.
inline std::string CliCheckLine(std::string_view path, long long commentLines) {
  return std::string(path) + ": コメント " + std::to_string(commentLines) + " 行\n";
}
// The one-line summary at the end of a run.
inline std::string CliSummary(bool written, long long files, long long missing,
                              long long changed, long long commentLines, long long before,
                              long long after, double seconds) {
  char elapsed[32];
  std::snprintf(elapsed, sizeof elapsed, "%.2f", seconds);
  return "ファイル " + std::to_string(files) + " 個" +
         (missing > 0 ? " (見つからない " + std::to_string(missing) + " 個)" : std::string()) +
         "、" + (written ? "変更 " : "変更対象 ") +
         std::to_string(changed) + " 個、" + (written ? "削除したコメント " : "コメント ") +
         std::to_string(commentLines) + " 行、" + std::to_string(before) + " → " +
         std::to_string(after) + " バイト" + (written ? "" : " (書き込みなし)") + "、" + elapsed +
         " 秒\n";
}
// --help: the whole program (command < 0) or one command (0 clean, 1 check, 2 diff).
inline std::string CliHelp(int command) {
  static constexpr const char* kCommands[] = {
      "使い方: velmori-cli clean [オプション] PROJECT...\n\n"
      "プロジェクトのソース ファイルからコメントを削除し、その場で書き換えます。\n"
      "ウィンドウと同じ規則、同じ安全な置き換えで、変わらないファイルは書き込みません。\n"
      "確認はしません。最初の失敗で止まり、それまでのファイルは処理済みです。\n",
      "使い方: velmori-cli check [オプション] PROJECT...\n\n"
      "何も書き込まずに調べ、コメントが残っているファイルをコメントの行数とともに\n"
      "標準出力に一覧にします。1 つでもあれば終了コード 1 です (CI の関門に)。\n",
      "使い方: velmori-cli diff [オプション] PROJECT...\n\n"
      "何も書き込まずに、clean で削除される内容を unified diff (--- a/… +++ b/…、\n"
      "前後 3 行) で標準出力に書きます。patch -p1 で当てると clean と同じ結果になります。\n"
      "コンソールには Unicode で、パイプやファイルにはソースのバイトのまま書きます。\n"};
  std::string help =
      command >= 0 && command < 3
          ? std::string(kCommands[command])
          : std::string(
                "使い方: velmori-cli <コマンド> [オプション] PROJECT...\n\n"
                "Visual Basic 6 プロジェクトのソース ファイルからコメントを削除します。\n\n"
                "コマンド:\n"
                "  clean    コメントを削除して、ファイルをその場で書き換えます\n"
                "  check    書き込まずに調べ、コメントが残っているファイルを一覧にします\n"
                "  diff     書き込まずに、削除される内容を unified diff で出力します\n"
                "各コマンドの説明: velmori-cli <コマンド> --help\n");
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

// A system failure the system has no description for.
inline std::string ErrorCode(unsigned long code) { return "エラー コード " + std::to_string(code); }

}  // namespace velmori::text
