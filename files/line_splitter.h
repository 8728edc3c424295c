#pragma once
// Splits a byte stream, fed in chunks of any size, into lines without their line ends.
// CR LF, a lone LF and a lone CR each end one line, so a file saved on any system reads the
// same; a last line without terminator is still a line; an empty line is a line.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace velmar {

class LineSplitter {
  public:
    // A line split across two chunks is gathered in a fixed buffer. Longer lines keep only
    // their first kMaxCarriedLine characters: no record reads past character 514 (an
    // S-record with count 0xFF), and an Intel HEX line that long is refused for its length
    // either way, so cutting the tail never changes what a reader decides.
    static constexpr std::size_t kMaxCarriedLine = 1024;

    // Calls onLine(std::string_view) for every line the chunk completes; stops and returns
    // false as soon as onLine returns false.
    template <typename OnLine>
    bool feed(const char* data, std::size_t size, OnLine&& onLine) {
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
            const char* lineEnd = std::min(nextCr, nextLf);
            if (lineEnd == end) {  // the line goes on in the next chunk
                carry(pos, static_cast<std::size_t>(end - pos));
                return true;
            }
            bool goOn;
            if (pending_) {
                carry(pos, static_cast<std::size_t>(lineEnd - pos));
                pending_ = false;
                goOn = onLine(std::string_view(carried_.data(), carriedSize_));
                carriedSize_ = 0;
            } else {
                goOn = onLine(std::string_view(pos, static_cast<std::size_t>(lineEnd - pos)));
            }
            if (!goOn) return false;
            if (*lineEnd == '\r') {
                if (lineEnd + 1 == end) {
                    skipLineFeed_ = true;  // its LF, if any, starts the next chunk
                    return true;
                }
                if (lineEnd[1] == '\n') ++lineEnd;
            }
            pos = lineEnd + 1;
        }
        return true;
    }

    // End of the stream: hands over a last line that had no terminator.
    template <typename OnLine>
    bool finish(OnLine&& onLine) {
        if (!pending_) return true;
        pending_ = false;
        const std::size_t size = carriedSize_;
        carriedSize_ = 0;
        return onLine(std::string_view(carried_.data(), size));
    }

  private:
    static const char* find(const char* from, const char* end, char c) {
        const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
        return found ? static_cast<const char*>(found) : end;
    }

    void carry(const char* data, std::size_t size) {
        pending_ = true;
        const std::size_t take = std::min(size, kMaxCarriedLine - carriedSize_);
        std::memcpy(carried_.data() + carriedSize_, data, take);
        carriedSize_ += take;
    }

    bool skipLineFeed_ = false;
    bool pending_ = false;
    std::array<char, kMaxCarriedLine> carried_{};
    std::size_t carriedSize_ = 0;
};

}  // namespace velmar
