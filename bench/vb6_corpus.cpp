#include "vb6_corpus.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string_view>

namespace velmori::bench {
namespace {

// clang-format off
// ---------------------------------------------------------------------------
// Japanese text in code page 932. The comment after each entry gives the text;
// several hold characters whose second byte is 0x5C (表 ソ 予 能 申 構 十 貼).

constexpr const char* kCommentText[] = {
    "\x8C\xDA\x8Bq\x88\xEA\x97\x97\x82\xF0\x95\\\x8E\xA6\x82\xB7\x82\xE9",  // 顧客一覧を表示する
    "\x83\\\x81[\x83g\x8F\x87\x82\xF0\x90\xDD\x92\xE8\x82\xB7\x82\xE9",      // ソート順を設定する
    "\x97\\\x92\xE8\x95\\\x82\xF0\x8DX\x90V",                                // 予定表を更新
    "\x93\xFC\x97\xCD\x83`\x83" "F\x83" "b\x83N",                            // 入力チェック
    "\x83G\x83\x89\x81[\x8F\x88\x97\x9D",                                    // エラー処理
    "\x90\\\x90\xBF\x83" "f\x81[\x83^\x82\xF0\x93o\x98^\x82\xB7\x82\xE9",    // 申請データを登録する
    "\x8D\\\x90\xAC\x83t\x83@\x83" "C\x83\x8B\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDE",  // 構成ファイルを読み込む
    "\x8F\\\x95\xAA\x82\xC8\x97\xCC\x88\xE6\x82\xAA\x82\xA0\x82\xE9\x82\xA9\x8Am\x94" "F",  // 十分な領域があるか確認
    "\x8B@\x94\\\x90\xA7\x8C\xC0\x82\xCC\x83`\x83" "F\x83" "b\x83N",        // 機能制限のチェック
    "\x8C\x9F\x8D\xF5\x8F\xF0\x8C\x8F\x82\xF0\x83N\x83\x8A\x83" "A",        // 検索条件をクリア
    "\x8E\xE6\x88\xF8\x90\xE6\x83R\x81[\x83h\x82\xCC\x8C\x85\x90\x94\x83`\x83" "F\x83" "b\x83N",  // 取引先コードの桁数チェック
    "\x90\xBF\x8B\x81\x8F\x91\x94\xD4\x8D\x86\x82\xF0\x8D\xCC\x94\xD4\x82\xB7\x82\xE9",  // 請求書番号を採番する
    "\x95\\\x8E\xA6\x88\xCA\x92u\x82\xF0\x92\xB2\x90\xAE",                  // 表示位置を調整
    "\x83" "f\x81[\x83^\x83x\x81[\x83X\x82\xD6\x90\xDA\x91\xB1",            // データベースへ接続
    "\x8E\xD0\x88\xF5\x83}\x83X\x83^\x82\xF0\x8C\x9F\x8D\xF5",              // 社員マスタを検索
    "\x8D\x87\x8Cv\x8B\xE0\x8Az\x81i\x90\xC5\x8D\x9E\x81j\x82\xF0\x8Cv\x8EZ",  // 合計金額（税込）を計算
    "\x88\xEA\x8E\x9E\x83t\x83@\x83" "C\x83\x8B\x82\xF0\x8D\xED\x8F\x9C",  // 一時ファイルを削除
    "\x83\\\x81[\x83X\x83R\x81[\x83h\x8A\xC7\x97\x9D\x97p",                // ソースコード管理用
    "\x97\\\x96\xF1\x8D\xCF\x82\xDD\x82\xCC\x8F\xEA\x8D\x87\x82\xCD\x83X\x83L\x83" "b\x83v",  // 予約済みの場合はスキップ
    "\x94\\\x97\xCD\x92l\x82\xF0\x8D\xC4\x8Cv\x8EZ",                        // 能力値を再計算
    "\x89\xE6\x96\xCA\x82\xCC\x92\x86\x89\x9B\x82\xC9\x95\\\x8E\xA6",      // 画面の中央に表示
    "\x83|\x83" "C\x83\x93\x83g\x8E" "c\x8D\x82\x82\xF0\x8E\xE6\x93\xBE",  // ポイント残高を取得
    "\x83_\x83" "E\x83\x93\x83\x8D\x81[\x83h\x90\xE6\x83t\x83H\x83\x8B\x83_",  // ダウンロード先フォルダ
    "\x93\xFA\x95t\x82\xCC\x8F\x91\x8E\xAE\x82\xF0\x95\xCF\x8A\xB7",        // 日付の書式を変換
    "\x82\xB1\x82\xB1\x82\xCD\x95\xCF\x8DX\x82\xB5\x82\xC8\x82\xA2\x82\xB1\x82\xC6\x81I",  // ここは変更しないこと！
    "\x95\\\x8E\xA6\x97p\x82\xCC\x8C\x8F\x90\x94",                          // 表示用の件数
    "\xC3\xDE\xB0\xC0\x8C\x8F\x90\x94",                                      // ﾃﾞｰﾀ件数
    "\x82Q\x82O\x82O\x82R\x94N\x8E" "d\x97l\x95\xCF\x8DX",                  // ２００３年仕様変更
    "\x95s\x8B\xEF\x8D\x87\x91\xCE\x89\x9E\x81i\x95\\\x8E\xA6\x95\xF6\x82\xEA\x81j",  // 不具合対応（表示崩れ）
    "\x93\\\x82\xE8\x95t\x82\xAF\x8E\x9E\x82\xCC\x95\xB6\x8E\x9A\x89\xBB\x82\xAF\x91\xCE\x8D\xF4",  // 貼り付け時の文字化け対策
};

constexpr const char* kMessageText[] = {
    "\x95\xDB\x91\xB6\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B",  // 保存しました。
    "\x91\xCE\x8F\xDB\x83" "f\x81[\x83^\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B",  // 対象データがありません。
    "\x8F\x88\x97\x9D\x82\xF0\x92\x86\x92" "f\x82\xB5\x82\xDC\x82\xB7\x81" "B",  // 処理を中断します。
    "\x8C\xDA\x8Bq\x83R\x81[\x83h\x82\xF0\x93\xFC\x97\xCD\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81" "B",  // 顧客コードを入力してください。
    "\x8D\xED\x8F\x9C\x82\xB5\x82\xC4\x82\xE0\x82\xE6\x82\xEB\x82\xB5\x82\xA2\x82\xC5\x82\xB7\x82\xA9\x81H",  // 削除してもよろしいですか？
    "\x95\\\x8E\xA6\x82\xC5\x82\xAB\x82\xE9\x8C\x8F\x90\x94\x82\xF0\x92\xB4\x82\xA6\x82\xDC\x82\xB5\x82\xBD\x81" "B",  // 表示できる件数を超えました。
    "\x83\\\x81[\x83g\x8F\xF0\x8C\x8F\x82\xAA\x95s\x90\xB3\x82\xC5\x82\xB7\x81" "B",  // ソート条件が不正です。
    "\x97\\\x96\xF1\x82\xAA\x8Am\x92\xE8\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B",  // 予約が確定しました。
    "\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B",  // ファイルが見つかりません。
    "\x90\\\x90\xBF\x82\xF0\x8E\xE6\x82\xE8\x8F\xC1\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81H",  // 申請を取り消しますか？
    "\x8F\\\x8C\x8F\x88\xC8\x8F\xE3\x82\xCD\x93o\x98^\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81" "B",  // 十件以上は登録できません。
    "\x8B@\x94\\\x82\xAA\x90\xA7\x8C\xC0\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81" "B",  // 機能が制限されています。
    "\xBA\xB0\xC4\xDE\x82\xAA\x8F" "d\x95\xA1\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81" "B",  // ｺｰﾄﾞが重複しています。
    "\x8DX\x90V\x92\x86\x82\xC5\x82\xB7\x81" "c",                          // 更新中です…
    "\x8D\\\x90\xAC\x8F\xEE\x95\xF1\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x81" "B",  // 構成情報を読み込めません。
};

constexpr const char* kCaptionText[] = {
    "\x8C\xDA\x8Bq\x83}\x83X\x83^\x95\xDB\x8E\xE7",  // 顧客マスタ保守
    "\x90\xBF\x8B\x81\x8F\x91\x94\xAD\x8Ds",        // 請求書発行
    "\x97\\\x92\xE8\x95\\",                          // 予定表
    "\x8E\xD0\x88\xF5\x8C\x9F\x8D\xF5",              // 社員検索
    "\x83\\\x81[\x83g\x90\xDD\x92\xE8",              // ソート設定
    "\x8D\\\x90\xAC\x8F\xEE\x95\xF1",                // 構成情報
    "\x90\\\x90\xBF\x88\xEA\x97\x97",                // 申請一覧
    "\x94\\\x97\xCD\x95]\x89\xBF",                   // 能力評価
    "\x8E\xE6\x88\xF8\x90\xE6\x93o\x98^",            // 取引先登録
    "\x95\\\x8E\xA6\x90\xDD\x92\xE8",                // 表示設定
};

constexpr const char* kFontName[] = {
    "\x82l\x82r \x82o\x83S\x83V\x83" "b\x83N",  // ＭＳ Ｐゴシック
    "\x82l\x82r \x83S\x83V\x83" "b\x83N",       // ＭＳ ゴシック
    "\x82l\x82r \x96\xBE\x92\xA9",              // ＭＳ 明朝
    "\x82l\x82r \x82o\x96\xBE\x92\xA9",         // ＭＳ Ｐ明朝
};

constexpr const char* kTableName[] = {
    "\x8C\xDA\x8Bq",                  // 顧客
    "\x8E\xE6\x88\xF8\x90\xE6",       // 取引先
    "\x8E\xD0\x88\xF5\x83}\x83X\x83^",  // 社員マスタ
    "\x97\\\x92\xE8\x95\\",           // 予定表
    "\x90\\\x90\xBF\x97\x9A\x97\xF0",  // 申請履歴
    "\x90\xBF\x8B\x81\x96\xBE\x8D\xD7",  // 請求明細
};

constexpr const char* kColumnName[] = {
    "\x83R\x81[\x83h",              // コード
    "\x96\xBC\x8F\xCC",             // 名称
    "\x95\\\x8E\xA6\x8F\x87",       // 表示順
    "\x97\\\x96\xF1\x93\xFA",       // 予約日
    "\x8B\xE0\x8Az",                // 金額
    "\x94\xF5\x8Dl",                // 備考
    "\x83\\\x81[\x83g\x83L\x81[",   // ソートキー
    "\x90\\\x90\xBF\x8E\xD2",       // 申請者
};

constexpr const char* kLabelText[] = {
    "\x83R\x81[\x83h",                         // コード
    "\x96\xBC\x8F\xCC",                        // 名称
    "\x95\\\x8E\xA6\x8F\x87",                  // 表示順
    "\x97\\\x96\xF1\x93\xFA",                  // 予約日
    "\x8B\xE0\x8Az\x81i\x90\xC5\x8D\x9E\x81j",  // 金額（税込）
    "\x94\xF5\x8Dl",                           // 備考
    "\x8C\x9F\x8D\xF5",                        // 検索
    "\xBA\xB0\xC4\xDE",                        // ｺｰﾄﾞ
};

constexpr const char kFixedSingle[] = "\x8C\xC5\x92\xE8(\x8E\xC0\x90\xFC)";        // 固定(実線)
constexpr const char kCenterScreen[] = "\x89\xE6\x96\xCA\x82\xCC\x92\x86\x89\x9B";  // 画面の中央
constexpr const char kWindowsDefault[] = "Windows \x82\xCC\x8A\xF9\x92\xE8\x92l";   // Windows の既定値
constexpr const char kPixel[] = "\xCB\xDF\xB8\xBE\xD9";                             // ﾋﾟｸｾﾙ
constexpr const char kAlignCenter[] = "\x92\x86\x89\x9B\x91\xB5\x82\xA6";           // 中央揃え
constexpr const char kAlignRight[] = "\x89" "E\x91\xB5\x82\xA6";                       // 右揃え
constexpr const char kTransparent[] = "\x93\xA7\x96\xBE";                              // 透明
constexpr const char kColon[] = "\x81" "F";                                            // ：
constexpr const char kDropDownList[] =
    "\x83h\x83\x8D\x83" "b\x83v\x83" "_\x83" "E\x83\x93 \x83\x8A\x83X\x83g";  // ドロップダウン リスト
constexpr const char kSalesTitle[] = "\x94\xCC\x94\x84\x8A\xC7\x97\x9D";         // 販売管理
constexpr const char kFlat[] = "\xCC\xD7\xAF\xC4";                                  // ﾌﾗｯﾄ
constexpr const char kNone[] = "\x82\xC8\x82\xB5";                                  // なし
constexpr const char kGraphical[] = "\xB8\xDE\xD7\xCC\xA8\xAF\xB8\xBD";             // ｸﾞﾗﾌｨｯｸｽ
constexpr const char kImeHiragana[] = "\x91S\x8Ap\x82\xD0\x82\xE7\x82\xAA\x82\xC8";  // 全角ひらがな
constexpr const char kOldSpec[] =
    "\x88\xC8\x89\xBA\x82\xCD\x8B\x8C\x8E" "d\x97l\x82\xCC\x90\xE0\x96\xBE";  // 以下は旧仕様の説明
constexpr const char kSecondLine[] =
    "\x81i\x82Q\x8Ds\x96\xDA\x81j\x83\\\x81[\x83g\x8F\xF0\x8C\x8F\x82\xCD";  // （２行目）ソート条件は
constexpr const char kFunctionLabel[] = "\x8B@\x94\\\x81@\x81@\x81" "F";        // 機能　　：
constexpr const char kArgumentLabel[] = "\x88\xF8\x90\x94\x81@\x81@\x81" "F";   // 引数　　：
constexpr const char kReturnLabel[] = "\x96\xDF\x82\xE8\x92l\x81@\x81" "F";      // 戻り値　：
constexpr const char kHistoryLabel[] = "\x97\x9A\x97\xF0\x81@\x81@\x81" "F";     // 履歴　　：
constexpr const char kStar[] = "\x81\x9A";                                    // ★
constexpr const char kOpenBracket[] = "\x81u";                                // 「
constexpr const char kCloseBracket[] = "\x81v";                               // 」

// The folders of the generated project. 表示 is 0x95 0x5C 0x8E 0xA6: its first
// character ends in the byte of a backslash that is no separator.
struct Folder {
  const char* ansi;
  const char* native;
};
constexpr Folder kFormFolder = {"\x95\\\x8E\xA6", "\xE8\xA1\xA8\xE7\xA4\xBA"};  // 表示
constexpr Folder kModuleFolder = {"Modules", "Modules"};
constexpr Folder kClassFolder = {"Classes", "Classes"};
constexpr Folder kControlFolder = {"Controls", "Controls"};
constexpr Folder kPageFolder = {"", ""};
// clang-format on

// ---------------------------------------------------------------------------

// SplitMix64: small, fast and the same everywhere.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
  int Between(int low, int high) {  // inclusive
    return low + static_cast<int>(Below(static_cast<std::size_t>(high - low + 1)));
  }
  bool Percent(unsigned percent) { return Below(100) < percent; }
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  std::uint64_t state_;
};

constexpr const char* kStringVars[] = {"strCode", "strName", "strKey",
                                       "strBuf",  "strPath", "strWork"};
constexpr const char* kLongVars[] = {"lngIdx", "lngCount", "lngRow", "lngMax", "lngRet", "lngPos"};
constexpr const char* kTextBoxes[] = {"txtCode", "txtName", "txtMemo", "txtDate", "txtAmount"};
constexpr const char* kLabels[] = {"lblMsg", "lblTitle", "lblCount", "lblStatus"};
constexpr const char* kProcNames[] = {"LoadList",    "SaveData",   "CheckInput", "ClearForm",
                                      "SetSortKey",  "ShowDetail", "CalcTotal",  "OpenConnection",
                                      "WriteLog",    "ReadConfig", "FormatDate", "FindCustomer",
                                      "UpdateStatus"};
constexpr const char* kTypes[] = {"String", "Long",     "Integer", "Boolean",         "Variant",
                                  "Date",   "Currency", "Double",  "ADODB.Recordset", "Collection"};
constexpr const char* kEnglishComments[] = {
    "TODO: check the boundary",     "don't touch: used by the report",
    "\"quoted\" text in a comment", "see ReadConfig",
    "returns 'OK' or 'NG'",         "fixed 2003/04/01",
    "keep in sync with basMain"};

// Writes lines with CR LF, indented by levels (three spaces a level in designer
// blocks, as the IDE writes them; four in code).
class Writer {
 public:
  Writer(std::string& out, Rng& rng) : out_(out), rng_(rng) {}

