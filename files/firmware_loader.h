#pragma once
// Reads a whole firmware file, line by line, with the reader its name selects. The image is
// replaced only when the whole file was read; the caller shows the outcome's message.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "files/regular_file.h"
#include "image/memory_image.h"

namespace velmar {

struct LoadOutcome {
    enum class Kind { Loaded, Refused, FileOpenError, Stopped };

    uint8_t result = 0;  // 1 when the whole file was read, else 0
    Kind kind = Kind::FileOpenError;
    int16_t code = 0;        // the refusing reader's intErrorCode (Refused only)
    int32_t lineNumber = 0;  // 1-based number of the refused or faulting line; 0 if none

    // Why "File Open Error", as numbers (describeLoadFailure puts them into words).
    FileFault fault = FileFault::None;
    int osError = 0;                        // the system's error number, 0 when there is none
    NodeKind nodeKind = NodeKind::Regular;  // NotRegularFile / IsFolder: what the path names
    int64_t address = 0;                    // OutsideImage: the first address outside the image
};

// True when the path's last three characters read "HEX" in any letter case.
bool isIntelHexPath(const std::string& path);

// `image` is the one the writers send; `scratch` is a second image of the same size that the
// file is read into first and swapped in on success, so nothing is allocated per load and a
// refused file never half-replaces the firmware.
// `keepLoading`, when given, is asked between chunks of the file (a long load lets the caller
// handle its events there); false stops the load with Kind::Stopped and the image unchanged.
// `readBytes`, when given, sees the file's bytes in order as they are read: once the file is
// loaded it has seen all of them, so a hash of them names what was loaded.
LoadOutcome loadFirmwareFile(const std::string& path, MemoryImage& image, MemoryImage& scratch,
                             const std::function<bool()>& keepLoading = {},
                             const std::function<void(std::string_view)>& readBytes = {});

}  // namespace velmar
