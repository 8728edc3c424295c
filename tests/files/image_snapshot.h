#pragma once
// A full copy of an image's observable state (cells, used flags, row texts), for comparing
// images before and after an operation.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/memory_image.h"
#include "tests/files/record_builders.h"

namespace velmar::testing {

struct ImageSnapshot {
    std::vector<int16_t> cells;
    std::vector<bool> used;
    std::vector<std::string> texts;

    explicit ImageSnapshot(const MemoryImage& image) {
        cells.reserve(kImageBytes);
        for (int32_t row = kFirstRow; row <= kLastRow; ++row) {
            for (int32_t column = 0; column < kColumns; ++column)
                cells.push_back(image.intImage(row, column));
            used.push_back(image.blnRowUsed(row));
            texts.push_back(image.strRowText(row));
        }
    }
    bool operator==(const ImageSnapshot&) const = default;
};

// Where a reader is expected to put bytes.
struct Placement {
    uint32_t address;
    Bytes bytes;
};

// A cleared image with the placements stored the way a reader stores them.
inline void buildExpected(MemoryImage& image, const std::vector<Placement>& placements) {
    image.clearImage();
    for (const Placement& placement : placements)
        for (std::size_t i = 0; i < placement.bytes.size(); ++i) {
            const auto address = static_cast<int32_t>(placement.address + i);
            image.storeByte(rowOfAddress(address), columnOfAddress(address), placement.bytes[i]);
        }
}

// Reports the first differing cell or flag, which says far more than a bare "not equal".
inline ::testing::AssertionResult sameCellsAndFlags(const MemoryImage& actual,
                                                    const MemoryImage& expected) {
    for (int32_t row = kFirstRow; row <= kLastRow; ++row) {
        if (actual.blnRowUsed(row) != expected.blnRowUsed(row))
            return ::testing::AssertionFailure()
                   << "used flag of row " << row << " is " << actual.blnRowUsed(row);
        for (int32_t column = 0; column < kColumns; ++column)
            if (actual.intImage(row, column) != expected.intImage(row, column))
                return ::testing::AssertionFailure()
                       << "cell " << std::hex << row * 16 + column << " holds " << std::dec
                       << actual.intImage(row, column) << ", expected "
                       << expected.intImage(row, column);
    }
    return ::testing::AssertionSuccess();
}

}  // namespace velmar::testing
