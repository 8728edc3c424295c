#include "wording/hex_text.h"

#include <cstdio>

namespace velmar {

std::string addressDisplayText(int32_t row) {
    char text[16];
    std::snprintf(text, sizeof text, "%X0", static_cast<unsigned>(row));
    return text;
}

std::string addressText(int64_t address) {
    char text[24];
    std::snprintf(text, sizeof text, "%05llX", static_cast<unsigned long long>(address));
    return text;
}

}  // namespace velmar
