#include "link/byte_trace.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace velmar {

namespace {

constexpr std::size_t kBytesPerLine = 16;

}  // namespace

ByteTrace::ByteTrace(std::ostream& out, std::function<Clock::time_point()> now)
    : out_(out), now_(std::move(now)), start_(now_()) {}

void ByteTrace::stamp() {
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(now_() - start_).count();
    char text[32];
    std::snprintf(text, sizeof text, "+%lld.%06lld", static_cast<long long>(micros / 1'000'000),
                  static_cast<long long>(micros % 1'000'000));
    out_ << text;
}

void ByteTrace::note(std::string_view text) {
    stamp();
    out_ << " -- " << text << "\n";
    flush();
}

void ByteTrace::flush() {
    errno = 0;
    out_.flush();
    if (!out_ && !lost_) {
        lost_ = true;
        osError_ = errno;
    }
}

void ByteTrace::sent(std::span<const uint8_t> bytes, int32_t baud) {
    write("TX", bytes, baud);
}

void ByteTrace::received(std::span<const uint8_t> bytes, int32_t baud) {
    write("RX", bytes, baud);
}

void ByteTrace::readAway(std::size_t count) {
    note("read away " + std::to_string(count) + (count == 1 ? " byte" : " bytes") +
         " received: the reply to another frame");
}

void ByteTrace::lineErrors(const LineErrors& errors) {
    std::string text = "line errors:";
    const auto add = [&](bool seen, const char* what) {
        if (seen) text += std::string(text.back() == ':' ? " " : ", ") + what;
    };
    add(errors.framing, "framing (a byte without its stop bit)");
    add(errors.overrun, "overrun (a byte lost)");
    add(errors.parity, "parity");
    add(errors.lineBreak, "break");
    add(errors.inputOverflow, "input queue full (bytes lost)");
    note(text);
}

void ByteTrace::write(const char* direction, std::span<const uint8_t> bytes, int32_t baud) {
    stamp();
    out_ << " " << direction << " " << baud << " baud " << bytes.size()
         << (bytes.size() == 1 ? " byte\n" : " bytes\n");
    for (std::size_t offset = 0; offset < bytes.size(); offset += kBytesPerLine) {
        const std::size_t count = std::min(kBytesPerLine, bytes.size() - offset);
        char line[128];
        int used = std::snprintf(line, sizeof line, "  %04zX ", offset);
        for (std::size_t i = 0; i < kBytesPerLine; ++i) {
            if (i < count)
                used += std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used),
                                      " %02X", bytes[offset + i]);
            else
                used +=
                    std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used), "   ");
        }
        out_ << line << "  ";
        for (std::size_t i = 0; i < count; ++i) {
            const uint8_t byte = bytes[offset + i];
            out_ << (byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.');
        }
        out_ << "\n";
    }
    flush();
}

}  // namespace velmar
