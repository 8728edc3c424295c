#pragma once
// Every text the window shows, byte for byte. Kept in one place so the handlers read as steps
// and the tests compare against the same strings.

#include "wording/rewrite_words.h"
#include "wording/step_words.h"
#include "wording/translatable.h"

namespace velmar::texts {

inline constexpr const char* kWindowCaption = "Velmar Software Writer (Version 01.12)";
inline constexpr const char* kDefaultFirmwareName = "Velmar_150421_01_12.mot";
inline constexpr const char* kMainButtonCaption = "Write Ver.01.12";
inline constexpr const char* kPinWord = "QUARTET";
inline constexpr const char* kCaptionForPinWord = "Pim";
inline constexpr const char* kCaptionOtherwise = "Tevlo";
inline constexpr const char* kPinControlCharacter =
    VELMAR_TR_NOOP("velmar", "ピン番号に制御文字が含まれています。何も送信しませんでした。");

// The rewrite sequence.
inline constexpr const char* kConfirmText =
    "Please never turn off power while rewriting.\r\nClick the OK button to begin rewriting.";
inline constexpr const char* kConfirmTitle = "Rewriting of software";
inline constexpr const char* kErrorTitle = "ERROR";
inline constexpr const char* kSuccessTitle = "Finished";

// A connect answered with the other loader's status.
inline constexpr const char* kAnsweredZeroNotC = words::kAnsweredZeroNotC;
// With 1.05 chosen a "0" is that loader's own answer, but a manual connect counts only "C"
// whichever version is chosen.
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
inline constexpr const char* kConnected = words::kConnected;
inline constexpr const char* kConnectFailed = words::kConnectFailed;
inline constexpr const char* kErased = words::kErased;
inline constexpr const char* kEraseFailed = words::kEraseFailed;
inline constexpr const char* kWritten = words::kWritten;
inline constexpr const char* kWriteFailed = words::kWriteFailed;
inline constexpr const char* kDisconnected = words::kDisconnected;
inline constexpr const char* kDisconnectFailed = words::kDisconnectFailed;

inline constexpr const char* kChecksumTitle = "CHECK SUM";

// The file dialog: the four filter entries and the flags (file and path must exist, the
// current directory stays, no read-only box).
inline constexpr const char* kFirmwareFilter =
    "MOT & HEX|*.mot;*.hex|Mot Files (*.mot)|*.mot|Hex Files (*.hex)|*.hex|All Files (*.*)|*.*";
inline constexpr unsigned kFirmwareDialogFlags = 0x180C;

}  // namespace velmar::texts
