#pragma once
// The earlier flash loader generation: four-byte requests, 18-byte row frames answered by an
// echo, "OK"/"NG" acknowledgements. Frames are built in link.earlierTxBuffer.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "image/memory_image.h"
#include "link/loader_link.h"
#include "protocol/step_result.h"
#include "protocol/write_observer.h"

namespace velmar {

namespace earlier_result {
inline constexpr EarlierResult kDone{0};           // status "0" / every used row acknowledged
inline constexpr EarlierResult kFailed{1};         // attempts used up
inline constexpr EarlierResult kStatusE{2};        // request answered "E"
inline constexpr EarlierResult kStatusB{4};        // request answered "B"
inline constexpr EarlierResult kRunTimeError{-1};  // no reply at all, a row above 0xFFF0, no port
}  // namespace earlier_result

// The row write ends at this row, not at the image's last one.
inline constexpr int32_t kLastEarlierRow = 9152;
// Rows from here on have addresses that do not fit the row frame's 16-bit address.
inline constexpr int32_t kFirstUnaddressableRow = 4096;

// The used rows writeImageEarlier would send, in sending order.
std::vector<int32_t> earlierRowsToWrite(const MemoryImage& image);
// The highest address holding data in any used row from kFirstUnaddressableRow on: every row
// of the image counts, also those past kLastEarlierRow. Such an image must not be sent: the
// write would send the rows below and then fail, or never look at rows past its last one and
// still succeed.
std::optional<int32_t> highestDataBeyondSixteenBits(const MemoryImage& image);

void buildEarlierErase(LoaderLink& link);
void buildEarlierEnd(LoaderLink& link);
void buildEarlierOk(LoaderLink& link);
void buildEarlierNg(LoaderLink& link);
// Throws ImageRangeError for a row whose address does not fit 16 bits (row >= 4096).
void buildEarlierRowFrame(LoaderLink& link, const MemoryImage& image, int32_t row);
// 1 all 20 bytes equal, 0 at the first difference, -1 when the reply ends first.
int16_t compareEcho(const LoaderLink& link, int16_t index);

// The erase or end request. `stop` is asked before each attempt, so a stop never waits for
// all three.
EarlierResult sendEarlierCommand(LoaderLink& link, EarlierRequest request, int16_t port,
                                 const StopCheck& stop = {});
// `settings` is the speed option's string, or "" when no option is selected.
EarlierResult writeImageEarlier(LoaderLink& link, const MemoryImage& image,
                                std::string_view settings, int16_t port, WriteObserver& observer);

}  // namespace velmar
