#pragma once
// Every text the window shows, byte for byte. Kept in one place so the handlers read as steps
// and the tests compare against the same strings.

namespace velmar::texts {

inline constexpr const char* kWindowCaption = "Velmar Software Writer (Version 01.12)";
inline constexpr const char* kDefaultFirmwareName = "Velmar_150421_01_12.mot";
inline constexpr const char* kMainButtonCaption = "Write Ver.01.12";
inline constexpr const char* kPinWord = "QUARTET";
inline constexpr const char* kCaptionForPinWord = "Pim";
inline constexpr const char* kCaptionOtherwise = "Tevlo";
inline constexpr const char* kPinControlCharacter =
    "ピン番号に制御文字が含まれています。何も送信しませんでした。";

// The rewrite sequence.
inline constexpr const char* kConfirmText =
    "Please never turn off power while rewriting.\r\nClick the OK button to begin rewriting.";
inline constexpr const char* kConfirmTitle = "Rewriting of software";
inline constexpr const char* kConnectionFailure = "Connection failure";
inline constexpr const char* kDeletionFailure = "Deletion failure";
inline constexpr const char* kWritingFailure = "Writing failure";
inline constexpr const char* kNothingToWrite = "No firmware data to write";
inline constexpr const char* kErrorTitle = "ERROR";
inline constexpr const char* kSuccessText = "Rewriting success!";
inline constexpr const char* kSuccessTitle = "Finished";
inline constexpr const char* kEndNotConfirmed = "The radio did not confirm the end of the session";

// A connect answered with the other loader's status.
inline constexpr const char* kAnsweredZeroNotC =
    "the radio answered \"0\"; the 1.06 loader answers \"C\" — is the loader version right?";
// With 1.05 chosen a "0" is that loader's own answer, but the rewrite goes on only after "C".
inline constexpr const char* kAnsweredZeroRewriteNeedsC =
    "the radio answered \"0\"; the rewrite goes on only after \"C\"";
// The same for a manual connect, which counts only "C" whichever version is chosen.
inline constexpr const char* kAnsweredZeroConnectNeedsC =
    "the radio answered \"0\"; this panel's connect counts only \"C\"";
inline constexpr const char* kAnsweredCNotZero =
    "the radio answered \"C\"; the 1.05 loader answers \"0\" — is the loader version right?";

// A close request while an operation runs.
inline constexpr const char* kCloseQuestionTitle = "Velmar Software Writer";
inline constexpr const char* kRunningRewrite = "A rewrite of the radio's firmware is running.";
inline constexpr const char* kRunningFlashStep =
    "A step that erases or writes the radio's flash is running.";
inline constexpr const char* kRunningOtherStep = "A loader step is running.";
inline constexpr const char* kRunningPinCommand = "The port pin command is running.";
inline constexpr const char* kRunningLoad = "A firmware file is being loaded.";
inline constexpr const char* kStopLeavesNoFirmware =
    "\r\nStopping now leaves the radio without complete firmware.";
inline constexpr const char* kStopAndCloseQuestion =
    "\r\n\r\nStop after the frame in flight and close the window?";

// The manual buttons.
inline constexpr const char* kOkTitle = "OK";
inline constexpr const char* kNgTitle = "NG";
inline constexpr const char* kConnected = "接続しました";
inline constexpr const char* kConnectFailed = "接続に失敗しました";
inline constexpr const char* kErased = "消去しました";
inline constexpr const char* kEraseFailed = "消去に失敗しました";
inline constexpr const char* kWritten = "書込成功";
inline constexpr const char* kWriteFailed = "書込失敗";
inline constexpr const char* kDisconnected = "切断しました";
inline constexpr const char* kDisconnectFailed = "切断に失敗しました";
// The earlier loader's write refused before anything is sent: the highest address with data
// and the highest the row frame can address.
inline constexpr const char* kBeyondEarlierAddresses =
    "the file has data up to address %05X; the earlier loader addresses only up to %05X, "
    "nothing was sent";

inline constexpr const char* kChecksumTitle = "CHECK SUM";

// The file dialog: the four filter entries and the flags (file and path must exist, the
// current directory stays, no read-only box).
inline constexpr const char* kFirmwareFilter =
    "MOT & HEX|*.mot;*.hex|Mot Files (*.mot)|*.mot|Hex Files (*.hex)|*.hex|All Files (*.*)|*.*";
inline constexpr unsigned kFirmwareDialogFlags = 0x180C;

}  // namespace velmar::texts