  void SetIndentWidth(std::size_t width) { indentWidth_ = width; }

  void Line(int indent, std::string_view text) {
    out_.append(static_cast<std::size_t>(indent) * indentWidth_, ' ');
    out_ += text;
    out_ += "\r\n";
  }
  void Blank() { out_ += "\r\n"; }

  // A code line that carries a trailing comment now and then.
  void Code(int indent, const std::string& text, unsigned commentPercent) {
    if (rng_.Percent(commentPercent)) {
      std::string line = text;
      line.append(rng_.Percent(70) ? 1 : static_cast<std::size_t>(rng_.Between(2, 12)), ' ');
      line += Comment();
      Line(indent, line);
    } else {
      Line(indent, text);
    }
  }

  // Comment text starting with its apostrophe.
  std::string Comment() {
    switch (rng_.Below(8)) {
      case 0:
        return std::string("'") + rng_.Pick(kCommentText);
      case 1:
        return std::string("' ") + rng_.Pick(kEnglishComments);
      case 2:
        return std::string("'") + kStar + rng_.Pick(kCommentText) + kStar;
      case 3:
        return std::string("' ") + rng_.Pick(kCommentText) + " 'x' " + rng_.Pick(kColumnName);
      default:
        return std::string("' ") + rng_.Pick(kCommentText);
    }
  }

