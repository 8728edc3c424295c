#include "image/memory_image.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>

namespace velmar {

namespace {
constexpr std::size_t kRowWords = kRowCount / 64;
constexpr uint64_t kAllRows = ~uint64_t{0};

constexpr std::size_t rowIndex(int32_t row) {
    return static_cast<std::size_t>(row - kFirstRow);
}
constexpr uint64_t rowBit(std::size_t index) {
    return uint64_t{1} << (index % 64);
}
}  // namespace

// Cells are held as bytes: a cell never holds anything but a byte value, and half the memory
// is half the pages a load touches. Two row bitmaps: the used flags, and the rows known to be
// erased (all 255, flag false), which are the rows a clearing can skip.
struct MemoryImage::Storage {
    std::array<uint8_t, kImageBytes> cells;
    std::array<uint64_t, kRowWords> used;
    std::array<uint64_t, kRowWords> erased;
};

void MemoryImage::FreeStorage::operator()(Storage* storage) const noexcept {
    std::free(storage);
}

ImageRangeError::ImageRangeError(int64_t row, int64_t column)
    : std::out_of_range("memory image access outside rows 1024..9215 / columns 0..15: row " +
                        std::to_string(row) + ", column " + std::to_string(column)),
      row_(row),
      column_(column) {}

// calloc gives the zero-filled start state and leaves fresh pages untouched until used.
MemoryImage::MemoryImage() : storage_(static_cast<Storage*>(std::calloc(1, sizeof(Storage)))) {
    if (!storage_) throw std::bad_alloc();
}
MemoryImage::~MemoryImage() = default;

void MemoryImage::checkRow(int64_t row) {
    if (!isImageRow(row)) throw ImageRangeError(row, 0);
}

void MemoryImage::checkCell(int64_t row, int64_t column) {
    if (!isImageRow(row) || column < 0 || column >= kColumns) throw ImageRangeError(row, column);
}

void MemoryImage::clearImage() {
    Storage& storage = *storage_;
    for (std::size_t word = 0; word < kRowWords; ++word) {
        uint64_t stale = ~storage.erased[word];
        if (stale == 0) continue;
        uint8_t* const first = storage.cells.data() + word * 64 * kColumns;
        if (stale == kAllRows) {
            std::memset(first, kErasedByte, 64 * kColumns);
        } else {
            for (; stale != 0; stale &= stale - 1)
                std::memset(first + std::countr_zero(stale) * kColumns, kErasedByte, kColumns);
        }
        storage.used[word] = 0;
        storage.erased[word] = kAllRows;
    }
}

int16_t MemoryImage::intImage(int32_t row, int32_t column) const {
    checkCell(row, column);
    return storage_->cells[rowIndex(row) * kColumns + static_cast<std::size_t>(column)];
}

bool MemoryImage::blnRowUsed(int32_t row) const {
    checkRow(row);
    const std::size_t index = rowIndex(row);
    return (storage_->used[index / 64] & rowBit(index)) != 0;
}

int32_t MemoryImage::usedRowCount() const {
    int32_t count = 0;
    for (uint64_t word : storage_->used) count += std::popcount(word);
    return count;
}

const std::string& MemoryImage::strRowText(int32_t row) const {
    checkRow(row);
    static const std::string kNotBuilt;
    return texts_ ? (*texts_)[rowIndex(row)] : kNotBuilt;
}

void MemoryImage::storeByte(int32_t row, int32_t column, int16_t value) {
    checkCell(row, column);
    const auto byte = static_cast<uint8_t>(value);
    storeBytes(row, column, &byte, 1);
}

void MemoryImage::storeBytes(int32_t row, int32_t column, const uint8_t* values,
                             std::size_t count) {
    if (count == 0) return;
    checkCell(row, column);
    const std::size_t first = rowIndex(row) * kColumns + static_cast<std::size_t>(column);
    if (count > static_cast<std::size_t>(kImageBytes) - first)
        throw ImageRangeError(kLastRow + 1, 0);
    // Row by row: a row is marked once, from any of its new bytes below 255.
    Storage& storage = *storage_;
    std::size_t index = first / kColumns;
    std::size_t column0 = first % kColumns;
    for (std::size_t done = 0; done < count; ++index, column0 = 0) {
        const std::size_t run = std::min<std::size_t>(kColumns - column0, count - done);
        uint8_t* cells = storage.cells.data() + index * kColumns + column0;
        bool marked = false;
        for (std::size_t k = 0; k < run; ++k) {
            const uint8_t value = values[done + k];
            cells[k] = value;
            marked |= value < kErasedByte;
        }
        if (marked) storage.used[index / 64] |= rowBit(index);
        storage.erased[index / 64] &= ~rowBit(index);
        done += run;
    }
}

void MemoryImage::setCell(int32_t row, int32_t column, int16_t value) {
    checkCell(row, column);
    const std::size_t index = rowIndex(row);
    storage_->cells[index * kColumns + static_cast<std::size_t>(column)] =
        static_cast<uint8_t>(value);
    storage_->erased[index / 64] &= ~rowBit(index);
}

namespace {
constexpr char kUpperHex[] = "0123456789ABCDEF";
}

void MemoryImage::makeRowText(int32_t row) {
    checkRow(row);
    if (!texts_) texts_ = std::make_unique<RowTexts>();
    std::string& line = (*texts_)[rowIndex(row)];
    line.clear();  // keeps its capacity, so rebuilding after every load does not allocate
    const int32_t address = row * 16;
    for (int shift = 16; shift >= 0; shift -= 4)
        line.push_back(kUpperHex[(address >> shift) & 0xF]);
    line.push_back(' ');
    const uint8_t* cells = storage_->cells.data() + rowIndex(row) * kColumns;
    for (int32_t column = 0; column < kColumns; ++column) {
        line.push_back(' ');
        line.push_back(kUpperHex[cells[column] >> 4]);
        line.push_back(kUpperHex[cells[column] & 0xF]);
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

const std::array<uint8_t, kImageBytes>& MemoryImage::bytes() const {
    return storage_->cells;
}

// Rows known to be erased in both images are equal without a look, so comparing images
// after small loads reads only the rows they wrote.
bool MemoryImage::operator==(const MemoryImage& other) const {
    const Storage& a = *storage_;
    const Storage& b = *other.storage_;
    if (a.used != b.used) return false;
    for (std::size_t word = 0; word < kRowWords; ++word) {
        uint64_t unsure = ~(a.erased[word] & b.erased[word]);
        const std::size_t first = word * 64 * kColumns;
        if (unsure == kAllRows) {
            if (std::memcmp(a.cells.data() + first, b.cells.data() + first, 64 * kColumns) != 0)
                return false;
            continue;
        }
        for (; unsure != 0; unsure &= unsure - 1) {
            const std::size_t at =
                first + static_cast<std::size_t>(std::countr_zero(unsure)) * kColumns;
            if (std::memcmp(a.cells.data() + at, b.cells.data() + at, kColumns) != 0) return false;
        }
    }
    return true;
}

}  // namespace velmar
