#include "files/firmware_loader.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string_view>

#include "files/line_readers.h"

namespace velmar {

namespace {

// Read size of one chunk of the file; the file is never held whole in memory.
constexpr std::size_t kChunkBytes = 64 * 1024;
// A line split across two chunks is gathered here. Longer lines keep only their first
// kMaxCarriedLine characters: no record reads past character 514 (an S-record with count 0xFF),
// and an Intel HEX line that long is refused for its length either way, so cutting the tail
// never changes what a reader decides.
constexpr std::size_t kMaxCarriedLine = 1024;

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

// Splits the byte stream into lines. CR LF, a lone LF and a lone CR each end one line, so a
// file saved on any system reads the same; a last line without terminator is still a line.
class LineFeeder {
  public:
    LineFeeder(LineReaders& readers, bool intelHex) : readers_(readers), intelHex_(intelHex) {}

    // Returns false once a reader refused a line.
    bool feed(const char* data, std::size_t size) {
        const char* pos = data;
        const char* const end = data + size;
        if (skipLineFeed_ && size > 0) {
            skipLineFeed_ = false;
            if (*pos == '\n') ++pos;
        }
        // The next CR and the next LF are each searched once and reused until passed, so a
        // file with only one kind of line end is still scanned once, not once per line.
        const char* nextCr = nullptr;
        const char* nextLf = nullptr;
        while (pos < end) {
            if (nextCr < pos) nextCr = find(pos, end, '\r');
            if (nextLf < pos) nextLf = find(pos, end, '\n');
            const char* lineEnd = nextCr < nextLf ? nextCr : nextLf;
            if (lineEnd == end) {  // the line goes on in the next chunk
                carry(pos, static_cast<std::size_t>(end - pos));
                return true;
            }
            bool accepted;
            if (pending_) {
                carry(pos, static_cast<std::size_t>(lineEnd - pos));
                accepted = hand({carried_.data(), carriedSize_});
                pending_ = false;
                carriedSize_ = 0;
            } else {
                accepted = hand({pos, static_cast<std::size_t>(lineEnd - pos)});
            }
            if (!accepted) return false;
            if (*lineEnd == '\r') {
                if (lineEnd + 1 == end) {
                    skipLineFeed_ = true;
                    return true;
                }
                if (lineEnd[1] == '\n') ++lineEnd;
            }
            pos = lineEnd + 1;
        }
        return true;
    }

    // Hands over a last line that had no terminator.
    bool finish() {
        if (!pending_) return true;
        pending_ = false;
        return hand({carried_.data(), carriedSize_});
    }

    int32_t lineNumber() const { return lineNumber_; }

  private:
    static const char* find(const char* from, const char* end, char c) {
        const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
        return found ? static_cast<const char*>(found) : end;
    }

    void carry(const char* data, std::size_t size) {
        pending_ = true;
        const std::size_t room = kMaxCarriedLine - carriedSize_;
        const std::size_t take = size < room ? size : room;
        std::copy(data, data + take, carried_.data() + carriedSize_);
        carriedSize_ += take;
    }

    bool hand(std::string_view line) {
        ++lineNumber_;
        if (intelHex_)
            readers_.readHexLine(line);
        else
            readers_.readMotLine(line);
        return readers_.intErrorCode == parse_error::kAccepted;
    }

    LineReaders& readers_;
    const bool intelHex_;
    int32_t lineNumber_ = 0;
    bool skipLineFeed_ = false;
    bool pending_ = false;
    std::array<char, kMaxCarriedLine> carried_{};
    std::size_t carriedSize_ = 0;
};

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

    // The file goes into the scratch image first; the image the writers send changes only
    // when every line was accepted, so a refused or broken file can never reach the radio.
    scratch.clearImage();
    LineReaders readers(scratch);
    LineFeeder feeder(readers, isIntelHexPath(path));
    std::array<char, kChunkBytes> chunk;
    try {
        for (;;) {
            const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
            if (got > 0 && !feeder.feed(chunk.data(), got))
                return refused(readers.intErrorCode, feeder.lineNumber());
            if (got < chunk.size()) break;
        }
        if (std::ferror(file)) return fileOpenError(feeder.lineNumber());
        if (!feeder.finish()) return refused(readers.intErrorCode, feeder.lineNumber());
    } catch (const std::exception&) {
        // An S-record byte outside the image (ImageRangeError) or anything else unexpected.
        return fileOpenError(feeder.lineNumber());
    }
    image.swap(scratch);
    return loaded();
}

}  // namespace velmar
