#include "files/firmware_loader.h"

#include <array>
#include <cstdio>
#include <exception>
#include <string_view>

#include "files/line_readers.h"
#include "files/line_splitter.h"

namespace velmar {

namespace {

// Read size of one chunk of the file; the file is never held whole in memory.
constexpr std::size_t kChunkBytes = 64 * 1024;

struct FileCloser {
    std::FILE* file;
    ~FileCloser() { std::fclose(file); }
};

LoadOutcome loaded() {
    LoadOutcome outcome;
    outcome.result = 1;
    outcome.kind = LoadOutcome::Kind::Loaded;
    return outcome;
}

LoadOutcome refused(int16_t code, int32_t lineNumber) {
    LoadOutcome outcome;
    outcome.kind = LoadOutcome::Kind::Refused;
    outcome.code = code;
    outcome.lineNumber = lineNumber;
    outcome.message =
        "Error Code = " + std::to_string(code) + " ; 行番号 = " + std::to_string(lineNumber);
    outcome.title = "Error";
    outcome.icon = LoadOutcome::Icon::Warning;
    return outcome;
}

LoadOutcome fileOpenError(int32_t lineNumber) {
    LoadOutcome outcome;
    outcome.kind = LoadOutcome::Kind::FileOpenError;
    outcome.lineNumber = lineNumber;
    outcome.message = "File Open Error";
    outcome.title = "ERROR";
    outcome.icon = LoadOutcome::Icon::Stop;
    return outcome;
}

}  // namespace

bool isIntelHexPath(const std::string& path) {
    if (path.size() < 3) return false;
    const std::string_view tail = std::string_view(path).substr(path.size() - 3);
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    return upper(tail[0]) == 'H' && upper(tail[1]) == 'E' && upper(tail[2]) == 'X';
}

LoadOutcome loadFirmwareFile(const std::string& path, MemoryImage& image, MemoryImage& scratch) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return fileOpenError(0);
    FileCloser closer{file};
    // The file is read in chunks of our own size: a stdio buffer would only be filled and copied.
    std::setvbuf(file, nullptr, _IONBF, 0);

    // The file goes into the scratch image first; the image the writers send changes only
    // when every line was accepted, so a refused or broken file can never reach the radio.
    scratch.clearImage();
    LineReaders readers(scratch);
    const bool intelHex = isIntelHexPath(path);
    int32_t lineNumber = 0;
    auto readLine = [&](std::string_view line) {
        ++lineNumber;
        if (intelHex)
            readers.readHexLine(line);
        else
            readers.readMotLine(line);
        return readers.intErrorCode == parse_error::kAccepted;
    };
    LineSplitter splitter;
    std::array<char, kChunkBytes> chunk;
    try {
        for (;;) {
            const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
            if (got > 0 && !splitter.feed(chunk.data(), got, readLine))
                return refused(readers.intErrorCode, lineNumber);
            if (got < chunk.size()) break;
        }
        if (std::ferror(file)) return fileOpenError(lineNumber);
        if (!splitter.finish(readLine)) return refused(readers.intErrorCode, lineNumber);
    } catch (const std::exception&) {
        // An S-record byte outside the image (ImageRangeError) or anything else unexpected.
        return fileOpenError(lineNumber);
    }
    image.swap(scratch);
    return loaded();
}

}  // namespace velmar