  std::size_t Size() const { return out_.size(); }

 private:
  std::string& out_;
  Rng& rng_;
  std::size_t indentWidth_ = 4;
};

std::string Quote(std::string_view text) { return "\"" + std::string(text) + "\""; }

// ---------------------------------------------------------------------------
// Designer blocks.

class DesignerWriter {
 public:
  DesignerWriter(Writer& writer, Rng& rng) : w_(writer), rng_(rng) {}

  void Font(int indent) {
    w_.Line(indent, "BeginProperty Font ");
    w_.Line(indent + 1, std::string("Name            =   ") + Quote(rng_.Pick(kFontName)));
    w_.Line(indent + 1, rng_.Percent(50) ? "Size            =   9" : "Size            =   9.75");
    w_.Line(indent + 1, "Charset         =   128");
    w_.Line(indent + 1, rng_.Percent(80) ? "Weight          =   400" : "Weight          =   700");
    w_.Line(indent + 1, "Underline       =   0   'False");
    w_.Line(indent + 1, "Italic          =   0   'False");
    w_.Line(indent + 1, "Strikethrough   =   0   'False");
    w_.Line(indent, "EndProperty");
  }

  void Position(int indent, int index) {
    w_.Line(indent, "Height          =   " + std::to_string(rng_.Between(300, 3000)));
    w_.Line(indent, "Left            =   " + std::to_string(rng_.Between(60, 8000)));
    w_.Line(indent, "TabIndex        =   " + std::to_string(index));
    w_.Line(indent, "Top             =   " + std::to_string(rng_.Between(60, 6000)));
    w_.Line(indent, "Width           =   " + std::to_string(rng_.Between(600, 4000)));
  }

