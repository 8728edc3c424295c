#include "protocol/current_frames.h"

namespace velmar {

namespace {

void startFrame(LoaderFrame& frame, char first, char second) {
    frame.fill(0xFF);  // bytes a command does not use
    frame[0] = 0xFF;
    frame[1] = 0xFE;
    frame[2] = static_cast<uint8_t>(first);
    frame[3] = static_cast<uint8_t>(second);
}

// Most significant byte first, as the loader reads every address.
void putAddress(LoaderFrame& frame, std::size_t at, int32_t address) {
    frame[at] = static_cast<uint8_t>((address >> 16) & 0xFF);
    frame[at + 1] = static_cast<uint8_t>((address >> 8) & 0xFF);
    frame[at + 2] = static_cast<uint8_t>(address & 0xFF);
}

void finishFrame(LoaderFrame& frame) {
    frame[kFrameLength - 1] = frameSum(frame);
}

}  // namespace

void buildEraseFrame(LoaderFrame& frame) {
    startFrame(frame, 'B', 'E');
    // The loader erases its flash in these sectors, in this order.
    constexpr int32_t kEraseAddresses[] = {0x1C000, 0x0C000, 0x10000, 0x12000, 0x14000, 0x04000};
    std::size_t at = 4;
    for (const int32_t address : kEraseAddresses) {
        putAddress(frame, at, address);
        at += 3;
    }
    finishFrame(frame);
}

void buildEndFrame(LoaderFrame& frame) {
    startFrame(frame, 'E', 'D');
    finishFrame(frame);
}

void buildWriteFrame(LoaderFrame& frame, const MemoryImage& image, int32_t firstRow) {
    startFrame(frame, 'P', 'G');
    putAddress(frame, 4, firstRow * kColumns);
    std::size_t at = 7;
    for (int32_t row = firstRow; row < firstRow + kBlockRows; ++row)
        for (int32_t column = 0; column < kColumns; ++column)
            frame[at++] = static_cast<uint8_t>(image.intImage(row, column) & 0xFF);
    finishFrame(frame);
}

}  // namespace velmar
