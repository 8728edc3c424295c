// Two names of one file are the same file, different files never are: the check that keeps
// an output from replacing the firmware it was made from. On Windows the C runtime's inode is
// always 0, so every pair of existing files once looked alike.
#include <gtest/gtest.h>

#include <filesystem>

#include "files/file_identity.h"
#include "tests/files/temp_files.h"

namespace velmar {
namespace {

TEST(FileIdentity, NamesOfOneFileMatchAndOthersNever) {
    testing::TempDir dir;
    const std::string firmware = dir.write("fw.mot", "S9030000FC\n");
    const std::string twin = dir.write("twin.mot", "S9030000FC\n");
    std::filesystem::create_hard_link(firmware, dir.path("hard.mot"));
    std::filesystem::create_directories(dir.path("sub"));
    struct Case {
        std::string other;
        bool same;
    };
    const Case cases[] = {
        {firmware, true},
        {dir.path("hard.mot"), true},            // a second hard link
        {dir.path("sub") + "/../fw.mot", true},  // another spelling of the path
        {twin, false},                           // equal bytes, another file
        {dir.path("missing.mot"), false},        // nothing there
        {dir.path("sub"), false},                // a folder
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.other);
        EXPECT_EQ(namesSameFile(firmware, c.other), c.same);
    }
}

}  // namespace
}  // namespace velmar
