#pragma once
// Splits a byte stream, fed in chunks of any size, into lines without their line ends.
// CR LF, a lone LF and a lone CR each end one line, so a file saved on any system reads the
// same; a last line without terminator is still a line; an empty line is a line.

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
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
        while (pos < end) {
            const char* lineEnd = findLineEnd(pos, end);
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
    static bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

    // First CR or LF in [from, end), or end. Eight bytes at a time: a word is looked at more
    // closely only when it holds a byte below 0x0E, which record text (printable characters)
    // never does, so one pass finds either line end without a search per kind.
    static const char* findLineEnd(const char* from, const char* end) {
        if constexpr (std::endian::native == std::endian::little) {
            constexpr uint64_t kOnes = 0x0101010101010101u;
            constexpr uint64_t kHighBits = 0x8080808080808080u;
            while (end - from >= 8) {
                uint64_t word;
                std::memcpy(&word, from, 8);
                // The lowest flagged byte is the first one below 0x0E (standard "has less").
                const uint64_t below = (word - kOnes * 0x0E) & ~word & kHighBits;
                if (below == 0) {
                    from += 8;
                    continue;
                }
                const char* candidate = from + std::countr_zero(below) / 8;
                if (isLineEnd(*candidate)) return candidate;
                from = candidate + 1;  // a control character inside a line: keep going
            }
        }
        while (from < end && !isLineEnd(*from)) ++from;
        return from;
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
