#include "link/reply_echo.h"

#include <algorithm>
#include <string_view>

namespace velmar {

namespace {

constexpr uint8_t kMarker0 = 0xFF;
constexpr uint8_t kMarker1 = 0xFE;
constexpr std::size_t kLoaderFrameHead = 4;  // marker and two letters
constexpr std::size_t kWriteFrameHead = 7;   // ... and the block's 24-bit address
constexpr std::size_t kLoaderFrameReply = 1036;
// The connect texts and their replies: the echo, the status, CR, LF and one byte.
constexpr std::string_view kConnectLong = "QZ~FLASHU\r\n";
constexpr std::string_view kConnectShort = "QZ~FLASH\r\n";
constexpr std::size_t kConnectReplyTail = 4;

bool beginsWith(std::span<const uint8_t> bytes, std::span<const uint8_t> head) {
    const std::size_t n = std::min(bytes.size(), head.size());
    return std::equal(head.begin(), head.begin() + static_cast<std::ptrdiff_t>(n), bytes.begin());
}

bool beginsWith(std::span<const uint8_t> bytes, std::string_view text) {
    return beginsWith(bytes, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace

ReplyEcho ReplyEcho::ofLoaderFrame(std::span<const uint8_t> frame) {
    const bool write = frame.size() > 3 && frame[2] == 'P' && frame[3] == 'G';
    const std::size_t head = std::min(frame.size(), write ? kWriteFrameHead : kLoaderFrameHead);
    return ReplyEcho(frame.first(head));
}

std::size_t ReplyEcho::ownReplyAt(std::span<const uint8_t> bytes) const {
    if (head_.empty() || bytes.size() < head_.size()) return std::span<const uint8_t>::extent;
    const auto found = std::search(bytes.begin(), bytes.end(), head_.begin(), head_.end());
    return found == bytes.end() ? std::span<const uint8_t>::extent
                                : static_cast<std::size_t>(found - bytes.begin());
}

std::size_t ReplyEcho::foreignReplyLength(std::span<const uint8_t> bytes) const {
    // Until enough has arrived to tell, a reply that may still turn out to be our own is not
    // another frame's.
    if (head_.empty() || bytes.size() < 2 || beginsWith(bytes, head_)) return 0;
    if (bytes[0] == kMarker0 && bytes[1] == kMarker1) return kLoaderFrameReply;
    // The other connect text (the two share their first eight characters).
    for (const std::string_view text : {kConnectLong, kConnectShort})
        if (bytes.size() >= text.size() && beginsWith(bytes, text))
            return text.size() + kConnectReplyTail;
    return 0;
}

}  // namespace velmar
