#include "files/line_readers.h"

#include "image/hex_field.h"

namespace velmar {

namespace {

constexpr char kIntelEndRecord[] = ":00000001FF";

// Value of the two hexadecimal digits at `offset`, or -1 when either is missing or not a digit.
inline int hexByteAt(std::string_view text, std::size_t offset) {
    if (offset + 2 > text.size()) return -1;
    const int high = hexDigitValue(text[offset]);
    const int low = hexDigitValue(text[offset + 1]);
    if ((high | low) < 0) return -1;
    return high * 16 + low;
}

// The type digit as a decimal digit; anything else counts as 0.
inline int decimalDigitAt(std::string_view text, std::size_t offset) {
    if (offset >= text.size()) return 0;
    const char c = text[offset];
    return (c >= '0' && c <= '9') ? c - '0' : 0;
}

}  // namespace

void LineReaders::readMotLine(std::string_view line) {
    intErrorCode = parse_error::kAccepted;
    if (line.empty() || line[0] != 'S') {
        intErrorCode = parse_error::kBadStart;
        return;
    }
    const int type = decimalDigitAt(line, 1);
    if (type < 1 || type > 3) return;  // S0, S5, S7..S9 and the like carry nothing to store

    // A data record is checked whole before any byte of it is stored: a truncated or damaged
    // line would otherwise put zeros or garbage into the firmware that goes to the radio.
    const std::size_t addressBytes = static_cast<std::size_t>(type) + 1;
    if (line.size() < 4) {
        intErrorCode = parse_error::kLengthMismatch;
        return;
    }
    const int count = hexByteAt(line, 2);
    if (count < 0) {
        intErrorCode = parse_error::kBadChecksum;
        return;
    }
    const auto countBytes = static_cast<std::size_t>(count);
    if (countBytes < addressBytes + 1 || line.size() < 2 * countBytes + 4) {
        intErrorCode = parse_error::kLengthMismatch;
        return;
    }
    // Count, address, data and checksum byte must all be hexadecimal and add up to 0xFF.
    // Characters after the checksum byte are ignored.
    unsigned sum = static_cast<unsigned>(count);
    for (std::size_t offset = 4; offset < 2 * countBytes + 4; offset += 2) {
        const int value = hexByteAt(line, offset);
        if (value < 0) {
            intErrorCode = parse_error::kBadChecksum;
            return;
        }
        sum += static_cast<unsigned>(value);
    }
    if ((sum & 0xFF) != 0xFF) {
        intErrorCode = parse_error::kBadChecksum;
        return;
    }

    // Every address digit counts, S2 included: dropping the top S2 digit would silently place
    // data 1 MiB lower instead of reporting an address the image does not have.
    const uint32_t address = readHexField(line, 4, 2 * addressBytes);
    const std::size_t dataBytes = countBytes - addressBytes - 1;
    if (dataBytes == 0) return;
    const int64_t first = address;
    const int64_t last = first + static_cast<int64_t>(dataBytes) - 1;
    // The whole record must fit; otherwise report the first byte that falls outside.
    if (first < kImageFirstAddress || first > kImageLastAddress)
        throw ImageRangeError(first / 16, first % 16);
    if (last > kImageLastAddress) throw ImageRangeError((kImageLastAddress + 1) / 16, 0);

    auto row = static_cast<int32_t>(first / 16);
    auto column = static_cast<int32_t>(first % 16);
    std::size_t offset = 4 + 2 * addressBytes;
    for (std::size_t k = 0; k < dataBytes; ++k, offset += 2) {
        image_.storeByte(row, column, static_cast<int16_t>(hexByteAt(line, offset)));
        if (++column == kColumns) {
            column = 0;
            ++row;
        }
    }
}

void LineReaders::readHexLine(std::string_view line) {
    intErrorCode = parse_error::kAccepted;
    if (line.empty() || line[0] != ':') {
        intErrorCode = parse_error::kBadStart;
        return;
    }
    if (line.size() <= 12) {
        // Compared character by character: the lower-case end record is refused.
        if (line != kIntelEndRecord) intErrorCode = parse_error::kShortLine;
        return;
    }
    const uint32_t count = readHexField(line, 1, 2);
    if (count > 16) {
        intErrorCode = parse_error::kCountTooLarge;
        return;
    }
    if (line.size() != 2 * count + 11) {
        intErrorCode = parse_error::kLengthMismatch;
        return;
    }
    if (line[7] != '0') {
        intErrorCode = parse_error::kTypeFirstDigit;
        return;
    }
    // "0A".."0F" are unknown types, not data: reading the letter as 0 would store whatever the
    // record holds at its 16-bit address.
    if (hexDigitValue(line[8]) > 9) {
        intErrorCode = parse_error::kUnsupportedType;
        return;
    }
    switch (decimalDigitAt(line, 8)) {
        case 0:
            break;
        case 1:
        case 3:
            return;  // end of file and start address: nothing to place
        case 2:
            // A segment other than 0000 moves the data that follows to addresses this reader
            // cannot reach; storing it at its 16-bit address would put it in the wrong place.
            if (count != 2 || !isHexField(line, 9, 4) || readHexField(line, 9, 4) != 0)
                intErrorCode = parse_error::kUnsupportedType;
            return;
        default:
            intErrorCode = parse_error::kUnsupportedType;
            return;
    }

    const auto row = static_cast<int32_t>(readHexField(line, 3, 3));
    if (row < kFirstRow) {
        intErrorCode = parse_error::kBelowImage;
        return;
    }
    const auto column = static_cast<int32_t>(readHexField(line, 6, 1));

    // A character that is not a hexadecimal digit would read as a short field and could still
    // balance the checksum; it is refused like a checksum error rather than stored as data.
    unsigned sum = 0;
    for (std::size_t offset = 1; offset + 1 < line.size(); offset += 2) {
        const int value = hexByteAt(line, offset);
        if (value < 0) {
            intErrorCode = parse_error::kBadChecksum;
            return;
        }
        sum += static_cast<unsigned>(value);
    }
    if ((sum & 0xFF) != 0) {
        intErrorCode = parse_error::kBadChecksum;
        return;
    }

    for (uint32_t k = 0; k < count; ++k) {
        const auto target = static_cast<int32_t>(column + k);
        const int32_t targetRow = target < kColumns ? row : row + 1;
        const int32_t targetColumn = target < kColumns ? target : target - kColumns;
        image_.storeByte(
            targetRow, targetColumn,
            static_cast<int16_t>(hexByteAt(line, 9 + 2 * static_cast<std::size_t>(k))));
    }
}

}  // namespace velmar
