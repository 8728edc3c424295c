// The whole load sequence on a real file: the first input byte picks the reader by name, the
// rest is the file. The outcome must match feeding the lines straight to the readers, and a
// failed load must leave the previous image untouched.
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "files/firmware_loader.h"
#include "files/line_readers.h"
#include "fuzz/reference_rules.h"

namespace {

using namespace velmar;

// The previous firmware: a few marked rows and one with text.
void fillPrevious(MemoryImage& image) {
    image.clearImage();
    for (int32_t row : {1024, 3000, 9215})
        for (int32_t column = 0; column < kColumns; ++column)
            image.storeByte(row, column, static_cast<int16_t>((row + column) & 0x7F));
    image.makeRowText(1024);
}

// Cells through byte copies: the checked accessors per cell would slow the fuzzer down.
bool sameCellsAndFlags(const MemoryImage& a, const MemoryImage& b) {
    static std::array<uint8_t, kImageBytes> bytesA, bytesB;
    bytesA = a.bytes();
    bytesB = b.bytes();
    if (bytesA != bytesB) return false;
    for (int32_t row = kFirstRow; row <= kLastRow; ++row)
        if (a.blnRowUsed(row) != b.blnRowUsed(row)) return false;
    return true;
}

bool sameImage(const MemoryImage& a, const MemoryImage& b) {
    if (!sameCellsAndFlags(a, b)) return false;
    for (int32_t row = kFirstRow; row <= kLastRow; ++row)
        if (a.strRowText(row) != b.strRowText(row)) return false;
    return true;
}

void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// The input files' folder, per process, removed again when the fuzzer ends normally.
struct WorkDirectory {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("velmar_fuzz_" + std::to_string(::getpid()));
    WorkDirectory() {
        std::error_code error;
        std::filesystem::create_directories(path, error);
        if (error) fail("cannot make the work directory");
    }
    ~WorkDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static MemoryImage image, scratch, before, reference;
    static const WorkDirectory directory;
    const bool intelHex = data[0] & 1;
    const std::string path = (directory.path / (intelHex ? "input.hex" : "input.mot")).string();
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    } else {
        fail("cannot write the input file");
    }

    fillPrevious(image);
    fillPrevious(before);
    const LoadOutcome outcome = loadFirmwareFile(path, image, scratch);

    // The same lines, fed one by one.
    reference.clearImage();
    LineReaders readers(reference);
    LoadOutcome::Kind kind = LoadOutcome::Kind::Loaded;
    int32_t lineNumber = 0;
    for (const std::string& line : fuzz::referenceLines(text)) {
        ++lineNumber;
        try {
            intelHex ? readers.readHexLine(line) : readers.readMotLine(line);
        } catch (const ImageRangeError&) {
            kind = LoadOutcome::Kind::FileOpenError;
            break;
        }
        if (readers.intErrorCode != 0) {
            kind = LoadOutcome::Kind::Refused;
            break;
        }
    }
    if (outcome.kind != kind) fail("outcome kind differs from the line-by-line reading");
    if (kind == LoadOutcome::Kind::Refused &&
        (outcome.code != readers.intErrorCode || outcome.lineNumber != lineNumber))
        fail("refusal code or line number differs");
    if (kind == LoadOutcome::Kind::Loaded) {
        if (outcome.result != 1) fail("loaded without result 1");
        if (!sameCellsAndFlags(image, reference)) fail("loaded image differs");
    } else if (outcome.result != 0 || !sameImage(image, before)) {
        fail("a failed load changed the image");
    }
    return 0;
}
