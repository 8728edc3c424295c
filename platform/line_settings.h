#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace velmar {

// A parsed "baud,parity,databits,stopbits" settings string such as "9600,n,8,1".
struct LineSettings {
    int32_t baud = 9600;
    char parity = 'n';  // n, e, o, m or s
    int dataBits = 8;   // 5..8
    int stopBits = 1;   // 1 or 2

    // Line time of one byte in microseconds (start + data + parity + stop bits).
    double byteMicroseconds() const;
    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// Throws SerialError(BadSettings) for anything malformed.
LineSettings parseLineSettings(std::string_view text);

inline constexpr const char* kSettings9600 = "9600,n,8,1";
inline constexpr const char* kSettings38400 = "38400,n,8,1";
inline constexpr const char* kSettings4800 = "4800,n,8,1";

}  // namespace velmar
