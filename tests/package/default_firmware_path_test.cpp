// Start-up finds the default firmware beside the program (a build tree) or, failing that, in
// the share folder an install puts it in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/default_firmware_path.h"
#include "tests/files/temp_files.h"

namespace velmar {
namespace {

TEST(DefaultFirmwarePath, BesideTheProgramFirstThenTheInstalledCopy) {
    namespace fs = std::filesystem;
    constexpr const char* kName = "Velmar_150421_01_12.mot";
    struct Case {
        bool beside;
        bool installed;
        bool expectInstalled;
    };
    const Case cases[] = {
        {true, true, false},
        {false, true, true},
        // Neither: the path beside the program, which the load then reports as missing.
        {false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "beside " << c.beside << ", installed " << c.installed);
        testing::TempDir dir;
        const fs::path bin = dir.path("bin");
        const fs::path share = (bin / kInstalledDataFolder).lexically_normal();
        fs::create_directories(bin);
        fs::create_directories(share);
        if (c.beside) std::ofstream(bin / kName) << "S0";
        if (c.installed) std::ofstream(share / kName) << "S0";
        EXPECT_EQ(defaultFirmwarePath(bin.string()),
                  ((c.expectInstalled ? share : bin) / kName).string());
    }
}

}  // namespace
}  // namespace velmar
