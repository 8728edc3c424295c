#pragma once
// The words of what the window adds around its designed client area: the status bar, the
// confirmation's detail, the port list's marks, the service record view. Kept apart from the
// designed texts of window_texts.h; %1.. are filled in with QString::arg.
//
// Each is written in Japanese, the window's language, and translated like the window's other
// texts; the web page, which has no Qt to translate with, shows the English beside it.

#if __has_include(<QtGlobal>)
#include <QtGlobal>
#else
// lupdate still reads the marks.
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

namespace velmar::status_texts {

struct Text {
    const char* source;   // Japanese; what the window translates
    const char* english;  // for the web page
};

// What is loaded.
inline constexpr Text kNoFirmware = {
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "ファームウェア未読み込み"), "no firmware loaded"};
inline constexpr Text kImageSummary = {
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "CHECK SUM %1  SHA-256 %2  %3 ブロック"),
    "CHECK SUM %1  SHA-256 %2  %3 blocks"};

// A rewrite as it runs.
inline constexpr Text kConnecting = {
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "無線機に接続しています"), "Connecting to the radio"};
inline constexpr Text kErasing = {
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "フラッシュを消去しています"), "Erasing the flash"};
inline constexpr Text kWriting = {
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "ブロック %1 / %2 を書き込み中  %3 %"),
    "Writing block %1 of %2  %3 %"};
inline constexpr Text kTimeLeft = {QT_TRANSLATE_NOOP("velmar::StatusPanel", "  残り %1 秒"),
                                   "  %1 s left"};
inline constexpr Text kEnding = {
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "セッションを終了しています"), "Ending the session"};

// The last rewrite, kept until the next operation.
inline constexpr Text kResult = {
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "%1  COM %2 %3  %4 / %5 ブロック  %6 秒  %7"),
    "%1  COM %2 %3  %4 of %5 blocks  %6 s  at %7"};
inline constexpr Text kNoDevice = {QT_TRANSLATE_NOOP("velmar::StatusPanel", "(装置なし)"),
                                   "(no device)"};

// The confirmation's detail, and its first lines for a port with nothing behind it.
inline constexpr Text kTarget = {
    QT_TRANSLATE_NOOP("velmar::StatusPanel",
                      "ファイル: %1\nCHECK SUM (C000-FFFF): %2\nポート: COM %3 %4"),
    "File: %1\nCHECK SUM (C000-FFFF): %2\nPort: COM %3 %4"};
inline constexpr Text kNoDeviceWarning = {
    QT_TRANSLATE_NOOP(
        "velmar::StatusPanel",
        "COM %1 には装置がつながっていません。\nこのまま書き換えると接続に失敗します。"),
    "COM %1 has no device connected.\nThe rewrite will fail to connect."};

// The service record view.
inline constexpr const char* kRecordsMenu = QT_TRANSLATE_NOOP("velmar::frmMain", "サービス記録...");
inline constexpr Text kRecordsTitle = {QT_TRANSLATE_NOOP("velmar::StatusPanel", "サービス記録"),
                                       "Service records"};
inline constexpr Text kAllResults = {QT_TRANSLATE_NOOP("velmar::StatusPanel", "すべての結果"),
                                     "All results"};
inline constexpr Text kOpenFolder = {
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "記録のフォルダーを開く"), "Open the log's folder"};
inline constexpr Text kRecordsShown = {
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "%1 件、新しい順、%2 から"),
    "%1 entries, newest first, from %2"};
inline constexpr Text kNoRecords = {
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "%1 にはまだ書き換えの記録がありません"),
    "No rewrites logged yet in %1"};
inline constexpr Text kSkipped = {
    QT_TRANSLATE_NOOP("velmar::StatusPanel", "  (記録でない %1 行を読み飛ばしました)"),
    "  (%1 line(s) that are not entries skipped)"};
inline constexpr Text kCannotRead = {QT_TRANSLATE_NOOP("velmar::StatusPanel", "%1 を読めません"),
                                     "Cannot read %1"};
inline constexpr Text kColumns[] = {
    {QT_TRANSLATE_NOOP("velmar::StatusPanel", "日時"), "Time"},
    {QT_TRANSLATE_NOOP("velmar::StatusPanel", "結果"), "Result"},
    {QT_TRANSLATE_NOOP("velmar::StatusPanel", "ファイル"), "File"},
    {QT_TRANSLATE_NOOP("velmar::StatusPanel", "CHECK SUM"), "CHECK SUM"},
    {QT_TRANSLATE_NOOP("velmar::StatusPanel", "ポート"), "Port"},
    {QT_TRANSLATE_NOOP("velmar::StatusPanel", "装置"), "Device"},
    {QT_TRANSLATE_NOOP("velmar::StatusPanel", "ブロック"), "Blocks"},
    {QT_TRANSLATE_NOOP("velmar::StatusPanel", "秒"), "Seconds"},
};

// The port list: the device an entry opens, after the entry.
inline constexpr const char* kPortMark = "  ● %1";

}  // namespace velmar::status_texts
