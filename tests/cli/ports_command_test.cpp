// velmar-fw ports over the real device list: every entry with its device and how it was
// chosen, as text and as JSON, and --port N of a serial command opening the same device.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

TEST(PortsCommand, ABrokenSettingsFileIsSaidOnceAndNeverHandsABrokenEntryAnotherDevice) {
    testing::TempDir dir;
    const std::string device = dir.write("radio", "");
    struct Case {
        const char* name;
        std::string ini;                    // "" for a FIFO in the file's place
        std::vector<const char*> chosenBy;  // ports 1..3
        const char* notice;
    };
    const std::vector<Case> cases = {
        {"a line without \"=\" loses only its own port",
         "[ports]\nCOM1=" + device + "\nCOM2 " + device + "\n",
         {"saved", "unreadable", "automatic"},
         "has lines that are not settings (among them the entry of COM 2)"},
        {"a value read as a list names no device",
         "[ports]\nCOM3=a, b\n",
         {"automatic", "automatic", "unreadable"},
         "the entry of COM 3"},
        {"a FIFO is never opened for reading",
         "",
         {"unreadable", "unreadable", "unreadable"},
         "not a regular file (a FIFO)"},
        {"a file too large to be settings",
         "[ports]\n" + std::string(70 * 1024, ';'),
         {"unreadable", "unreadable", "unreadable"},
         "larger than 64 KiB"},
    };
    for (const Case& c : cases) {
        const std::string config =
            dir.path(std::string("config-") + std::to_string(&c - &cases[0]));
        std::filesystem::create_directories(config + "/velmar-writer");
        const std::string ini = config + "/velmar-writer/velmar-writer.ini";
        if (c.ini.empty())
            ASSERT_EQ(::mkfifo(ini.c_str(), 0600), 0);
        else
            std::ofstream(ini) << c.ini;
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        const auto json = runVelmarFw({"ports", "--json"});
        EXPECT_EQ(json.exitCode, 0) << c.name << ": " << json.err;
        const QJsonArray ports =
            QJsonDocument::fromJson(json.out.c_str()).object()["ports"].toArray();
        for (std::size_t i = 0; i < c.chosenBy.size(); ++i) {
            EXPECT_EQ(ports[static_cast<qsizetype>(i)]["chosen_by"].toString().toStdString(),
                      c.chosenBy[i])
                << c.name << ": COM " << i + 1;
        }
        EXPECT_TRUE(contains(json.err, c.notice)) << c.name << ": " << json.err;
        EXPECT_EQ(json.err.find("velmar-fw: "), json.err.rfind("velmar-fw: ")) << c.name;
        // A port whose entry is broken refuses before anything is opened.
        const std::string broken = std::to_string(
            std::find(c.chosenBy.begin(), c.chosenBy.end(), std::string("unreadable")) -
            c.chosenBy.begin() + 1);
        const auto pin = runVelmarFw({"pin", "--port", broken, "--pin", "1"});
        EXPECT_EQ(pin.exitCode, 1) << c.name;
        EXPECT_TRUE(contains(pin.err, "port " + broken + " opens nothing")) << c.name << pin.err;
    }
    ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace velmar
