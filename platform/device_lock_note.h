#pragma once
// The note a lock's holder leaves in the lock file, "velmar-fw (pid 1234)", so that a program
// refused the device can say who has it, and the refusals: one form for every system's lock.

#include <string>
#include <utility>

#include "platform/serial_control.h"

namespace velmar {

inline std::string holderNote(const std::string& holder, long pid) {
    return holder + " (pid " + std::to_string(pid) + ")\n";
}

// The refusal of a device another program of ours holds; `holder` as its note names it.
inline SerialError heldBy(const std::string& device, const std::string& holder) {
    return SerialError(SerialFault::Busy,
                       device + ": in use by " + (holder.empty() ? "another program" : holder),
                       SerialErrorContext{.device = device, .group = {}, .holder = holder});
}

// The refusal of a lock file that cannot be held; `cause` is the system's account, if any.
inline SerialError unusableLock(const std::string& device, const std::string& path,
                                LockPathKind kind, std::string cause) {
    std::string what = path + (cause.empty() ? "" : ": " + cause);
    return SerialError(SerialFault::LockUnusable, what,
                       SerialErrorContext{.device = device,
                                          .group = {},
                                          .holder = {},
                                          .lock = LockFileProblem{path, kind, std::move(cause)}});
}

// The process the note names, 0 when it names none.
inline long pidInNote(const std::string& note) {
    const std::size_t at = note.rfind("(pid ");
    if (at == std::string::npos) return 0;
    long pid = 0;
    for (std::size_t i = at + 5; i < note.size() && note[i] >= '0' && note[i] <= '9'; ++i)
        pid = pid < 100000000 ? pid * 10 + (note[i] - '0') : 0;
    return pid;
}

// The holder as a one-line text from the note's bytes ("" when there are none).
inline std::string holderFromNote(std::string note) {
    while (!note.empty() && (note.back() == '\n' || note.back() == '\0')) note.pop_back();
    for (char& c : note)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';  // shown in a message: one line
    return note;
}

}  // namespace velmar
