#include "support/radio_bench.h"

#include <algorithm>
#include <deque>
#include <memory>

namespace velmar::testing {

RadioBench::RadioBench() {
    serial.setRadioPort(kPort);
}

std::vector<sim::FrameRecord> RadioBench::framesOfKind(const std::string& prefix) const {
    std::vector<sim::FrameRecord> out;
    for (const auto& record : radio.log())
        if (record.kind.rfind(prefix, 0) == 0) out.push_back(record);
    return out;
}

void RadioBench::scriptReplies(std::vector<std::vector<uint8_t>> replies) {
    auto queue = std::make_shared<std::deque<std::vector<uint8_t>>>(replies.begin(), replies.end());
    serial.setResponder([queue](std::span<const uint8_t>, int32_t) {
        std::vector<sim::RadioReply> out;
        if (queue->empty()) return out;
        if (!queue->front().empty()) out.push_back({std::move(queue->front()), {}});
        queue->pop_front();
        return out;
    });
}

std::vector<uint8_t> loaderReply(std::size_t echoLength, uint8_t status) {
    std::vector<uint8_t> reply(echoLength, 0x5A);
    reply.insert(reply.end(), {status, '\r', '\n', 0x00});
    return reply;
}

std::vector<uint8_t> RadioBench::flashBlock(int32_t firstRow) const {
    const auto offset = static_cast<std::size_t>(firstRow * kColumns - kImageFirstAddress);
    const auto& flash = radio.flash();
    return {flash.begin() + static_cast<std::ptrdiff_t>(offset),
            flash.begin() + static_cast<std::ptrdiff_t>(offset + 1024)};
}

void loadBlock(MemoryImage& image, int32_t firstRow, uint8_t seed) {
    for (int32_t row = firstRow; row < firstRow + 64; ++row)
        for (int32_t column = 0; column < kColumns; ++column)
            image.storeByte(row, column,
                            static_cast<int16_t>((seed + row * 7 + column * 13) % 255));
}

void loadByte(MemoryImage& image, int32_t address, uint8_t value) {
    image.storeByte(rowOfAddress(address), columnOfAddress(address), value);
}

}  // namespace velmar::testing
