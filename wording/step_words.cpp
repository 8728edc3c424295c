#include "wording/step_words.h"

#include "protocol/earlier_loader.h"
#include "wording/hex_text.h"

namespace velmar::words {

std::string beyondEarlierAddresses(int32_t highestAddress) {
    return "the file has data up to address " + addressText(highestAddress) +
           "; the earlier loader addresses only up to " +
           addressText(kFirstUnaddressableRow * kColumns - 1) + ", nothing was sent";
}

}  // namespace velmar::words
