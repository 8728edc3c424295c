#pragma once
// A station's rows and the table a terminal shows of them, every line within its width.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace velmar::cli {

struct StationRow {
    std::string port;    // as given: "3", "/dev/ttyUSB0"
    std::string device;  // what it opens
    std::string stage = "waiting";
    std::string block;  // the block in flight, as the window shows its address
    std::size_t accepted = 0;
    std::size_t total = 0;
    std::chrono::steady_clock::time_point started{};
    std::chrono::steady_clock::time_point ended{};
    bool done = false;
    bool succeeded = false;
    std::string result;  // the final message, once done
    std::string cause;   // why it failed, "" when unknown or none
    int blocksWritten = 0;
    double seconds = 0;
};

// "Writing FILE (112 blocks of 1 KiB) to 3 radios", the file's name elided in the middle so
// that the line fits `columns` (0: whole, for a log).
std::string stationHeadline(const std::string& file, std::size_t blocks, std::size_t radios,
                            std::size_t columns);

int percentOf(const StationRow& row);

// "3 ports: 1 writing, 1 done, 1 failed; 112 of 336 blocks"
std::string stationTotals(const std::vector<StationRow>& rows);

// The header, one line per row and the totals, none wider than `columns`.
std::vector<std::string> stationTable(const std::vector<StationRow>& rows,
                                      std::chrono::steady_clock::time_point now,
                                      std::size_t columns);

// The final table: port, device, result, seconds, blocks. `columns` 0: names whole (a log
// keeps them), else every line within it.
std::vector<std::string> stationSummary(const std::vector<StationRow>& rows, std::size_t columns);

}  // namespace velmar::cli
