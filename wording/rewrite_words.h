#pragma once
// The one table from a rewrite's outcome to what a person is told: the headline (a message
// box's text, velmar-fw's stdout line, a station's result cell), the detail under it, the exit
// code of velmar-fw write and write-earlier and the service log's result. The window,
// velmar-fw and the station only show these words; each decides how (a box, a stderr line, a
// table cell).

#include <string>

#include "protocol/current_loader.h"
#include "protocol/rewrite_sequence.h"
#include "wording/exit_codes.h"

namespace velmar::words {

inline constexpr const char* kConnectionFailure = "Connection failure";
inline constexpr const char* kDeletionFailure = "Deletion failure";
inline constexpr const char* kWritingFailure = "Writing failure";
inline constexpr const char* kNothingToWrite = "No firmware data to write";
inline constexpr const char* kRewritingSuccess = "Rewriting success!";
inline constexpr const char* kStoppedBeforeErasing =
    "Stopped before erasing: the radio's flash is unchanged.";
// Under a success whose end the radio did not answer: the box's detail, and the line a
// terminal or a station's table gets.
inline constexpr const char* kEndNotConfirmed = "The radio did not confirm the end of the session";
inline constexpr const char* kEndNotConfirmedLine =
    "the radio did not confirm the end of the session";
// A connect answered "0": with 1.06 chosen the other loader may be there; with 1.05 chosen it
// is that loader's own answer, but the rewrite goes on only after "C".
inline constexpr const char* kAnsweredZeroNotC =
    "the radio answered \"0\"; the 1.06 loader answers \"C\" — is the loader version right?";
inline constexpr const char* kAnsweredZeroRewriteNeedsC =
    "the radio answered \"0\"; the rewrite goes on only after \"C\"";

struct RewriteWords {
    std::string headline;  // "" for a run declined before its connect: nothing to say
    std::string detail;    // the cause, a hint or the unconfirmed end; "" when there is none
    int exitCode = kExitOk;
    std::string logText;  // the service log's result
    bool succeeded = false;
    bool stopped = false;  // a stop ended it (before the erase, in it or in the write)
};

RewriteWords rewriteWords(const RewriteOutcome& outcome, LoaderVersion loader);
// The earlier generation's rewrite in the words of its panel's buttons ("消去に失敗しました",
// "書込失敗", "切断しました"...), which are also its steps' progress lines.
RewriteWords earlierRewriteWords(const EarlierRewriteOutcome& outcome);

// "connect", "erase", "write", "end"; "" for the others.
const char* stageName(RewriteStage stage);
const char* answeredZeroHint(LoaderVersion loader);

}  // namespace velmar::words
