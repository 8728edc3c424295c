#pragma once
// The current flash loader's steps. Each opens the port, exchanges, closes the port and
// returns a 16-bit result code; none shows anything or throws.

#include <cstdint>
#include <vector>

#include "image/memory_image.h"
#include "link/loader_link.h"
#include "protocol/write_observer.h"

namespace velmar {

enum class LoaderVersion { v105, v106OrLater };

namespace result {
inline constexpr int16_t kConnectedC = 3;     // connect: status "C"
inline constexpr int16_t kConnectedZero = 0;  // connect: status "0"
inline constexpr int16_t kNotConnected = 8;   // connect: anything else
inline constexpr int16_t kEraseAccepted = 4;  // erase: a complete reply not "E"
inline constexpr int16_t kEndAccepted = 0;    // end: a complete reply
inline constexpr int16_t kWriteDone = 0;      // write: every block skipped or accepted
inline constexpr int16_t kStepFailed = 1;     // erase/end/write: attempts used up (or no port)
}  // namespace result

int16_t connectLoader(LoaderLink& link, LoaderVersion version, int16_t port);
int16_t eraseFlash(LoaderLink& link, int16_t port, const StopCheck& stop = {});
int16_t endSession(LoaderLink& link, int16_t port, const StopCheck& stop = {});
int16_t writeImage(LoaderLink& link, const MemoryImage& image, int16_t port,
                   WriteObserver& observer);

// First rows of the blocks writeImage would send, in sending order.
std::vector<int32_t> blocksToSend(const MemoryImage& image);

}  // namespace velmar
