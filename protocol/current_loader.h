#pragma once
// The current flash loader's steps. Each opens the port, exchanges, closes the port and
// returns its typed result; none shows anything or throws.

#include <cstdint>
#include <vector>

#include "image/memory_image.h"
#include "link/loader_link.h"
#include "protocol/step_result.h"
#include "protocol/write_observer.h"

namespace velmar {

enum class LoaderVersion { v105, v106OrLater };

namespace result {
inline constexpr LoaderResult kConnectedC{3};     // connect: status "C"
inline constexpr LoaderResult kConnectedZero{0};  // connect: status "0"
inline constexpr LoaderResult kNotConnected{8};   // connect: anything else
inline constexpr LoaderResult kEraseAccepted{4};  // erase: a complete reply not "E"
inline constexpr LoaderResult kEndAccepted{0};    // end: a complete reply
inline constexpr LoaderResult kWriteDone{0};      // write: every block skipped or accepted
inline constexpr LoaderResult kStepFailed{1};     // erase/end/write: attempts used up (or no port)
}  // namespace result

LoaderResult connectLoader(LoaderLink& link, LoaderVersion version, int16_t port);
LoaderResult eraseFlash(LoaderLink& link, int16_t port, const StopCheck& stop = {});
LoaderResult endSession(LoaderLink& link, int16_t port, const StopCheck& stop = {});
LoaderResult writeImage(LoaderLink& link, const MemoryImage& image, int16_t port,
                        WriteObserver& observer);

}  // namespace velmar
