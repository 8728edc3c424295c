#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/commands.h"

namespace velmar::cli {

namespace {

bool writeAll(const std::string& path, const std::array<uint8_t, kImageBytes>& bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && written;
}

// A regular file (or a new one) is written beside its final name and only then put in place:
// the old image stays whole until the new one is, and no reader ever sees half an image.
// The old file is removed just before the rename rather than renamed over (so for a moment
// the name is free): ext4 flushes a file that replaces another on rename, and the next dump
// then waits for that write to reach the disk, several milliseconds, longer than the whole
// conversion. A crash between the two steps leaves the new image complete at NAME.partial.
// Anything else (a symbolic link, a device, a pipe) is written in place, through the link,
// so it is never replaced by a plain file.
bool writeImageFile(const std::string& path, const std::array<uint8_t, kImageBytes>& bytes) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (fs::exists(status) && !fs::is_regular_file(status)) return writeAll(path, bytes);

    const std::string partial = path + ".partial";
    if (!writeAll(partial, bytes)) {
        fs::remove(partial, error);
        return false;
    }
    error.clear();  // a missing old file is no error
    if (fs::exists(status)) fs::remove(path, error);
    if (error) {
        fs::remove(partial, error);  // the old image stays
        return false;
    }
    fs::rename(partial, path, error);
    if (error) {
        // The old image is gone; the new one is whole and stays where it is.
        std::fprintf(stderr, "%s: the new image is complete in %s\n", path.c_str(),
                     partial.c_str());
        return false;
    }
    return true;
}

}  // namespace

int runDump(const Args& args) {
    const OutputOption options = splitOutputOption(args);
    if (!options.error.empty()) return usageError("dump", options.error);
    if (options.positional.size() != 1) return usageError("dump", "expects exactly one FILE");
    if (!options.output) return usageError("dump", "needs an output file: -o OUTPUT.bin");

    LoadedFirmware firmware;
    if (const int code = loadOrReport(options.positional[0], firmware); code != kExitOk)
        return code;

    if (!writeImageFile(*options.output, firmware.image.bytes())) {
        std::fprintf(stderr, "%s: could not write the image\n", options.output->c_str());
        return kExitOutputError;
    }
    return kExitOk;
}

}  // namespace velmar::cli
