#include "platform/line_settings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>

#include "platform/serial_control.h"

namespace velmar {

namespace {

// Rates a serial driver accepts without a custom divisor; anything else is refused up front
// rather than silently rounded by the device.
constexpr std::array<int32_t, 19> kStandardRates = {
    110,   300,   600,   1200,   2400,   4800,   9600,   14400,  19200, 28800,
    38400, 56000, 57600, 115200, 128000, 230400, 256000, 460800, 921600};

[[noreturn]] void refuse(std::string_view text, std::string_view why) {
    throw SerialError(SerialFault::BadSettings,
                      "malformed line settings \"" + std::string(text) + "\": " + std::string(why));
}

bool readInt(std::string_view field, int32_t& value) {
    if (field.empty()) return false;
    const auto* end = field.data() + field.size();
    const auto result = std::from_chars(field.data(), end, value);
    return result.ec == std::errc{} && result.ptr == end;
}

}  // namespace

double LineSettings::byteMicroseconds() const {
    const int bits = 1 + dataBits + (parity == 'n' ? 0 : 1) + stopBits;
    return bits * 1'000'000.0 / baud;
}

LineSettings parseLineSettings(std::string_view text) {
    std::array<std::string_view, 4> fields;
    std::size_t count = 0;
    std::size_t start = 0;
    while (true) {
        const auto comma = text.find(',', start);
        if (count == fields.size()) refuse(text, "expected four fields");
        fields[count++] =
            text.substr(start, comma == std::string_view::npos ? comma : comma - start);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (count != fields.size()) refuse(text, "expected four fields");

    LineSettings settings;
    if (!readInt(fields[0], settings.baud) ||
        std::find(kStandardRates.begin(), kStandardRates.end(), settings.baud) ==
            kStandardRates.end())
        refuse(text, "unsupported baud rate");

    if (fields[1].size() != 1) refuse(text, "parity is one letter");
    const char parity = static_cast<char>(fields[1][0] | 0x20);  // either letter case
    if (std::string_view("neoms").find(parity) == std::string_view::npos)
        refuse(text, "parity must be n, e, o, m or s");
    settings.parity = parity;

    int32_t dataBits = 0;
    if (!readInt(fields[2], dataBits) || dataBits < 5 || dataBits > 8)
        refuse(text, "data bits must be 5 to 8");
    settings.dataBits = dataBits;

    int32_t stopBits = 0;
    if (!readInt(fields[3], stopBits) || (stopBits != 1 && stopBits != 2))
        refuse(text, "stop bits must be 1 or 2");
    settings.stopBits = stopBits;
    return settings;
}

}  // namespace velmar
