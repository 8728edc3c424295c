#pragma once
// How every loader step starts and ends: no failure left from an earlier step, a serial fault
// or any other error turned into the step's failure code with what happened noted, and the
// port closed on every path.

#include <cstdint>
#include <exception>
#include <string_view>

#include "link/loader_link.h"

namespace velmar {

template <typename Result, typename Body>
Result runStep(LoaderLink& link, Result failure, Body body) {
    link.clearStepNotes();
    Result result = failure;
    try {
        result = body();
    } catch (const SerialError& error) {
        link.noteSerialError(error);
    } catch (const std::exception& error) {
        StepFailure internal(FailureKind::Internal);
        internal.internal = error.what();
        link.noteFailure(internal);
    }
    link.closeLoaderPort();
    return result;
}

// Opens with `settings`, or with those the port last had when the speed option is unset ("").
inline void openWithSettingsOrKept(LoaderLink& link, std::string_view settings, int16_t port) {
    if (settings.empty())
        link.reopenPort(port);
    else
        link.openLoaderPort(settings, port);
}

}  // namespace velmar
