#include "app/default_firmware_path.h"

#include <filesystem>

#include "app/window_texts.h"
#include "files/utf8_path.h"

namespace velmar {

const char* const kInstalledDataFolder = VELMAR_BIN_TO_DATADIR;

namespace fs = std::filesystem;

std::string defaultFirmwarePath(const std::string& programFolder) {
    // The system's own separators, as the name is shown: C:\...\Velmar_150421_01_12.mot.
    const fs::path folder = utf8Path(programFolder).make_preferred();
    const fs::path beside = folder / texts::kDefaultFirmwareName;
    const fs::path installed =
        (folder / kInstalledDataFolder / texts::kDefaultFirmwareName).lexically_normal();
    std::error_code ignored;
    if (!fs::exists(beside, ignored) && fs::exists(installed, ignored)) return pathText(installed);
    return pathText(beside);
}

}  // namespace velmar
