// The window tests share one application object. It is made before the first test and
// destroyed after the last, while Qt's own statics still exist: destroying it from a static
// destructor at exit crashes inside Qt.

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "window_fixture.h"

namespace velmar::testing {
namespace {

std::unique_ptr<QApplication> instance;

class QtApplicationEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        instance = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { instance.reset(); }
};

[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace

QApplication& application() {
    return *instance;
}

}  // namespace velmar::testing
