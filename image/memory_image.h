#pragma once
// The radio's 128 KiB program area (0x04000..0x23FFF) as 8,192 rows of 16 cells, with a
// per-row "used" flag and a per-row hex text line. Rows are addressed by number (1024..9215),
// never by offset; leaving that range is a fault the caller turns into its own error.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace velmar {

inline constexpr int32_t kFirstRow = 1024;
inline constexpr int32_t kLastRow = 9215;
inline constexpr int32_t kRowCount = kLastRow - kFirstRow + 1;  // 8,192
inline constexpr int32_t kColumns = 16;
inline constexpr int32_t kImageFirstAddress = 0x04000;
inline constexpr int32_t kImageLastAddress = 0x23FFF;
inline constexpr int32_t kImageBytes = kRowCount * kColumns;  // 131,072
inline constexpr int16_t kErasedByte = 255;

constexpr int32_t rowOfAddress(int32_t address) {
    return address / 16;
}
constexpr int32_t columnOfAddress(int32_t address) {
    return address % 16;
}
constexpr bool isImageRow(int64_t row) {
    return row >= kFirstRow && row <= kLastRow;
}

// Thrown for a row outside 1024..9215 or a column outside 0..15.
class ImageRangeError : public std::out_of_range {
  public:
    ImageRangeError(int64_t row, int64_t column);
    int64_t row() const { return row_; }
    int64_t column() const { return column_; }

  private:
    int64_t row_;
    int64_t column_;
};

class MemoryImage {
  public:
    // Starts zero-filled with every flag false, as the window's members do before any load.
    MemoryImage();
    ~MemoryImage();
    MemoryImage(const MemoryImage&) = delete;
    MemoryImage& operator=(const MemoryImage&) = delete;

    // Every cell to 255, every used flag to false; row texts are left alone. Only rows written
    // since the last clearing are touched, so clearing after a small file costs next to nothing.
    void clearImage();

    // A cell always holds a byte value, 0..255.
    int16_t intImage(int32_t row, int32_t column) const;
    bool blnRowUsed(int32_t row) const;
    // Number of rows whose used flag is set.
    int32_t usedRowCount() const;
    // Empty until makeRowText(row) built it.
    const std::string& strRowText(int32_t row) const;

    // What a reader does with one data byte: mark the row used for values below 255, then store.
    // Checks the position before touching anything.
    void storeByte(int32_t row, int32_t column, int16_t value);
    // storeByte for `count` consecutive bytes from (row, column) on, running on into the
    // following rows. The whole run is checked first: a run that leaves the image stores
    // nothing and reports its first byte outside.
    void storeBytes(int32_t row, int32_t column, const uint8_t* values, std::size_t count);
    // Raw cell write for tests and tools (the value narrowed to a byte); does not touch the
    // used flag.
    void setCell(int32_t row, int32_t column, int16_t value);

    // Rebuilds strRowText(row): "AAAAA " then " HH" for each column, then CR LF.
    void makeRowText(int32_t row);
    // Rebuilds the rows of 0x04000..0x04FFF and 0x23000..0x23FFF and joins them with three
    // empty lines between the two groups.
    std::string hexViewText();
    // The column header composed above the view (not part of the view text).
    static std::string hexViewHeader();

    // Exchanges cells and used flags with another image without copying or allocating: a load
    // fills a scratch image and swaps it in only when the whole file was read. Row texts stay
    // with their image: they show what was last drawn, not what was loaded.
    void swap(MemoryImage& other) noexcept { storage_.swap(other.storage_); }

    // The 131,072 bytes of 0x04000..0x23FFF in address order, without a copy: valid until the
    // image is swapped or destroyed.
    const std::array<uint8_t, kImageBytes>& bytes() const;

    // Same cells and used flags (row texts are not compared).
    bool operator==(const MemoryImage& other) const;

  private:
    struct Storage;
    struct FreeStorage {
        void operator()(Storage* storage) const noexcept;
    };
    using RowTexts = std::array<std::string, kRowCount>;

    static void checkRow(int64_t row);
    static void checkCell(int64_t row, int64_t column);

    std::unique_ptr<Storage, FreeStorage> storage_;
    // Made on the first makeRowText: only the window's image ever shows rows, so a scratch
    // image or a command-line tool never pays for 8,192 strings.
    std::unique_ptr<RowTexts> texts_;
};

}  // namespace velmar
