#include "files/line_readers.h"

#include <array>
#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/hex_field.h"

namespace velmar {

namespace {

constexpr std::string_view kIntelEndRecord = ":00000001FF";

// Values of all two-character pairs plus one, built at compile time from the digit table;
// 0 (the fill) marks a pair with a character that is not a hexadecimal digit, which keeps the
// build down to the 22 x 22 digit pairs. One lookup per byte of a line; only the digit pairs
// are ever touched, a few dozen cache lines of the table.
constexpr std::array<int16_t, 65536> makeHexPairTable() {
    constexpr std::string_view kDigits = "0123456789ABCDEFabcdef";
    std::array<int16_t, 65536> table{};
    for (char high : kDigits)
        for (char low : kDigits)
            table[static_cast<std::size_t>(static_cast<unsigned char>(high)) << 8 |
                  static_cast<unsigned char>(low)] =
                static_cast<int16_t>(hexDigitValue(high) * 16 + hexDigitValue(low) + 1);
    return table;
}
constexpr std::array<int16_t, 65536> kHexPairValuePlusOne = makeHexPairTable();

// Value of the two characters at `text` (both exist), or -1 when either is not a digit.
inline int hexPair(const char* text) {
    return kHexPairValuePlusOne[static_cast<std::size_t>(static_cast<unsigned char>(text[0])) << 8 |
                                static_cast<unsigned char>(text[1])] -
           1;
}

// Eight characters (loaded little-endian) to four byte values, one in each 16-bit lane, all
// lanes at once; false when any character is not a hexadecimal digit. Every byte is below
// 0x80 once checked, so adding (0x80 - bound) to a byte sets its top bit exactly when the
// byte is at least `bound`, and no lane carries into the next.
inline bool decodeEight(uint64_t chars, uint64_t& values) {
    constexpr uint64_t kOnes = 0x0101010101010101u;
    constexpr uint64_t kTops = kOnes * 0x80;
    if ((chars & kTops) != 0) return false;
    auto atLeast = [](uint64_t lanes, uint64_t bound) { return lanes + kOnes * (0x80 - bound); };
    const uint64_t digits = atLeast(chars, '0') & ~atLeast(chars, '9' + 1);
    const uint64_t folded = chars | kOnes * 0x20;  // "A".."F" to "a".."f"; digits stay
    const uint64_t letters = atLeast(folded, 'a') & ~atLeast(folded, 'f' + 1) & kTops;
    if (((digits | letters) & kTops) != kTops) return false;
    const uint64_t nibbles = (chars & kOnes * 0x0F) + (letters >> 7) * 9;
    constexpr uint64_t kEvenBytes = 0x00FF00FF00FF00FFu;
    values = (nibbles & kEvenBytes) << 4 | ((nibbles >> 8) & kEvenBytes);
    return true;
}

// Decodes `count` pairs starting at `text` into `out`; false when any character is not a
// hexadecimal digit. Returns the byte sum modulo 256 through `sum`.
inline bool decodePairs(const char* text, std::size_t count, uint8_t* out, unsigned& sum) {
    int bad = 0;
    unsigned total = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen characters at a time where the line has them; what is left goes below.
    {
        const __m128i zero = _mm_setzero_si128();
        __m128i sums = zero;
        for (; i + 8 <= count; i += 8) {
            const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 2 * i));
            // Bytes of 0x80 and above compare as negative, so they fail both ranges.
            const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(chars, _mm_set1_epi8('0' - 1)),
                                                _mm_cmplt_epi8(chars, _mm_set1_epi8('9' + 1)));
            const __m128i folded = _mm_or_si128(chars, _mm_set1_epi8(0x20));
            const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(folded, _mm_set1_epi8('a' - 1)),
                                                 _mm_cmplt_epi8(folded, _mm_set1_epi8('f' + 1)));
            if (_mm_movemask_epi8(_mm_or_si128(digit, letter)) != 0xFFFF) return false;
            const __m128i nibbles = _mm_add_epi8(_mm_and_si128(chars, _mm_set1_epi8(0x0F)),
                                                 _mm_and_si128(letter, _mm_set1_epi8(9)));
            // Each 16-bit lane holds the high nibble in its low byte and the low one above.
            const __m128i values =
                _mm_or_si128(_mm_slli_epi16(_mm_and_si128(nibbles, _mm_set1_epi16(0x00FF)), 4),
                             _mm_srli_epi16(nibbles, 8));
            const __m128i bytes = _mm_packus_epi16(values, zero);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), bytes);
            sums = _mm_add_epi64(sums, _mm_sad_epu8(bytes, zero));
        }
        total = static_cast<unsigned>(_mm_cvtsi128_si32(sums));
    }
