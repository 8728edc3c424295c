#include "data/sample_firmware.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace velmar {

namespace {

constexpr uint32_t kSeed = 0x150421u;

// Small deterministic generator (xorshift32): the same bytes on every machine and compiler.
class Xorshift {
  public:
    explicit Xorshift(uint32_t seed) : state_(seed) {}
    uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    uint32_t below(uint32_t n) { return next() % n; }

  private:
    uint32_t state_;
};

// Byte values that dominate real controller code (opcodes, small immediates, zero padding).
constexpr std::array<uint8_t, 16> kCommonCodeBytes = {
    0x00, 0x01, 0x02, 0x04, 0x20, 0x30, 0x40, 0x60, 0x74, 0x80, 0x90, 0xA0, 0xD0, 0xEB, 0xF0, 0xFA};

enum class BlockKind { Code, Table, Empty };

// 1 KiB blocks by their index from 0x04000: mostly code, some tables, a few never written.
BlockKind kindOfBlock(uint32_t blockIndex) {
    switch (blockIndex % 17) {
        case 5:
            return BlockKind::Empty;
        case 3:
        case 11:
            return BlockKind::Table;
        default:
            return BlockKind::Code;
    }
}

void appendHexByte(std::string& out, uint32_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out.push_back(kDigits[(value >> 4) & 0xF]);
    out.push_back(kDigits[value & 0xF]);
}

// One record: "S" type, count, address bytes, data, checksum (ones' complement of the sum).
void appendRecord(std::string& out, char type, uint32_t address, int addressBytes,
                  const uint8_t* data, std::size_t size) {
    const auto count = static_cast<uint32_t>(addressBytes + size + 1);
    uint32_t sum = count;
    out.push_back('S');
    out.push_back(type);
    appendHexByte(out, count);
    for (int shift = 8 * (addressBytes - 1); shift >= 0; shift -= 8) {
        appendHexByte(out, (address >> shift) & 0xFF);
        sum += (address >> shift) & 0xFF;
    }
    for (std::size_t i = 0; i < size; ++i) {
        appendHexByte(out, data[i]);
        sum += data[i];
    }
    appendHexByte(out, ~sum & 0xFF);
    out.append("\r\n");
}

void fillBlock(Xorshift& random, BlockKind kind, std::array<uint8_t, 1024>& block) {
    block.fill(0xFF);
    if (kind == BlockKind::Empty) return;
    if (kind == BlockKind::Table) {
        // A lookup table: a slowly rising 16-bit curve, little endian.
        uint32_t value = random.below(0x400);
        for (std::size_t i = 0; i + 1 < block.size(); i += 2) {
            value += random.below(48);
            block[i] = static_cast<uint8_t>(value & 0xFF);
            block[i + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
        }
        return;
    }
    // Code that stops somewhere in the block; the rest stays erased, as a linker leaves it.
    const std::size_t used = random.below(4) == 0 ? 256 + random.below(640) : block.size();
    for (std::size_t i = 0; i < used; ++i) {
        const uint32_t pick = random.below(8);
        block[i] =
            pick < 3 ? kCommonCodeBytes[random.below(16)] : static_cast<uint8_t>(random.next());
    }
}

}  // namespace

std::string makeSampleFirmware() {
    std::string out;
    out.reserve(400 * 1024);
    constexpr std::string_view kHeader = "Velmar_150421_01_12";
    appendRecord(out, '0', 0, 2, reinterpret_cast<const uint8_t*>(kHeader.data()), kHeader.size());

    struct Range {
        uint32_t first, end;
    };
    constexpr std::array<Range, 2> kRanges = {Range{0x04000, 0x0E000}, Range{0x10000, 0x24000}};
    Xorshift random(kSeed);
    std::array<uint8_t, 1024> block{};
    for (const Range& range : kRanges) {
        for (uint32_t base = range.first; base < range.end; base += 1024) {
            fillBlock(random, kindOfBlock((base - 0x04000) / 1024), block);
            for (uint32_t offset = 0; offset < 1024; offset += 16)
                appendRecord(out, '2', base + offset, 3, block.data() + offset, 16);
        }
    }
    appendRecord(out, '8', 0, 3, nullptr, 0);
    return out;
}

}  // namespace velmar
