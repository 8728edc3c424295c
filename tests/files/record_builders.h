#pragma once
// Builders for well-formed firmware text lines, so tests state addresses and bytes rather than
// hand-computed checksums.

#include <cstdint>
#include <string>
#include <vector>

namespace velmar::testing {

using Bytes = std::vector<uint8_t>;

inline void appendHex(std::string& out, uint32_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out.push_back(kDigits[(value >> shift) & 0xF]);
}

// "S<type>" record with the address width of its type and a correct checksum.
inline std::string srec(int type, uint32_t address, const Bytes& data) {
    const int addressBytes = (type == 2 || type == 8) ? 3 : (type == 3 || type == 7) ? 4 : 2;
    const auto count = static_cast<uint32_t>(addressBytes + data.size() + 1);
    std::string line = "S" + std::to_string(type);
    appendHex(line, count, 2);
    uint32_t sum = count;
    for (int i = addressBytes - 1; i >= 0; --i) sum += (address >> (8 * i)) & 0xFF;
    appendHex(line, address, 2 * addressBytes);
    for (uint8_t byte : data) {
        appendHex(line, byte, 2);
        sum += byte;
    }
    appendHex(line, ~sum & 0xFF, 2);
    return line;
}

// ":" record with a correct checksum.
inline std::string ihex(int type, uint32_t address, const Bytes& data) {
    std::string line = ":";
    const auto count = static_cast<uint32_t>(data.size());
    appendHex(line, count, 2);
    appendHex(line, address & 0xFFFF, 4);
    appendHex(line, static_cast<uint32_t>(type), 2);
    uint32_t sum = count + ((address >> 8) & 0xFF) + (address & 0xFF) + static_cast<uint32_t>(type);
    for (uint8_t byte : data) {
        appendHex(line, byte, 2);
        sum += byte;
    }
    appendHex(line, (0x100 - (sum & 0xFF)) & 0xFF, 2);
    return line;
}

// n bytes counting up from `first` (wrapping), a pattern whose every byte differs from its
// neighbours, so a shifted or dropped byte shows.
inline Bytes counting(std::size_t n, uint8_t first = 0x10) {
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

}  // namespace velmar::testing
