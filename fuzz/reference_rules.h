#pragma once
// Slow, field-by-field restatement of the readers' rules, built only on the plain hexadecimal
// field helpers, and a plain line split. The fuzz targets compare the fast code against them.

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "image/hex_field.h"
#include "image/memory_image.h"

namespace velmar::fuzz {

// Whole-text split: CR LF, LF or CR end a line; a last unterminated line counts. The lines
// are views into `text`.
inline std::vector<std::string_view> referenceLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    bool open = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(text.substr(start, i - start));
            open = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        } else {
            open = true;
        }
    }
    if (open) lines.push_back(text.substr(start));
    return lines;
}

// What a reader should do with one line.
struct Expected {
    int16_t code = 0;
    bool fault = false;          // a data byte outside the image
    bool stores = false;         // an accepted data record with data bytes
    int64_t address = 0;         // first data byte
    std::size_t dataOffset = 0;  // 0-based position of the first data character
    std::size_t dataBytes = 0;
};

inline Expected expectedMot(std::string_view line) {
    Expected e;
    if (line.empty() || line[0] != 'S') return {9};
    const char t = line.size() > 1 ? line[1] : '0';
    if (t != '1' && t != '2' && t != '3') return e;
    const std::size_t addressBytes = static_cast<std::size_t>(t - '0') + 1;
    if (line.size() < 4) return {3};
    if (!isHexField(line, 2, 2)) return {8};
    const std::size_t count = readHexField(line, 2, 2);
    if (count < addressBytes + 1 || line.size() < 2 * count + 4) return {3};
    unsigned sum = 0;
    for (std::size_t i = 0; i <= count; ++i) {
        if (!isHexField(line, 2 + 2 * i, 2)) return {8};
        sum += readHexField(line, 2 + 2 * i, 2);
    }
    if (sum % 256 != 255) return {8};
    e.address = readHexField(line, 4, 2 * addressBytes);
    e.dataOffset = 4 + 2 * addressBytes;
    e.dataBytes = count - addressBytes - 1;
    e.stores = e.dataBytes > 0;
    if (e.stores && (e.address < kImageFirstAddress ||
                     e.address + static_cast<int64_t>(e.dataBytes) - 1 > kImageLastAddress)) {
        e.fault = true;
        e.stores = false;
    }
    return e;
}

inline Expected expectedHex(std::string_view line) {
    Expected e;
    if (line.empty() || line[0] != ':') return {9};
    if (line.size() <= 12) return {static_cast<int16_t>(line == ":00000001FF" ? 0 : 1)};
    const std::size_t count = readHexField(line, 1, 2);
    if (count > 16) return {2};
    if (line.size() != 2 * count + 11) return {3};
    if (line[7] != '0') return {4};
    const char d = line[8];
    if (d == '1' || d == '3') return e;
    if (d == '2')
        return {static_cast<int16_t>(
            count == 2 && isHexField(line, 9, 4) && readHexField(line, 9, 4) == 0 ? 0 : 10)};
    if ((d >= '4' && d <= '9') || hexDigitValue(d) > 9) return {10};
    // A data record ("00", or a second digit that is no digit at all).
    if (readHexField(line, 3, 3) < 1024) return {5};
    unsigned sum = 0;
    for (std::size_t i = 0; i < count + 5; ++i) {
        if (!isHexField(line, 1 + 2 * i, 2)) return {8};
        sum += readHexField(line, 1 + 2 * i, 2);
    }
    if (sum % 256 != 0) return {8};
    e.address = readHexField(line, 3, 4);
    e.dataOffset = 9;
    e.dataBytes = count;
    e.stores = count > 0;
    return e;
}

// Aborts (a finding for the fuzzer) unless `image`, cleared before the line, holds exactly
// what `e` says the line stores. The record's own cells are compared one by one; a byte
// below 0xFF written anywhere else would mark its row, so the record's rows being exactly the
// used ones covers the rest of the image (a stray 0xFF on an erased image changes nothing).
inline void checkStored(const MemoryImage& image, std::string_view line, const Expected& e) {
    std::array<int32_t, 17> usedRows{};  // a record of 255 bytes spans at most 17 rows
    int32_t usedCount = 0;
    for (std::size_t k = 0; e.stores && k < e.dataBytes; ++k) {
        const int64_t address = e.address + static_cast<int64_t>(k);
        const auto row = static_cast<int32_t>(address / 16);
        const auto held = image.intImage(row, static_cast<int32_t>(address % 16));
        const auto want = static_cast<int16_t>(readHexField(line, e.dataOffset + 2 * k, 2));
        if (held != want) {
            std::fprintf(stderr, "byte %zu of the record holds %d, expected %d\n", k, held, want);
            std::abort();
        }
        if (want < kErasedByte && (usedCount == 0 || usedRows[usedCount - 1] != row))
            usedRows[usedCount++] = row;
    }
    for (int32_t i = 0; i < usedCount; ++i) {
        if (!image.blnRowUsed(usedRows[i])) {
            std::fprintf(stderr, "row %d is not marked used\n", usedRows[i]);
            std::abort();
        }
    }
    if (image.usedRowCount() != usedCount) {
        std::fprintf(stderr, "%d rows marked used, expected %d\n", image.usedRowCount(), usedCount);
        std::abort();
    }
}

}  // namespace velmar::fuzz
