// velmar-fw ports over the real device list: every entry with its device and how it was
// chosen, as text and as JSON, and --port N of a serial command opening the same device.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>
#include <map>
#include <sstream>

#include "platform/qt/qt_serial_devices.h"
#include "tests/cli/cli_runner.h"
#include "tests/files/temp_files.h"

namespace velmar {
namespace {

using testing::contains;
using testing::runVelmarFw;

// The words of `line` after `device`, single-spaced ("" when the device is not in it).
std::string wordsAfter(const std::string& line, const std::string& device) {
    const auto at = line.find(device + " ");
    if (at == std::string::npos) return {};
    std::istringstream rest(line.substr(at + device.size()));
    std::string words, word;
    while (rest >> word) words += (words.empty() ? "" : " ") + word;
    return words;
}

TEST(PortsCommand, ListsEveryEntryAndAgreesWithThePortOption) {
    testing::TempDir dir;
    const std::string config = dir.path("config");
    const std::string present = dir.write("odd\"name", "");  // JSON must escape the quote
    const std::string unplugged = dir.path("unplugged");
    ASSERT_TRUE(
        QtPortAssignmentStore(QString::fromStdString(config) + "/velmar-writer/velmar-writer.ini")
            .save({{7, unplugged}}));
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ::setenv("VELMAR_COM4", present.c_str(), 1);

    const auto text = runVelmarFw({"ports"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    std::istringstream lines(text.out);
    std::string line;
    const std::map<int, std::pair<std::string, std::string>> chosen = {
        {4, {present, "environment connected"}}, {7, {unplugged, "saved not connected"}}};
    for (int port = 1; port <= 16; ++port) {
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line.rfind(QString("COM %1  ").arg(port, 2).toStdString(), 0), 0u) << line;
        if (const auto entry = chosen.find(port); entry != chosen.end()) {
            EXPECT_EQ(wordsAfter(line, entry->second.first), entry->second.second) << line;
        }
    }
    EXPECT_TRUE(contains(text.out, "\nDetected devices no entry uses:"));
    EXPECT_TRUE(contains(text.out, "Saved assignments: " + config)) << text.out;

    const auto json = runVelmarFw({"ports", "--json"});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(json.out.c_str(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out;
    const QJsonArray ports = root["ports"].toArray();
    ASSERT_EQ(ports.size(), 16);
    EXPECT_EQ(ports[3]["device"].toString().toStdString(), present);
    EXPECT_EQ(ports[3]["chosen_by"].toString(), "environment");
    EXPECT_TRUE(ports[3]["present"].toBool());
    EXPECT_EQ(ports[6]["chosen_by"].toString(), "saved");
    EXPECT_FALSE(ports[6]["present"].toBool());
    EXPECT_TRUE(root["unused_devices"].isArray());

    // The saved assignment is what --port 7 opens.
    const auto pin = runVelmarFw({"pin", "--port", "7", "--pin", "1"});
    EXPECT_TRUE(contains(pin.err, unplugged + ": no such device")) << pin.err;

    ::unsetenv("VELMAR_COM4");
    ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace velmar
