// The window tests share one application object. It is made before the first test and
// destroyed after the last, while Qt's own statics still exist: destroying it from a static
// destructor at exit crashes inside Qt.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "window_fixture.h"

namespace velmar::testing {
namespace {

std::unique_ptr<QApplication> instance;
std::unique_ptr<QTemporaryDir> stateFolder;

class QtApplicationEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        static char name[] = "app_tests";
#ifdef _WIN32
        // wine sets %LOCALAPPDATA% itself, so the service log's folder cannot come from the
        // test's environment: the rewrites the tests run stay out of the user's own log here.
        stateFolder = std::make_unique<QTemporaryDir>();
        qputenv("LOCALAPPDATA", stateFolder->path().toUtf8());
        // Nor does QT_QPA_PLATFORM, which under wine was seen not to arrive. The session's end
        // needs Windows' own windows: VELMAR_TEST_PLATFORM=windows.
        static char option[] = "-platform";
        static std::string platform =
            qEnvironmentVariable("VELMAR_TEST_PLATFORM", "offscreen").toStdString();
        static char* argv[] = {name, option, platform.data(), nullptr};
        static int argc = 3;
#else
        static char* argv[] = {name, nullptr};
        static int argc = 1;
#endif
        instance = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override {
        instance.reset();
        stateFolder.reset();
    }
};

[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace

QApplication& application() {
    return *instance;
}

}  // namespace velmar::testing
