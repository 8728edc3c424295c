#include "image/blocks.h"

namespace velmar {

bool isBlockUsed(const MemoryImage& image, int32_t firstRow) {
    for (int32_t row = firstRow; row < firstRow + kBlockRows; ++row)
        if (image.blnRowUsed(row)) return true;
    return false;
}

std::vector<int32_t> usedBlockRows(const MemoryImage& image) {
    std::vector<int32_t> rows;
    for (int32_t row = kFirstBlockRow; row <= kLastBlockRow; row = nextBlockRow(row))
        if (isBlockUsed(image, row)) rows.push_back(row);
    return rows;
}

}  // namespace velmar
