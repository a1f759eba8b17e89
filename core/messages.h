#pragma once
// Every text the program shows, in UTF-8: window captions and labels, message
// boxes, reports and the progress messages. A wording review or a translation
// touches this file alone.

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
inline constexpr char kProjectFilterName[] = "プロジェクト ファイル (*.vbp)";
inline constexpr char kProjectFilterPattern[] = "*.vbp";
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
inline constexpr char kSourceUnreadable[] = "ソース ファイルを読み込めませんでした。";
inline constexpr char kOutOfMemory[] = "メモリが足りません。";
inline constexpr char kReadOnlySource[] = "読み取り専用のファイルは書き換えられません。";
// The steps of replacing a source file, each report naming the source file.
inline constexpr char kTempNotCreated[] =
    "ファイルを書き換えるための一時ファイルを作成できませんでした。";
inline constexpr char kNotWritten[] = "ファイルを書き込めませんでした。";
inline constexpr char kMetadataNotCopied[] = "ファイルの属性を引き継げませんでした。";
inline constexpr char kNotReplaced[] = "ファイルを置き換えられませんでした。";
// Follows the system's description when the source file is as it was.
inline constexpr char kSourceUnchanged[] = "元のファイルは変更されていません。";
// A temporary file that could not be removed after a failure.
inline constexpr char kTempLeftBehind[] =
    "一時ファイルを削除できませんでした。手動で削除してください:";

// A system failure the system has no description for.
inline std::string ErrorCode(unsigned long code) { return "エラー コード " + std::to_string(code); }

}  // namespace velmori::text
