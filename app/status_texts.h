#pragma once
// The words of what the window adds around its designed client area: the status bar, the
// confirmation's detail, the service record view. Kept apart from the designed texts of
// window_texts.h; %1.. are filled in with QString::arg.

#if __has_include(<QtGlobal>)
#include <QtGlobal>
#else
// The web page shares these words and has no Qt; lupdate still reads the marks.
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

namespace velmar::status_texts {

// What is loaded.
inline constexpr const char* kNoFirmware = "no firmware loaded";
inline constexpr const char* kImageSummary = "CHECK SUM %1  SHA-256 %2  %3 blocks";

// A rewrite as it runs.
inline constexpr const char* kConnecting = "Connecting to the radio";
inline constexpr const char* kErasing = "Erasing the flash";
inline constexpr const char* kWriting = "Writing block %1 of %2  %3 %";
inline constexpr const char* kTimeLeft = "  %1 s left";
inline constexpr const char* kEnding = "Ending the session";

// The last rewrite, kept until the next operation.
inline constexpr const char* kResult = "%1  COM %2 %3  %4 of %5 blocks  %6 s  at %7";
inline constexpr const char* kNoDevice = "(no device)";

// The confirmation's detail.
inline constexpr const char* kTarget = "File: %1\nCHECK SUM (C000-FFFF): %2\nPort: COM %3 %4";

// The service record view.
inline constexpr const char* kRecordsMenu = QT_TRANSLATE_NOOP("velmar::frmMain", "サービス記録...");
inline constexpr const char* kRecordsTitle = "Service records";
inline constexpr const char* kAllResults = "All results";
inline constexpr const char* kOpenFolder = "Open the log's folder";
inline constexpr const char* kRecordsShown = "%1 entries, newest first, from %2";
inline constexpr const char* kNoRecords = "No rewrites logged yet in %1";
inline constexpr const char* kSkipped = "  (%1 line(s) that are not entries skipped)";
inline constexpr const char* kCannotRead = "Cannot read %1";
inline constexpr const char* kColumns[] = {"Time", "Result", "File",   "CHECK SUM",
                                           "Port", "Device", "Blocks", "Seconds"};

}  // namespace velmar::status_texts
