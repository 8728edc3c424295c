#pragma once
// The words of what the window adds around its designed client area: the status bar, the
// confirmation's detail, the port list's marks, the service record view. Kept apart from the
// designed texts of window_texts.h; %1.. are filled in with QString::arg.
//
// Each is written in Japanese, the window's language, and translated like the window's other
// texts, by the window through Qt and by the web page from the same translation file.

#if __has_include(<QtGlobal>)
#include <QtGlobal>
#else
// lupdate still reads the marks.
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

namespace velmar::status_texts {

// What is loaded.
inline constexpr const char* kNoFirmware =
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "ファームウェア未読み込み");
inline constexpr const char* kImageSummary =
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "CHECK SUM %1  SHA-256 %2  %3 ブロック");

// A rewrite as it runs.
inline constexpr const char* kConnecting =
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "無線機に接続しています");
inline constexpr const char* kErasing =
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "フラッシュを消去しています");
inline constexpr const char* kWriting =
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "ブロック %1 / %2 を書き込み中  %3 %");
inline constexpr const char* kTimeLeft = QT_TRANSLATE_NOOP("velmar::StatusPanel", "  残り %1 秒");
inline constexpr const char* kEnding =
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "セッションを終了しています");

// The last rewrite, kept until the next operation.
inline constexpr const char* kResult =
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "%1  COM %2 %3  %4 / %5 ブロック  %6 秒  %7");
inline constexpr const char* kNoDevice = QT_TRANSLATE_NOOP("velmar::StatusPanel", "(装置なし)");

// The confirmation's detail, and its first lines for a port with nothing behind it.
inline constexpr const char* kTarget = QT_TRANSLATE_NOOP(
    "velmar::StatusPanel", "ファイル: %1\nCHECK SUM (C000-FFFF): %2\nポート: COM %3 %4");
inline constexpr const char* kNoDeviceWarning = QT_TRANSLATE_NOOP(
    "velmar::StatusPanel",
    "COM %1 には装置がつながっていません。\nこのまま書き換えると接続に失敗します。");

// The service record view.
inline constexpr const char* kRecordsMenu = QT_TRANSLATE_NOOP("velmar::frmMain", "サービス記録...");
inline constexpr const char* kRecordsTitle =
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "サービス記録");
inline constexpr const char* kAllResults = QT_TRANSLATE_NOOP("velmar::StatusPanel", "すべての結果");
inline constexpr const char* kOpenFolder =
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "記録のフォルダーを開く");
inline constexpr const char* kRecordsShown =
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "%1 件、新しい順、%2 から");
inline constexpr const char* kNoRecords =
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "%1 にはまだ書き換えの記録がありません");
inline constexpr const char* kSkipped =
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "  (記録でない %1 行を読み飛ばしました)");
inline constexpr const char* kCannotRead =
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "%1 を読めません");
inline constexpr const char* kColumns[] = {
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "日時"),
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "結果"),
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "ファイル"),
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "CHECK SUM"),
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "ポート"),
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "装置"),
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "ブロック"),
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "秒"),
};

// The port list: the device an entry opens, after the entry; the entries' tooltips.
inline constexpr const char* kPortMark = "  ● %1";
inline constexpr const char* kPortNotConnected =
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "（未接続）");
inline constexpr const char* kPortNoDevice =
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "装置がつながっていません");
inline constexpr const char* kPortUnreadable = QT_TRANSLATE_NOOP(
    "velmar::StatusPanel",
    "何も開きません。保存した割り当てを読めません（理由は velmar-fw ports で分かります）");

}  // namespace velmar::status_texts
