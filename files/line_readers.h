#pragma once
// One line of a firmware file (without its line end) into the memory image.

#include <cstdint>
#include <string_view>

#include "image/memory_image.h"

namespace velmar {

// Parse error codes the readers leave in intErrorCode.
namespace parse_error {
inline constexpr int16_t kAccepted = 0;
inline constexpr int16_t kShortLine = 1;         // HEX: 12 characters or fewer, not the end record
inline constexpr int16_t kCountTooLarge = 2;     // HEX: byte count above 16
inline constexpr int16_t kLengthMismatch = 3;    // line length does not fit the count
inline constexpr int16_t kTypeFirstDigit = 4;    // HEX: first record type digit not "0"
inline constexpr int16_t kBelowImage = 5;        // HEX: data address below 0x04000
inline constexpr int16_t kBadChecksum = 8;       // record checksum wrong (or a non-hex digit)
inline constexpr int16_t kBadStart = 9;          // line does not begin with ":" / "S"
inline constexpr int16_t kUnsupportedType = 10;  // HEX: a record type this reader cannot place
}  // namespace parse_error

// Holds intErrorCode and stores into one image; a data byte outside the image throws
// ImageRangeError out of readMotLine (the load turns it into "File Open Error").
class LineReaders {
  public:
    explicit LineReaders(MemoryImage& image) : image_(image) {}
    void readMotLine(std::string_view line);
    void readHexLine(std::string_view line);
    int16_t intErrorCode = 0;

  private:
    MemoryImage& image_;
};

}  // namespace velmar
