// readMotLine against the field-by-field rules: same code, same fault, same bytes stored.
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
    bool faulted = false;
    try {
        readers.readMotLine(line);
    } catch (const ImageRangeError&) {
        faulted = true;
    }
    const fuzz::Expected expected = fuzz::expectedMot(line);
    if (faulted != expected.fault || (!faulted && readers.intErrorCode != expected.code)) {
        std::fprintf(stderr, "code %d fault %d, expected code %d fault %d\n", readers.intErrorCode,
                     faulted, expected.code, expected.fault);
        std::abort();
    }
    fuzz::checkStored(image, line, expected);
    return 0;
}