#endif
    if constexpr (std::endian::native == std::endian::little) {
        uint64_t laneSums = 0;  // at most 64 x 255 per lane: no lane overflows
        for (; i + 4 <= count; i += 4) {
            uint64_t chars;
            std::memcpy(&chars, text + 2 * i, 8);
            uint64_t values;
            if (!decodeEight(chars, values)) return false;
            laneSums += values;
            const uint64_t halves = (values | values >> 8) & 0x0000FFFF0000FFFFu;
            const auto four = static_cast<uint32_t>(halves | halves >> 16);
            std::memcpy(out + i, &four, 4);
        }
        total += static_cast<unsigned>((laneSums & 0xFFFF) + (laneSums >> 16 & 0xFFFF) +
                                       (laneSums >> 32 & 0xFFFF) + (laneSums >> 48));
    }
    for (; i < count; ++i) {
        const int value = hexPair(text + 2 * i);
        bad |= value;
        out[i] = static_cast<uint8_t>(value);
        total += static_cast<uint8_t>(value);
    }
    sum = total & 0xFF;
    return bad >= 0;
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
    const int count = hexPair(line.data() + 2);
    if (count < 0) {
        intErrorCode = parse_error::kBadChecksum;
        return;
    }
    const auto countBytes = static_cast<std::size_t>(count);
    if (countBytes < addressBytes + 1 || line.size() < 2 * countBytes + 4) {
        intErrorCode = parse_error::kLengthMismatch;
        return;
    }
    // Address, data and checksum byte must all be hexadecimal and, with the count, add up to
    // 0xFF. Characters after the checksum byte are ignored.
    std::array<uint8_t, 255> bytes;
    unsigned sum = 0;
    if (!decodePairs(line.data() + 4, countBytes, bytes.data(), sum) ||
        ((sum + countBytes) & 0xFF) != 0xFF) {
        intErrorCode = parse_error::kBadChecksum;
        return;
    }

    // Every address digit counts, S2 included: dropping the top S2 digit would silently place
    // data 1 MiB lower instead of reporting an address the image does not have.
    uint32_t address = 0;
    for (std::size_t i = 0; i < addressBytes; ++i) address = address << 8 | bytes[i];
    const std::size_t dataBytes = countBytes - addressBytes - 1;
    if (dataBytes == 0) return;
    // Out of the image is a fault; the whole record is placed or none of it.
    image_.storeBytes(static_cast<int32_t>(address / 16), static_cast<int32_t>(address % 16),
                      bytes.data() + addressBytes, dataBytes);
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

    // Count, address, type, data and checksum. A character that is not a hexadecimal digit
    // would read as a short field and could still balance the sum; it is refused like a
    // checksum error rather than stored as data.
    std::array<uint8_t, 21> bytes;
    unsigned sum = 0;
    if (!decodePairs(line.data() + 1, count + 5, bytes.data(), sum) || (sum & 0xFF) != 0) {
        intErrorCode = parse_error::kBadChecksum;
        return;
    }
    // A record runs on into at most one further row, at most row 4096: always inside.
    image_.storeBytes(row, column, bytes.data() + 4, count);
}

}  // namespace velmar
