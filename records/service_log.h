#pragma once
// The service log, service.jsonl in the user's state folder, so a bench keeps a record of which
// radio got which firmware through which port and how it ended. A rewrite appends its record as
// it begins (no result yet) and again, with the same run, as it ends; one refused before
// anything was sent is one line. Every line is a whole record, so a reader that knows nothing
// of runs still reads each one.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/service_record.h"

namespace velmar {

inline constexpr const char* kServiceLogName = "service.jsonl";

// $XDG_STATE_HOME/velmar-writer (only an absolute XDG_STATE_HOME counts), else
// ~/.local/state/velmar-writer; on Windows velmar-writer in the local application data folder.
std::string serviceLogFolder();
std::string serviceLogPath();

// The record as one compact JSON object followed by a newline; texts that are not UTF-8 as
// record_text.h says.
std::string toJsonLine(const ServiceRecord& record);
// The records as a JSON array that keeps one compact record per line, for a person to read.
std::string toJsonArray(const std::vector<ServiceRecord>& records);
// nullopt for a line that is not a JSON object (a torn or hand-edited line).
std::optional<ServiceRecord> fromJsonLine(std::string_view line);

// Appends the record's line with a single write() on a file opened for appending, so lines of
// writers running at the same time never interleave. Creates the folder when missing. Only a
// regular file is written (a FIFO or a device is refused without waiting); a line that could not
// be written whole leaves the log as it was, and a log whose last line was cut short gets the
// record on a line of its own. Returns "" when the line was written, else "PATH: reason".
std::string appendServiceRecord(const ServiceRecord& record,
                                const std::string& path = serviceLogPath());

struct ServiceLogTail {
    bool exists = false;
    std::string problem;  // why an existing log could not be read
    // The rewrites that began latest, as many as asked for, in the order they began: a run's
    // lines as one record, the latest line's.
    std::vector<ServiceRecord> records;
    int unreadable = 0;  // lines passed over among the latest because they are not a record
};

ServiceLogTail readServiceLog(const std::string& path, std::size_t last);

}  // namespace velmar
