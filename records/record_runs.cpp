#include "records/record_runs.h"

#include <algorithm>

namespace velmar {

void RecordRuns::add(ServiceRecord line) {
    const std::size_t place = lines_++;
    if (line.run.empty()) {
        taken_.push_back({place, std::move(line)});
        return;
    }
    const auto end = waiting_.find(line.run);
    if (line.state != RecordState::Begun) {
        // Met from the end, the first end line of a run is its latest.
        if (end == waiting_.end()) {
            std::string run = line.run;
            waiting_.emplace(std::move(run), Placed{place, std::move(line)});
        }
        return;
    }
    if (end == waiting_.end()) {
        taken_.push_back({place, std::move(line)});  // begun and never ended
        return;
    }
    taken_.push_back({place, std::move(end->second.record)});
    waiting_.erase(end);
}

void RecordRuns::reachedStart() {
    for (auto& [run, end] : waiting_) taken_.push_back(std::move(end));
    waiting_.clear();
}

std::vector<ServiceRecord> RecordRuns::records(std::size_t last) && {
    std::sort(taken_.begin(), taken_.end(),
              [](const Placed& a, const Placed& b) { return a.fromEnd > b.fromEnd; });
    const std::size_t skipped = taken_.size() > last ? taken_.size() - last : 0;
    std::vector<ServiceRecord> records;
    records.reserve(taken_.size() - skipped);
    for (std::size_t i = skipped; i < taken_.size(); ++i)
        records.push_back(std::move(taken_[i].record));
    return records;
}

}  // namespace velmar
