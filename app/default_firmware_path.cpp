#include "app/default_firmware_path.h"

#include <filesystem>

#include "app/window_texts.h"

namespace velmar {

const char* const kInstalledDataFolder = VELMAR_BIN_TO_DATADIR;

namespace {

namespace fs = std::filesystem;

// Paths travel as UTF-8; Windows would read a plain std::string path in its ANSI code page.
fs::path fromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

std::string toUtf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace

std::string defaultFirmwarePath(const std::string& programFolder) {
    // The system's own separators, as the name is shown: C:\...\Velmar_150421_01_12.mot.
    const fs::path folder = fromUtf8(programFolder).make_preferred();
    const fs::path beside = folder / texts::kDefaultFirmwareName;
    const fs::path installed =
        (folder / kInstalledDataFolder / texts::kDefaultFirmwareName).lexically_normal();
    std::error_code ignored;
    if (!fs::exists(beside, ignored) && fs::exists(installed, ignored)) return toUtf8(installed);
    return toUtf8(beside);
}

}  // namespace velmar
