#pragma once
// One rewrite in the service log: what was written into which radio, through which port, and
// how it ended. Plain data, so anything may fill or read it without knowing the file format.

#include <cstdint>
#include <optional>
#include <string>

namespace velmar {

// How much of its rewrite a record knows. A rewrite's record is appended as it begins and again
// as it ends, so a program killed in between (or a power cut) still leaves a record.
enum class RecordState {
    Ended,  // with its final message
    Begun,  // as it began: nothing after that is known (the program was killed, or the power cut)
    Quit,   // quit at once on a second signal: blocks and seconds so far, and `stage`
};

struct ServiceRecord {
    std::string time;                   // UTC, ISO 8601: "2026-12-07T14:14:18Z"
    std::string tool;                   // "velmar-writer", "velmar-fw"
    std::string operation;              // "write", "write-earlier"
    std::string file;                   // absolute path, its bytes as the system gave them
    std::string sha256;                 // of the bytes the load read, lower-case hex
    std::string checksum;               // C000..FFFF as the CHECK SUM panel shows it
    std::optional<int> port;            // COM n; none when a device path was given instead
    std::string device;                 // "/dev/ttyUSB0"
    std::string description;            // as the system describes the device; may be empty
    std::optional<std::string> serial;  // the adapter's serial number, when known
    std::string loader;                 // "1.05", "1.06"; "earlier" for the earlier generation
    std::string result;                 // the final message: "Rewriting success!"; "" unless Ended
    double seconds = 0;                 // from the rewrite's start to its outcome
    int blocksWritten = 0;              // blocks (rows for the earlier generation) accepted
    int blocksTotal = 0;                // blocks (rows) the image sends
    // Joins the two lines of one rewrite; "" for a record written whole at once (a rewrite
    // refused before anything was sent, a log from before records were written ahead).
    std::string run;
    RecordState state = RecordState::Ended;
    std::string stage;  // Quit: the stage the rewrite was in, "connect" .. "end"

    // Ended without its final message: the radio may be erased or part-written.
    bool interrupted() const { return state != RecordState::Ended; }
};

}  // namespace velmar
