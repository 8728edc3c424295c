#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/memory_image.h"

namespace velmar {

// Sum of the cell values from `start` to `stop`, both included; 0 when start > stop.
// Refuses (nullopt) when either end lies outside 0x04000..0x23FFF, so nothing outside the
// image is ever read.
std::optional<int32_t> checksumRange(const MemoryImage& image, uint32_t start, uint32_t stop);

// The panel's computation on the two typed address texts: the sum as upper-case hexadecimal
// without leading zeros, or nullopt for a range outside the image.
std::optional<std::string> checksumText(const MemoryImage& image, std::string_view startText,
                                        std::string_view stopText);

}  // namespace velmar