  void Control(int indent, int index, int depth) {
    const std::string suffix = std::to_string(index);
    switch (rng_.Below(depth < 2 ? 9 : 8)) {
      case 0:
      case 1:
        w_.Line(indent, "Begin VB.CommandButton cmdAction" + suffix + " ");
        w_.Line(indent + 1, std::string("Caption         =   ") + Quote(rng_.Pick(kLabelText)));
        if (rng_.Percent(30)) w_.Line(indent + 1, "Default         =   -1  'True");
        if (rng_.Percent(20))
          w_.Line(indent + 1, std::string("Style           =   1  '") + kGraphical);
        if (rng_.Percent(50)) Font(indent + 1);
        Position(indent + 1, index);
        break;
      case 2:
      case 3:
        w_.Line(indent, "Begin VB.TextBox txtField" + suffix + " ");
        w_.Line(indent + 1, std::string("Alignment       =   1  '") + kAlignRight);
        w_.Line(indent + 1, std::string("IMEMode         =   4  '") + kImeHiragana);
        if (rng_.Percent(30)) w_.Line(indent + 1, "MultiLine       =   -1  'True");
        w_.Line(indent + 1, "MaxLength       =   " + std::to_string(rng_.Between(4, 200)));
        if (rng_.Percent(40))
          w_.Line(indent + 1, std::string("Text            =   ") + Quote(rng_.Pick(kLabelText)));
        Position(indent + 1, index);
        break;
      case 4:
        w_.Line(indent, "Begin VB.Label lblField" + suffix + " ");
        w_.Line(indent + 1, std::string("Alignment       =   2  '") + kAlignCenter);
        w_.Line(indent + 1, "AutoSize        =   -1  'True");
        w_.Line(indent + 1, std::string("BackStyle       =   0  '") + kTransparent);
        w_.Line(indent + 1, std::string("Caption         =   ") +
                                Quote(std::string(rng_.Pick(kLabelText)) + kColon));
        Position(indent + 1, index);
        break;
      case 5:
        w_.Line(indent, "Begin VB.ComboBox cboKind" + suffix + " ");
        w_.Line(indent + 1, std::string("Style           =   2  '") + kDropDownList);
        Position(indent + 1, index);
        break;
      case 6:
        w_.Line(indent, "Begin VB.CheckBox chkOption" + suffix + " ");
        w_.Line(indent + 1, std::string("Caption         =   ") + Quote(rng_.Pick(kCommentText)));
        w_.Line(indent + 1, "Value           =   1  'Checked");
        Position(indent + 1, index);
        break;
      case 7:
        w_.Line(indent, "Begin MSComctlLib.ListView lvwList" + suffix + " ");
        Position(indent + 1, index);
        w_.Line(indent + 1, "_ExtentX        =   " + std::to_string(rng_.Between(2000, 15000)));
        w_.Line(indent + 1, "_ExtentY        =   " + std::to_string(rng_.Between(2000, 9000)));
        w_.Line(indent + 1, "View            =   3");
        w_.Line(indent + 1, "LabelEdit       =   1");
        w_.Line(indent + 1, "FullRowSelect   =   -1  'True");
        w_.Line(indent + 1, "_Version        =   393217");
        Font(indent + 1);
        w_.Line(indent + 1, "NumItems        =   0");
        break;
      default: {
        w_.Line(indent, "Begin VB.Frame fraGroup" + suffix + " ");
        w_.Line(indent + 1, std::string("BorderStyle     =   0  '") + kNone);
        w_.Line(indent + 1, std::string("Caption         =   ") + Quote(rng_.Pick(kCaptionText)));
        Position(indent + 1, index);
        const int children = rng_.Between(1, 4);
        for (int i = 0; i < children; ++i) Control(indent + 1, index * 10 + i, depth + 1);
        break;
      }
    }
    w_.Line(indent, "End");
  }

