// Load speed of whole firmware files, with every check of the readers in place.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "files/firmware_loader.h"
#include "wording/load_words.h"

namespace {

void appendHex(std::string& out, uint32_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out.push_back(kDigits[(value >> shift) & 0xF]);
}

uint8_t patternByte(uint32_t address) {
    return static_cast<uint8_t>((address * 2654435761u) >> 24);
}

// 8,192 S2 lines of 16 bytes: every row of 0x04000..0x23FFF.
std::string fullImageSrec() {
    std::string text;
    for (uint32_t address = 0x04000; address < 0x24000; address += 16) {
        uint32_t sum = 0x14 + (address >> 16) + ((address >> 8) & 0xFF) + (address & 0xFF);
        text += "S214";
        appendHex(text, address, 6);
        for (uint32_t i = 0; i < 16; ++i) {
            appendHex(text, patternByte(address + i), 2);
            sum += patternByte(address + i);
        }
        appendHex(text, ~sum & 0xFF, 2);
        text += "\r\n";
    }
    return text + "S804000000FB\r\n";
}

// Intel HEX of 0x04000..0x0FFFF in 16-byte records, the whole reach of that reader.
std::string intelHexUpTo0FFFF() {
    std::string text;
    for (uint32_t address = 0x04000; address < 0x10000; address += 16) {
        uint32_t sum = 0x10 + (address >> 8) + (address & 0xFF);
        text += ":10";
        appendHex(text, address, 4);
        text += "00";
        for (uint32_t i = 0; i < 16; ++i) {
            appendHex(text, patternByte(address + i), 2);
            sum += patternByte(address + i);
        }
        appendHex(text, (0x100 - (sum & 0xFF)) & 0xFF, 2);
        text += "\r\n";
    }
    return text + ":00000001FF\r\n";
}

std::string writeTemp(const std::string& name, const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

void loadFile(benchmark::State& state, const std::string& name, const std::string& text) {
    const std::string path = writeTemp(name, text);
    velmar::MemoryImage image;
    velmar::MemoryImage scratch;
    for (auto _ : state) {
        const velmar::LoadOutcome outcome = velmar::loadFirmwareFile(path, image, scratch);
        if (outcome.result != 1) {
            state.SkipWithError(loadMessage(outcome).text.c_str());
            break;
        }
        benchmark::DoNotOptimize(image);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
    state.counters["file_bytes"] = static_cast<double>(text.size());
    std::filesystem::remove(path);
}

void BM_LoadFullImageSrec(benchmark::State& state) {
    loadFile(state, "velmar_bench_full.mot", fullImageSrec());
}
void BM_LoadIntelHex04000To0FFFF(benchmark::State& state) {
    loadFile(state, "velmar_bench_0FFFF.hex", intelHexUpTo0FFFF());
}

BENCHMARK(BM_LoadFullImageSrec)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadIntelHex04000To0FFFF)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
