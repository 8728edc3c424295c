#include "files/firmware_loader.h"

#include <array>
#include <cerrno>
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
    return outcome;
}

LoadOutcome fileOpenError(FileFault fault, int osError, int32_t lineNumber = 0) {
    LoadOutcome outcome;
    outcome.kind = LoadOutcome::Kind::FileOpenError;
    outcome.fault = fault;
    outcome.osError = osError;
    outcome.lineNumber = lineNumber;
    return outcome;
}

}  // namespace

bool isIntelHexPath(const std::string& path) {
    if (path.size() < 3) return false;
    const std::string_view tail = std::string_view(path).substr(path.size() - 3);
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    return upper(tail[0]) == 'H' && upper(tail[1]) == 'E' && upper(tail[2]) == 'X';
}

LoadOutcome loadFirmwareFile(const std::string& path, MemoryImage& image, MemoryImage& scratch,
                             const std::function<bool()>& keepLoading,
                             const std::function<void(std::string_view)>& readBytes) {
    const OpenedFile opened = openRegularFile(path);
    if (opened.file == nullptr) {
        LoadOutcome outcome = fileOpenError(opened.fault, opened.osError);
        outcome.nodeKind = opened.kind;
        return outcome;
    }
    std::FILE* const file = opened.file;
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
            errno = 0;
            const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
            const int readError = errno;
            if (got > 0 && readBytes) readBytes(std::string_view(chunk.data(), got));
            if (got > 0 && !splitter.feed(chunk.data(), got, readLine))
                return refused(readers.intErrorCode, lineNumber);
            if (std::ferror(file))
                return fileOpenError(FileFault::ReadError, readError, lineNumber);
            if (got < chunk.size()) break;
            if (keepLoading && !keepLoading()) {
                LoadOutcome outcome;
                outcome.kind = LoadOutcome::Kind::Stopped;
                return outcome;
            }
        }
        if (!splitter.finish(readLine)) return refused(readers.intErrorCode, lineNumber);
    } catch (const ImageRangeError& error) {
        LoadOutcome outcome = fileOpenError(FileFault::OutsideImage, 0, lineNumber);
        outcome.address = error.row() * kColumns + error.column();
        return outcome;
    } catch (const std::exception&) {
        return fileOpenError(FileFault::ReadError, 0, lineNumber);
    }
    image.swap(scratch);
    return loaded();
}

}  // namespace velmar