  void FormBlock(const std::string& name, const char* objectType) {
    w_.Line(0, "VERSION 5.00");
    if (rng_.Percent(50))
      w_.Line(0, "Object = \"{831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0\"; \"MSCOMCTL.OCX\"");
    w_.Line(0, std::string("Begin ") + objectType + " " + name + " ");
    if (std::string_view(objectType) == "VB.Form") {
      w_.Line(1, std::string("BorderStyle     =   1  '") + kFixedSingle);
      w_.Line(1, std::string("Caption         =   ") + Quote(rng_.Pick(kCaptionText)));
    } else if (std::string_view(objectType) == "VB.PropertyPage") {
      w_.Line(1, std::string("Caption         =   ") + Quote(rng_.Pick(kCaptionText)));
    } else {
      w_.Line(1, std::string("Appearance      =   0  '") + kFlat);
    }
    w_.Line(1, "ClientHeight    =   " + std::to_string(rng_.Between(3000, 9000)));
    w_.Line(1, "ClientLeft      =   45");
    w_.Line(1, "ClientTop       =   330");
    w_.Line(1, "ClientWidth     =   " + std::to_string(rng_.Between(4000, 12000)));
    Font(1);
    w_.Line(1, "LinkTopic       =   \"Form1\"");
    w_.Line(1, "MaxButton       =   0   'False");
    w_.Line(1, "MinButton       =   0   'False");
    w_.Line(1, "ScaleHeight     =   " + std::to_string(rng_.Between(3000, 9000)));
    w_.Line(1, std::string("ScaleMode       =   3  '") + kPixel);
    w_.Line(1, "ScaleWidth      =   " + std::to_string(rng_.Between(4000, 12000)));
    w_.Line(1, std::string("StartUpPosition =   ") + (rng_.Percent(50)
                                                          ? std::string("2  '") + kCenterScreen
                                                          : std::string("3  '") + kWindowsDefault));
    const int controls = rng_.Between(6, 20);
    for (int i = 0; i < controls; ++i) Control(1, i, 0);
    w_.Line(0, "End");
  }

 private:
  Writer& w_;
  Rng& rng_;
};

// ---------------------------------------------------------------------------
// Code.

class CodeWriter {
 public:
  CodeWriter(Writer& writer, Rng& rng) : w_(writer), rng_(rng) {}

  std::string StringVar() { return rng_.Pick(kStringVars); }
  std::string LongVar() { return rng_.Pick(kLongVars); }

  std::string Expression() {
    switch (rng_.Below(7)) {
      case 0:
        return LongVar() + " + 1";
      case 1:
        return "Trim$(" + std::string(rng_.Pick(kTextBoxes)) + ".Text)";
      case 2:
        return Quote(rng_.Pick(kMessageText));
      case 3:
        return "Format$(Now, \"yyyy/mm/dd hh:nn:ss\")";
      case 4:
        return "Len(" + StringVar() + ") - " + std::to_string(rng_.Between(1, 9));
      case 5:
        return "UCase$(Left$(" + StringVar() + ", " + std::to_string(rng_.Between(1, 12)) + "))";
      default:
        return std::to_string(rng_.Between(0, 9999));
    }
  }

  std::string Condition() {
    switch (rng_.Below(5)) {
      case 0:
        return "Len(" + std::string(rng_.Pick(kTextBoxes)) + ".Text) = 0";
      case 1:
        return LongVar() + " > " + std::to_string(rng_.Between(0, 500));
      case 2:
        return "rs.EOF";
      case 3:
        return StringVar() + " = " + Quote(rng_.Pick(kColumnName));
      default:
        return "Not blnFound";
    }
  }

