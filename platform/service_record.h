#pragma once
// One line of the service log: what was written into which radio, through which port, and
// how it ended. Plain data, so anything may fill or read it without knowing the file format.

#include <cstdint>
#include <optional>
#include <string>

namespace velmar {

struct ServiceRecord {
    std::string time;         // UTC, ISO 8601: "2026-12-07T14:14:18Z"
    std::string tool;         // "velmar-writer", "velmar-fw"
    std::string operation;    // "write", "write-earlier"
    std::string file;         // absolute path
    std::string sha256;       // of the file's bytes, lower-case hex; "" when it could not be read
    std::string checksum;     // C000..FFFF as the CHECK SUM panel shows it
    std::optional<int> port;  // COM n; none when a device path was given instead
    std::string device;       // "/dev/ttyUSB0"
    std::string description;  // as the system describes the device; may be empty
    std::optional<std::string> serial;  // the adapter's serial number, when known
    std::string loader;                 // "1.05", "1.06"; "earlier" for the earlier generation
    std::string result;                 // the final message: "Rewriting success!"
    double seconds = 0;                 // from the rewrite's start to its outcome
    int blocksWritten = 0;              // blocks (rows for the earlier generation) accepted
    int blocksTotal = 0;                // blocks (rows) the image sends
};

}  // namespace velmar
