#include "app/default_firmware_path.h"

#include <filesystem>

#include "app/window_texts.h"

namespace velmar {

const char* const kInstalledDataFolder = VELMAR_BIN_TO_DATADIR;

std::string defaultFirmwarePath(const std::string& programFolder) {
    namespace fs = std::filesystem;
    const fs::path beside = fs::path(programFolder) / texts::kDefaultFirmwareName;
    const fs::path installed =
        (fs::path(programFolder) / kInstalledDataFolder / texts::kDefaultFirmwareName)
            .lexically_normal();
    std::error_code ignored;
    if (!fs::exists(beside, ignored) && fs::exists(installed, ignored)) return installed.string();
    return beside.string();
}

}  // namespace velmar
