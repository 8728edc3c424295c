#pragma once
// Which 1,024-byte blocks of the image the writer sends: 64-row blocks that hold at least one
// used row, from rows 1024..3520 and 4096..9152. Rows 3584..4095 (0x0E000..0x0FFFF) are never
// sent, whatever the image holds there.

#include <cstdint>
#include <vector>

#include "image/memory_image.h"

namespace velmar {

inline constexpr int32_t kBlockRows = 64;
inline constexpr int32_t kBlockCount = 120;
inline constexpr int32_t kFirstSkippedRow = 3584;
inline constexpr int32_t kFirstRowAfterSkip = 4096;
inline constexpr int32_t kFirstBlockRow = kFirstRow;                 // 0x04000
inline constexpr int32_t kLastBlockRow = kLastRow - kBlockRows + 1;  // 9152

// The row after the block at `firstRow`, stepping over the range that is never sent.
constexpr int32_t nextBlockRow(int32_t firstRow) {
    const int32_t next = firstRow + kBlockRows;
    return next == kFirstSkippedRow ? kFirstRowAfterSkip : next;
}

// True when any of the 64 rows starting at `firstRow` is marked used.
bool isBlockUsed(const MemoryImage& image, int32_t firstRow);

// First rows of the blocks to send, in sending order.
std::vector<int32_t> usedBlockRows(const MemoryImage& image);

}  // namespace velmar
