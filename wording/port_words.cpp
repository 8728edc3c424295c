#include "wording/port_words.h"

#include "wording/load_words.h"

namespace velmar {

std::string portWithoutDevice(int16_t port) {
    return "port " + std::to_string(port) + " has no device: none is connected for it";
}

std::string describeSavedState(const SavedState& state) {
    switch (state.fault) {
        case SavedFault::None:
            return {};
        case SavedFault::CannotRead: {
            LoadOutcome outcome;
            outcome.fault = state.fileFault;
            outcome.osError = state.osError;
            outcome.nodeKind = state.nodeKind;
            return describeLoadFailure(outcome, state.file);
        }
        case SavedFault::TooLarge:
            return state.file + ": larger than " + std::to_string(kLargestSettings / 1024) +
                   " KiB, so not a settings file";
        case SavedFault::Malformed:
            break;
    }
    std::string text = state.file + ": has lines that are not settings";
    for (std::size_t i = 0; i < state.unreadablePorts.size(); ++i)
        text += (i == 0 ? " (among them the entry of COM " : ", COM ") +
                std::to_string(state.unreadablePorts[i]);
    return text + (state.unreadablePorts.empty() ? "" : ")");
}

std::string savedStateNotice(const SavedState& state) {
    if (state.fault == SavedFault::None) return {};
    const std::string what = describeSavedState(state);
    if (state.nothingRead())
        return "the saved port assignment cannot be read: " + what +
               "; a port number opens only what its VELMAR_COMn names";
    return "the saved port assignment is damaged: " + what +
           "; ports without an entry are chosen automatically" +
           (state.unreadablePorts.empty() ? "" : ", those with a broken one open nothing");
}

std::string unreadableAssignmentText(int16_t port, const SavedState& state) {
    return "port " + std::to_string(port) +
           " opens nothing: its saved assignment cannot be read (" + describeSavedState(state) +
           "); choose its device again in " + kPortAssignmentMenu + " or set VELMAR_COM" +
           std::to_string(port);
}

std::string unreadableAssignment(const PortDirectory& directory, int16_t port) {
    if (port < 1 || port > kPortCount) return {};
    const auto ports = directory.resolve();
    if (ports[static_cast<std::size_t>(port - 1)].source != PortSource::Unreadable) return {};
    return unreadableAssignmentText(port, directory.savedState());
}

}  // namespace velmar
