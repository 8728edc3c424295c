// readHexLine against the field-by-field rules: same code, same bytes stored.
#include <cstdio>
#include <cstdlib>

#include "files/line_readers.h"
#include "fuzz/reference_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmar;
    static MemoryImage image;
    image.clearImage();
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    LineReaders readers(image);
    readers.readHexLine(line);  // has no fault path: an exception here is a finding
    const fuzz::Expected expected = fuzz::expectedHex(line);
    if (readers.intErrorCode != expected.code) {
        std::fprintf(stderr, "code %d, expected %d\n", readers.intErrorCode, expected.code);
        std::abort();
    }
    fuzz::checkStored(image, line, expected);
    return 0;
}