  void Statement(int indent, int depth) {
    const std::size_t pick = rng_.Below(depth < 3 ? 100 : 72);
    if (pick < 12) {
      w_.Code(indent, StringVar() + " = " + Expression(), 25);
    } else if (pick < 18) {
      w_.Code(indent, LongVar() + " = " + Expression(), 20);
    } else if (pick < 24) {
      // Apostrophes inside the literal: the SQL quotes.
      w_.Code(indent,
              "strSql = \"SELECT " + std::string(rng_.Pick(kColumnName)) + ", " +
                  rng_.Pick(kColumnName) + " FROM " + rng_.Pick(kTableName) + " WHERE " +
                  rng_.Pick(kColumnName) + " = '\" & " + StringVar() + " & \"'\"",
              35);
    } else if (pick < 27) {
      w_.Code(indent,
              "strSql = strSql & \" AND " + std::string(rng_.Pick(kColumnName)) +
                  " LIKE '%\" & Replace(" + StringVar() + ", \"'\", \"''\") & \"%'\"",
              30);
    } else if (pick < 31) {
      w_.Code(indent,
              std::string("MsgBox ") + Quote(rng_.Pick(kMessageText)) + ", vbExclamation, " +
                  Quote(rng_.Pick(kCaptionText)),
              15);
    } else if (pick < 34) {
      // Doubled quotes inside a literal.
      w_.Code(indent,
              std::string(rng_.Pick(kLabels)) + ".Caption = \"" + kOpenBracket + "\" & " +
                  StringVar() + " & \"" + kCloseBracket + " \"\"" + rng_.Pick(kLabelText) +
                  "\"\" can't be empty\"",
              25);
    } else if (pick < 37) {
      // A statement continued over two lines.
      w_.Line(indent, "Call " + std::string(rng_.Pick(kProcNames)) + "(" + StringVar() + ", " +
                          Quote(rng_.Pick(kMessageText)) + ", _");
      w_.Code(indent + 3,
              LongVar() + ", " + Quote("It's " + std::string(rng_.Pick(kColumnName))) + ")", 30);
    } else if (pick < 48) {
      w_.Line(indent, w_.Comment());
    } else if (pick < 51) {
      w_.Line(indent, "'" + StringVar() + " = " + Expression());  // code commented out
    } else if (pick < 52) {
      w_.Line(indent, std::string("Rem ") + rng_.Pick(kCommentText));
    } else if (pick < 55) {
      w_.Code(indent,
              "Debug.Print \"Don't stop: \" & " + LongVar() + ", " + Quote(rng_.Pick(kTableName)),
              40);
    } else if (pick < 56) {
      // A comment continued onto the next line.
      w_.Line(indent, std::string("' ") + kOldSpec + " _");
      w_.Line(indent + 1, std::string(kSecondLine) + " " + rng_.Pick(kColumnName));
    } else if (pick < 58) {
      w_.Code(indent, "strQuote = \"'\"", 20);
    } else if (pick < 59) {
      w_.Line(0, "#If DEBUG_MODE Then");
      w_.Code(indent, "Debug.Print \"" + std::string(rng_.Pick(kProcNames)) + "\"", 30);
      w_.Line(0, "#End If");
    } else if (pick < 66) {
      w_.Blank();
    } else if (pick < 72) {
      w_.Code(indent, "Call " + std::string(rng_.Pick(kProcNames)) + "(" + StringVar() + ")", 20);
    } else if (pick < 82) {
      w_.Code(indent, "If " + Condition() + " Then", 30);
      Block(indent + 1, depth + 1, 1, 4);
      if (rng_.Percent(30)) {
        w_.Code(indent, "ElseIf " + Condition() + " Then", 20);
        Block(indent + 1, depth + 1, 1, 3);
      }
      if (rng_.Percent(40)) {
        w_.Line(indent, "Else");
        Block(indent + 1, depth + 1, 1, 3);
      }
      w_.Line(indent, "End If");
    } else if (pick < 88) {
      const std::string var = LongVar();
      w_.Code(indent, "For " + var + " = 0 To " + std::string(rng_.Pick(kLongVars)) + " - 1", 30);
      Block(indent + 1, depth + 1, 1, 4);
      w_.Line(indent, "Next " + var);
    } else if (pick < 94) {
      const std::string box = rng_.Pick(kTextBoxes);
      w_.Code(indent, "With " + box, 20);
      w_.Code(indent + 1, ".Text = \"\"", 30);
      w_.Code(indent + 1, ".Enabled = True", 40);
      w_.Code(indent + 1, ".BackColor = vbWindowBackground", 20);
      w_.Line(indent, "End With");
    } else {
      w_.Code(indent, "Select Case " + LongVar(), 20);
      const int cases = rng_.Between(2, 4);
      for (int i = 0; i < cases; ++i) {
        w_.Code(indent + 1, "Case " + std::to_string(i), 40);
        Block(indent + 2, depth + 1, 1, 2);
      }
      w_.Line(indent + 1, "Case Else");
      Block(indent + 2, depth + 1, 1, 2);
      w_.Line(indent, "End Select");
    }
  }

  void Block(int indent, int depth, int least, int most) {
    const int count = rng_.Between(least, most);
    for (int i = 0; i < count; ++i) Statement(indent, depth);
  }

  void ProcedureHeader(const std::string& name) {
    if (!rng_.Percent(60)) return;
    w_.Line(0, "'*******************************************************************************");
    w_.Line(0, std::string("' ") + kFunctionLabel + rng_.Pick(kCommentText));
    w_.Line(0, std::string("' ") + kArgumentLabel + "index - " + rng_.Pick(kColumnName));
    w_.Line(0, std::string("' ") + kReturnLabel + kNone);
    if (rng_.Percent(30)) w_.Line(0, std::string("' ") + kHistoryLabel + "2003/04/01 " + name);
    w_.Line(0, "'*******************************************************************************");
  }

