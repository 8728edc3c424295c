// The whole load sequence on a real file: the first input byte picks the reader by name, the
// rest is the file. The outcome must match feeding the lines straight to the readers, and a
// failed load must leave the previous image untouched.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
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

// Cells and flags, and the texts of the rows fillPrevious fills: a load never builds a row
// text, so only a text that was there could be lost.
bool sameImage(const MemoryImage& a, const MemoryImage& b) {
    if (!(a == b)) return false;
    for (int32_t row : {1024, 3000, 9215})
        if (a.strRowText(row) != b.strRowText(row)) return false;
    return true;
}

void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// The input files' folder, per process, removed again when the fuzzer ends normally. In memory
// where the system has such a folder: on a disk file system rewriting a file that held data
// can cost a block allocation and a discard, far more than the load itself.
std::filesystem::path workBase() {
    std::error_code error;
    if (std::filesystem::is_directory("/dev/shm", error)) return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

struct WorkDirectory {
    std::filesystem::path path = workBase() / ("velmar_fuzz_" + std::to_string(::getpid()));
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

// One input file kept open for the whole run and rewritten in place for every input: two
// system calls instead of an open, a close and a stdio buffer each time.
struct InputFile {
    std::string path;
    int fd;
    explicit InputFile(const std::filesystem::path& where)
        : path(where.string()), fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)) {
        if (fd < 0) fail("cannot make the input file");
    }
    ~InputFile() { ::close(fd); }
    void write(std::string_view text) const {
        if (::ftruncate(fd, 0) != 0) fail("cannot write the input file");
        for (std::size_t done = 0; done < text.size();) {
            const ssize_t wrote =
                ::pwrite(fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
            if (wrote <= 0) fail("cannot write the input file");
            done += static_cast<std::size_t>(wrote);
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static MemoryImage image, scratch, reference, before;
    static const bool beforeFilled = (fillPrevious(before), true);
    (void)beforeFilled;
    static const WorkDirectory directory;
    static const InputFile hexFile(directory.path / "input.hex");
    static const InputFile motFile(directory.path / "input.mot");
    const bool intelHex = data[0] & 1;
    const InputFile& input = intelHex ? hexFile : motFile;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    input.write(text);

    fillPrevious(image);
    const LoadOutcome outcome = loadFirmwareFile(input.path, image, scratch);

    // The same lines, fed one by one.
    reference.clearImage();
    LineReaders readers(reference);
    LoadOutcome::Kind kind = LoadOutcome::Kind::Loaded;
    int32_t lineNumber = 0;
    for (std::string_view line : fuzz::referenceLines(text)) {
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
        if (!(image == reference)) fail("loaded image differs");
    } else if (outcome.result != 0 || !sameImage(image, before)) {
        fail("a failed load changed the image");
    }
    return 0;
}
