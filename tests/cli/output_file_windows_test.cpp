// dump -o on Windows, where a virus scanner opens a file the moment it is written and holds it
// for a moment without letting it be replaced.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "cli/output_file.h"
#include "files/temp_files.h"
#include "files/win_text.h"

namespace velmar::cli {
namespace {

TEST(OutputFile, AFileHeldForAMomentIsReplacedOnceItIsLetGo) {
    const testing::TempDir dir;
    const std::string image = dir.write("image.bin", "old");
    // As a scanner opens it: reading and writing shared, deleting and renaming not.
    const HANDLE scanner =
        ::CreateFileW(widePath(image).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
    std::thread letGo([scanner] {
        ::Sleep(300);
        ::CloseHandle(scanner);
    });
    const std::optional<OutputFailure> failure = writeOutputFile(image, "new", {});
    letGo.join();
    EXPECT_FALSE(failure) << failure->step << ": " << failure->cause;
    EXPECT_EQ(testing::readFile(image), "new");
}

}  // namespace
}  // namespace velmar::cli
