#pragma once
// Every text the window and the run's reports show, in UTF-8: window captions
// and labels, message boxes, the progress messages, and the words for each
// failure that stops a run. (velmori-cli's own texts: cli/cli_texts.h.)

#include <string>

#include "ui_port.h"

namespace velmori {

struct OsStatus;
struct RunFailure;

namespace text {

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

}  // namespace text

// The system's own description of a failure, or its code where it has none.
std::string DescribeFailure(OsStatus status);

// The report of a failure that stopped a run: what failed, the file, and the
// system's reason with what became of the file.
std::string FailureText(const RunFailure& failure);

// Shows that report in a message box: a warning for a project that is not
// there, an error otherwise.
void ShowFailure(MessagePort& messages, const RunFailure& failure);

}  // namespace velmori
