#pragma once
// What a service record without a final message means: the rewrite began and never ended
// (the program was killed, quit at once or lost its power), so the radio may hold no complete
// firmware. velmar-fw log says it in English; the window in its language.

#include <string>

#include "wording/translatable.h"

namespace velmar::words {

// velmar-fw log's result cell, and its note under the table and in --json.
inline constexpr const char* kInterrupted = "Interrupted";
inline constexpr const char* kInterruptedMeaning =
    "the rewrite never reached its result: the radio may be erased or part-written; "
    "rewrite it again";

// The window's records view; its English texts are the two above.
inline constexpr const char* kInterruptedShown = VELMAR_TR_NOOP("velmar", "中断");
inline constexpr const char* kInterruptedMeaningShown =
    VELMAR_TR_NOOP("velmar",
                   "書き換えが結果まで届きませんでした。無線機は消去されたか書きかけの"
                   "可能性があります。もう一度書き換えてください");

// "Interrupted", or "Interrupted during the write" when the stage it was in is known.
inline std::string interruptedResult(const std::string& stage) {
    return stage.empty() ? kInterrupted : std::string(kInterrupted) + " during the " + stage;
}

}  // namespace velmar::words
