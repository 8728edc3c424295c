#include "wording/step_words.h"

#include "wording/hex_text.h"

namespace velmar::words {

std::string beyondEarlierAddresses(int32_t highestAddress, int32_t lastReachable) {
    return "the file has data up to address " + addressText(highestAddress) +
           "; the earlier loader addresses only up to " + addressText(lastReachable) +
           ", nothing was sent";
}

}  // namespace velmar::words