  // One procedure; `kind` shapes its signature.
  void Procedure(SourceKind kind, int index) {
    const std::string base = std::string(rng_.Pick(kProcNames)) + std::to_string(index);
    std::string open;
    std::string close = "End Sub";
    bool propertyGet = false;
    switch (rng_.Below(6)) {
      case 0:
        if (kind == SourceKind::Form) {
          open = "Private Sub cmdAction" + std::to_string(index) + "_Click()";
          break;
        }
        [[fallthrough]];
      case 1:
        open = "Private Function " + base + "(ByVal index As Long) As Boolean";
        close = "End Function";
        break;
      case 2:
        if (kind == SourceKind::Class || kind == SourceKind::UserControl) {
          open = "Public Property Get Item" + std::to_string(index) +
                 "(ByVal index As Long) As String";
          close = "End Property";
          propertyGet = true;
          break;
        }
        [[fallthrough]];
      case 3:
        open =
            "Public Sub " + base + "(ByVal message As String, Optional ByVal maximum As Long = 0)";
        break;
      default:
        open = "Private Sub " + base + "()";
        break;
    }
    ProcedureHeader(base);
    w_.Code(0, open, 10);
    if (propertyGet) w_.Line(0, "Attribute Item" + std::to_string(index) + ".VB_UserMemId = 0");
    const bool trap = rng_.Percent(40);
    if (trap) w_.Line(1, "On Error GoTo ErrHandler");
    const std::size_t dims = rng_.Below(4) + 1;
    const std::size_t first = rng_.Below(6);
    for (std::size_t i = 0; i < dims; ++i) {
      const std::size_t var = (first + i / 2) % 6;
      w_.Code(1,
              std::string("Dim ") + (i % 2 ? kLongVars[var] : kStringVars[var]) + " As " +
                  (i % 2 ? "Long" : rng_.Pick(kTypes)),
              45);
    }
    w_.Blank();
    Block(1, 0, 6, 22);
    if (trap) {
      w_.Line(1, close == "End Sub"        ? "Exit Sub"
                 : close == "End Function" ? "Exit Function"
                                           : "Exit Property");
      w_.Line(0, "ErrHandler:");
      w_.Code(1,
              std::string("MsgBox Err.Description & \" (\" & Err.Number & \")\", vbCritical, ") +
                  Quote(rng_.Pick(kCaptionText)),
              30);
    }
    w_.Line(0, close);
    w_.Blank();
  }

  void Declarations(SourceKind kind) {
    w_.Line(0, "Option Explicit");
    w_.Blank();
    if (kind == SourceKind::Module) {
      w_.Code(0, "Private Declare Function GetTickCount Lib \"kernel32\" () As Long", 30);
      w_.Code(0,
              "Private Declare Function GetPrivateProfileString Lib \"kernel32\" Alias "
              "\"GetPrivateProfileStringA\" (ByVal lpApplicationName As String, ByVal lpKeyName As "
              "Any, "
              "ByVal lpDefault As String, ByVal lpReturnedString As String, ByVal nSize As Long, "
              "ByVal lpFileName As String) As Long",
              30);
      w_.Code(0,
              std::string("Public Const APP_TITLE As String = ") + Quote(rng_.Pick(kCaptionText)),
              50);
    }
    const int members = rng_.Between(2, 8);
    for (int i = 0; i < members; ++i) {
      w_.Code(0,
              (i % 2 ? "Private mlng" : "Private mstr") + std::string(rng_.Pick(kProcNames)) +
                  " As " + (i % 2 ? "Long" : "String"),
              60);
    }
    w_.Code(0, "Private Const SQL_QUOTE As String = \"'\"", 40);
    w_.Blank();
  }

 private:
  Writer& w_;
  Rng& rng_;
};

void AttributeLines(Writer& w, SourceKind kind, const std::string& name) {
  w.Line(0, "Attribute VB_Name = " + Quote(name));
  if (kind == SourceKind::Module) return;
  w.Line(0, "Attribute VB_GlobalNameSpace = False");
  w.Line(0, kind == SourceKind::Form ? "Attribute VB_Creatable = False"
                                     : "Attribute VB_Creatable = True");
  w.Line(0, kind == SourceKind::Form ? "Attribute VB_PredeclaredId = True"
                                     : "Attribute VB_PredeclaredId = False");
  w.Line(0, "Attribute VB_Exposed = False");
}

void ClassBlock(Writer& w) {
  w.Line(0, "VERSION 1.0 CLASS");
  w.Line(0, "BEGIN");
  w.Line(0, "  MultiUse = -1  'True");
  w.Line(0, "  Persistable = 0  'NotPersistable");
  w.Line(0, "  DataBindingBehavior = 0  'vbNone");
  w.Line(0, "  DataSourceBehavior  = 0  'vbNone");
  w.Line(0, "  MTSTransactionMode  = 0  'NotAnMTSObject");
  w.Line(0, "END");
}

// What the generator makes of each kind of source, in the order of kCategoryTable.
struct KindShape {
  const char* prefix;     // of the module name
  const char* extension;  // of the file name
  const Folder* folder;
  const char* designer;   // the object type of its designer block; null: none
  bool namedReference;    // the project file writes "Name; reference", as VB does for these
};
constexpr KindShape kKindShapes[] = {
    {"frm", ".frm", &kFormFolder, "VB.Form", false},
    {"bas", ".bas", &kModuleFolder, nullptr, true},
    {"cls", ".cls", &kClassFolder, nullptr, true},
    {"ctl", ".ctl", &kControlFolder, "VB.UserControl", false},
    {"ppg", ".pag", &kPageFolder, "VB.PropertyPage", false},
};
static_assert(std::size(kKindShapes) == kCategoryCount, "one shape per source category");

const KindShape& ShapeOf(SourceKind kind) { return kKindShapes[static_cast<std::size_t>(kind)]; }

// Two forms, one module, two classes in every five files, with a user control
// and a property page in place of a form now and then.
SourceKind KindOf(std::size_t index) {
  switch (index % 10) {
    case 0:
    case 5:
      return SourceKind::Form;
    case 1:
    case 6:
      return SourceKind::Module;
    case 2:
    case 4:
    case 7:
    case 9:
      return SourceKind::Class;
    case 3:
      return SourceKind::UserControl;
    default:
      return SourceKind::PropertyPage;
  }
}

constexpr const char* kModuleStems[] = {"Customer", "Invoice", "Schedule", "Staff",    "Sort",
                                        "Config",   "Request", "Rating",   "Supplier", "Display"};

}  // namespace

