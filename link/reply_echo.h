#pragma once
// Telling this frame's reply from another frame's. The current loader's replies begin with the
// bytes of the command they answer (the status index is the command's length for that reason),
// so a reply that arrives seconds late, after the retry or the next frame went out, can be
// recognised by its echo and read away instead of being judged. A reply without an echo (a
// loader that does not repeat the command) is judged by its position alone, as before.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace velmar {

// What a reply to the frame just sent begins with: the marker and letters of a loader frame
// (and a write frame's block address), or the whole connect text.
class ReplyEcho {
  public:
    ReplyEcho() = default;  // no echo expected: every reply is judged by position
    explicit ReplyEcho(std::span<const uint8_t> head) : head_(head.begin(), head.end()) {}
    // The identifying head of a loader frame: marker, letters and, for "PG", the address.
    static ReplyEcho ofLoaderFrame(std::span<const uint8_t> frame);

    bool empty() const { return head_.empty(); }
    // Where this frame's reply begins in `bytes` (npos when its echo is not there).
    std::size_t ownReplyAt(std::span<const uint8_t> bytes) const;
    // The length of another frame's reply that `bytes` begins with; 0 when they begin with no
    // recognisable echo or with this frame's own. A reply that has not arrived whole yet still
    // counts with its full length.
    std::size_t foreignReplyLength(std::span<const uint8_t> bytes) const;

  private:
    std::vector<uint8_t> head_;
};

}  // namespace velmar
