#pragma once
// A rewrite leaves two lines in the service log, one as it begins and one as it ends, joined by
// their run. Read from the log's end, the lines become one record per rewrite, in the order the
// rewrites began: an end line waits for its begin line and takes its place.

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "records/service_record.h"

namespace velmar {

class RecordRuns {
  public:
    // The next line towards the log's start.
    void add(ServiceRecord line);
    // Records complete so far.
    std::size_t size() const { return taken_.size(); }
    // The whole log was read: an end line whose begin line is not in it (a log rotated in
    // between) stands where it was written.
    void reachedStart();
    // Oldest first; the `last` that began latest.
    std::vector<ServiceRecord> records(std::size_t last) &&;

  private:
    struct Placed {
        std::size_t fromEnd;  // the line's place, counted from the log's end
        ServiceRecord record;
    };
    std::vector<Placed> taken_;
    std::unordered_map<std::string, Placed> waiting_;  // end lines by run
    std::size_t lines_ = 0;
};

}  // namespace velmar