std::string GeneratedSource::AnsiReference() const {
  return ansiFolder.empty() ? fileName : ansiFolder + "\\" + fileName;
}

std::string GeneratedSource::NativeRelativePath() const {
  return nativeFolder.empty() ? fileName : nativeFolder + "/" + fileName;
}

std::size_t GeneratedProject::TotalSourceBytes() const {
  std::size_t total = 0;
  for (const auto& source : sources) total += source.bytes.size();
  return total;
}

std::size_t GeneratedProject::LargestSourceBytes() const {
  std::size_t largest = 0;
  for (const auto& source : sources) largest = std::max(largest, source.bytes.size());
  return largest;
}

std::string GenerateSource(SourceKind kind, const std::string& moduleName, std::size_t targetBytes,
                           std::uint64_t seed) {
  std::string out;
  out.reserve(targetBytes + 8192);
  Rng rng(seed);
  Writer w(out, rng);
  DesignerWriter designer(w, rng);
  w.SetIndentWidth(3);
  if (const char* objectType = ShapeOf(kind).designer) {
    designer.FormBlock(moduleName, objectType);
  } else if (kind == SourceKind::Class) {
    ClassBlock(w);
  }
  AttributeLines(w, kind, moduleName);
  w.SetIndentWidth(4);
  CodeWriter code(w, rng);
  code.Declarations(kind);
  for (int index = 1; w.Size() < targetBytes; ++index) code.Procedure(kind, index);
  return out;
}

GeneratedProject GenerateProject(const ProjectShape& shape) {
  GeneratedProject project;
  project.projectFileName = "SalesSystem.vbp";
  project.sources.reserve(shape.fileCount);
  for (std::size_t i = 0; i < shape.fileCount; ++i) {
    GeneratedSource source;
    source.kind = KindOf(i);
    char number[16];
    std::snprintf(number, sizeof number, "%04zu", i + 1);
    const KindShape& kindShape = ShapeOf(source.kind);
    source.moduleName = std::string(kindShape.prefix) + kModuleStems[i % 10] + number;
    source.fileName = source.moduleName + kindShape.extension;
    source.ansiFolder = kindShape.folder->ansi;
    source.nativeFolder = kindShape.folder->native;
    source.bytes =
        GenerateSource(source.kind, source.moduleName, shape.fileBytes, shape.seed * 1000003u + i);
    project.sources.push_back(std::move(source));
  }

  std::string& vbp = project.projectBytes;
  vbp += "Type=Exe\r\n";
  vbp +=
      "Reference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#..\\..\\..\\.."
      "\\Windows\\System32\\"
      "stdole2.tlb#OLE Automation\r\n";
  vbp +=
      "Reference=*\\G{2A75196C-D9EB-4129-B803-931327F72D5C}#2.8#0#C:\\Program Files\\Common Files\\"
      "System\\ado\\msado28.tlb#Microsoft ActiveX Data Objects 2.8 Library\r\n";
  vbp += "Object={831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0; MSCOMCTL.OCX\r\n";
  for (const auto& source : project.sources) {
    const CategoryInfo& row = InfoOf(source.kind);
    vbp += std::string(row.key) + "=";
    if (ShapeOf(source.kind).namedReference) vbp += source.moduleName + row.separator + " ";
    vbp += source.AnsiReference();
    vbp += "\r\n";
  }
  vbp +=
      "IconForm=\"frmCustomer0001\"\r\n"
      "Startup=\"Sub Main\"\r\n"
      "HelpFile=\"\"\r\n"
      "Title=\"" +
      std::string(kSalesTitle) + "\"\r\n" +
      "ExeName32=\"SalesSystem.exe\"\r\n"
      "Command32=\"\"\r\n"
      "Name=\"SalesSystem\"\r\n"
      "HelpContextID=\"0\"\r\n"
      "CompatibleMode=\"0\"\r\n"
      "MajorVer=1\r\nMinorVer=0\r\nRevisionVer=0\r\nAutoIncrementVer=0\r\n"
      "ServerSupportFiles=0\r\n"
      "CompilationType=0\r\nOptimizationType=0\r\nFavorPentiumPro(tm)=0\r\n"
      "CodeViewDebugInfo=0\r\nNoAliasing=0\r\nBoundsCheck=0\r\nOverflowCheck=0\r\n"
      "FlPointCheck=0\r\nFDIVCheck=0\r\nUnroundedFP=0\r\nStartMode=0\r\nUnattended=0\r\n"
      "Retained=0\r\nThreadPerObject=0\r\nMaxNumberOfThreads=1\r\n"
      "\r\n"
      "[MS Transaction Server]\r\n"
      "AutoRefresh=1\r\n";
  return project;
}

std::optional<std::vector<std::filesystem::path>> WriteProject(const GeneratedProject& project,
                                                               const std::filesystem::path& folder) {
  const auto write = [](const std::filesystem::path& path, const std::string& bytes) {
    std::error_code failed;
    std::filesystem::create_directories(path.parent_path(), failed);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    return !failed && out.good();
  };
  if (!write(folder / project.projectFileName, project.projectBytes)) return std::nullopt;
  std::vector<std::filesystem::path> paths;
  for (const GeneratedSource& source : project.sources) {
    paths.push_back(folder / std::filesystem::u8path(source.NativeRelativePath()));
    if (!write(paths.back(), source.bytes)) return std::nullopt;
  }
  return paths;
}

}  // namespace velmori::bench
