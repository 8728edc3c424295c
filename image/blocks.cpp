#include "image/blocks.h"

namespace velmar {

bool isBlockUsed(const MemoryImage& image, int32_t firstRow) {
    for (int32_t row = firstRow; row < firstRow + kBlockRows; ++row)
        if (image.blnRowUsed(row)) return true;
    return false;
}

std::vector<int32_t> usedBlockRows(const MemoryImage& image) {
    std::vector<int32_t> rows;
    for (int32_t row = kFirstRow; row <= kLastBlockRow;) {
        if (isBlockUsed(image, row)) rows.push_back(row);
        row += kBlockRows;
        if (row == kFirstSkippedRow) row = kFirstRowAfterSkip;
    }
    return rows;
}

}  // namespace velmar
