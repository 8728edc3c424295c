#pragma once
// One port of a station and its whole rewrite, run on the calling thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/station_display.h"
#include "image/memory_image.h"
#include "link/byte_trace.h"
#include "platform/port_names.h"
#include "records/rewrite_recorder.h"
#include "wording/station_words.h"

namespace velmar::cli {

struct StationPort {
    std::size_t index = 0;  // its row in the display
    std::string label;      // as given
    std::string device;     // "" for a port number with nothing to open
    int16_t number = 1;     // the port number, or 1 beside a device path
    std::optional<RewriteRecorder> record;
    PortOutcomeWords outcome;  // filled by rewritePort()
};

// The serial objects are made here because they belong to the thread that made them, and the
// reply wait runs this thread's events. The stop a signal asks for is read before every frame.
// `trace`, when given, records every byte of this port's line.
void rewritePort(StationPort& port, const MemoryImage& image, LoaderVersion loader,
                 const PortDirectory& directory, StationDisplay& display, ByteTrace* trace);

}  // namespace velmar::cli
