#pragma once
// The current loader's 1032-byte frames. Each builder writes every byte of the buffer, so
// nothing of an earlier frame survives, and sets the sum byte last.

#include <array>
#include <cstdint>

#include "image/blocks.h"
#include "image/memory_image.h"
#include "link/loader_link.h"

namespace velmar {

using LoaderFrame = std::array<uint8_t, kFrameLength>;

// "BE" with the six erase addresses; sum byte 0xBA.
void buildEraseFrame(LoaderFrame& frame);
// "ED"; sum byte 0x86.
void buildEndFrame(LoaderFrame& frame);
// "PG", the 24-bit start address of the block at `firstRow`, then its 64 rows from the image.
void buildWriteFrame(LoaderFrame& frame, const MemoryImage& image, int32_t firstRow);

}  // namespace velmar
