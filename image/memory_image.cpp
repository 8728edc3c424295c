#include "image/memory_image.h"

#include <algorithm>

namespace velmar {

struct MemoryImage::Storage {
    std::array<std::array<int16_t, kColumns>, kRowCount> cells{};
    std::array<bool, kRowCount> used{};
    std::array<std::string, kRowCount> text{};
};

ImageRangeError::ImageRangeError(int64_t row, int64_t column)
    : std::out_of_range("memory image access outside rows 1024..9215 / columns 0..15: row " +
                        std::to_string(row) + ", column " + std::to_string(column)),
      row_(row),
      column_(column) {}

MemoryImage::MemoryImage() : storage_(std::make_unique<Storage>()) {}
MemoryImage::~MemoryImage() = default;

void MemoryImage::checkRow(int64_t row) {
    if (!isImageRow(row)) throw ImageRangeError(row, 0);
}

void MemoryImage::checkCell(int64_t row, int64_t column) {
    if (!isImageRow(row) || column < 0 || column >= kColumns) throw ImageRangeError(row, column);
}

void MemoryImage::clearImage() {
    for (auto& row : storage_->cells) row.fill(kErasedByte);
    storage_->used.fill(false);
}

int16_t MemoryImage::intImage(int32_t row, int32_t column) const {
    checkCell(row, column);
    return storage_->cells[row - kFirstRow][column];
}

bool MemoryImage::blnRowUsed(int32_t row) const {
    checkRow(row);
    return storage_->used[row - kFirstRow];
}

const std::string& MemoryImage::strRowText(int32_t row) const {
    checkRow(row);
    return storage_->text[row - kFirstRow];
}

void MemoryImage::storeByte(int32_t row, int32_t column, int16_t value) {
    checkCell(row, column);
    if (value < kErasedByte) storage_->used[row - kFirstRow] = true;
    storage_->cells[row - kFirstRow][column] = value;
}

void MemoryImage::storeBytes(int32_t row, int32_t column, const uint8_t* values,
                             std::size_t count) {
    if (count == 0) return;
    checkCell(row, column);
    const auto first =
        static_cast<std::size_t>(row - kFirstRow) * kColumns + static_cast<std::size_t>(column);
    if (count > static_cast<std::size_t>(kImageBytes) - first)
        throw ImageRangeError(kLastRow + 1, 0);
    // Row by row: a row is marked once, from any of its new bytes below 255.
    Storage& storage = *storage_;
    std::size_t rowIndex = first / kColumns;
    std::size_t column0 = first % kColumns;
    for (std::size_t done = 0; done < count; ++rowIndex, column0 = 0) {
        const std::size_t run = std::min<std::size_t>(kColumns - column0, count - done);
        int16_t* cells = storage.cells[rowIndex].data() + column0;
        bool marked = false;
        for (std::size_t k = 0; k < run; ++k) {
            const uint8_t value = values[done + k];
            cells[k] = value;
            marked |= value < kErasedByte;
        }
        if (marked) storage.used[rowIndex] = true;
        done += run;
    }
}

void MemoryImage::setCell(int32_t row, int32_t column, int16_t value) {
    checkCell(row, column);
    storage_->cells[row - kFirstRow][column] = value;
}

namespace {
constexpr char kUpperHex[] = "0123456789ABCDEF";
}

void MemoryImage::makeRowText(int32_t row) {
    checkRow(row);
    std::string& line = storage_->text[row - kFirstRow];
    line.clear();  // keeps its capacity, so rebuilding after every load does not allocate
    const int32_t address = row * 16;
    for (int shift = 16; shift >= 0; shift -= 4)
        line.push_back(kUpperHex[(address >> shift) & 0xF]);
    line.push_back(' ');
    for (int16_t value : storage_->cells[row - kFirstRow]) {
        const auto byte = static_cast<uint8_t>(value);
        line.push_back(' ');
        line.push_back(kUpperHex[byte >> 4]);
        line.push_back(kUpperHex[byte & 0xF]);
    }
    line.append("\r\n");
}

std::string MemoryImage::hexViewText() {
    constexpr int32_t kHeadRows[2] = {1024, 1279};
    constexpr int32_t kTailRows[2] = {8960, 9215};
    std::string view;
    view.reserve(512 * 56 + 6);
    for (int32_t row = kHeadRows[0]; row <= kHeadRows[1]; ++row) {
        makeRowText(row);
        view += strRowText(row);
    }
    view.append("\r\n\r\n\r\n");
    for (int32_t row = kTailRows[0]; row <= kTailRows[1]; ++row) {
        makeRowText(row);
        view += strRowText(row);
    }
    return view;
}

std::string MemoryImage::hexViewHeader() {
    return "ADDR   0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F\r\n";
}

std::array<uint8_t, kImageBytes> MemoryImage::bytes() const {
    std::array<uint8_t, kImageBytes> out{};
    auto it = out.begin();
    for (const auto& row : storage_->cells)
        it = std::transform(row.begin(), row.end(), it,
                            [](int16_t v) { return static_cast<uint8_t>(v); });
    return out;
}

}  // namespace velmar
