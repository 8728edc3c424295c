// Writes the synthetic sample firmware to the path given, or to standard output.
#include <cstdio>
#include <string>

#include "data/sample_firmware.h"

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: velmar-make-sample [OUTPUT.mot]\n");
        return 1;
    }
    const std::string text = velmar::makeSampleFirmware();
    std::FILE* out = argc == 2 ? std::fopen(argv[1], "wb") : stdout;
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    const bool closed = argc == 2 ? std::fclose(out) == 0 : std::fflush(out) == 0;
    return written && closed ? 0 : 1;
}
