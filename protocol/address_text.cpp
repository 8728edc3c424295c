#include "protocol/address_text.h"

#include <cstdio>

namespace velmar {

std::string addressDisplayText(int32_t row) {
    char text[16];
    std::snprintf(text, sizeof text, "%X0", static_cast<unsigned>(row));
    return text;
}

}  // namespace velmar
