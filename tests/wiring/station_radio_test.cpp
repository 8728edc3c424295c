// One velmar-radio process serving three radios, with a fault aimed at the second: each
// device rewrites on its own, and the aimed fault spoils only its radio.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <thread>

#include "files/firmware_loader.h"
#include "image/blocks.h"
#include "protocol/current_loader.h"
#include "wiring/child_process.h"

namespace velmar::wiring {
namespace {

std::string sampleFirmware() {
    const std::string beside = binDir() + "/Velmar_150421_01_12.mot";
    if (std::filesystem::exists(beside)) return beside;
    const char* source = std::getenv("VELMAR_SOURCE_DIR");
    return std::string(source != nullptr ? source : ".") + "/data/Velmar_150421_01_12.mot";
}

// The flash dump at `path` holds every block the sample firmware sends.
void expectFlashHoldsSample(const std::string& path) {
    auto image = std::make_unique<MemoryImage>();
    auto scratch = std::make_unique<MemoryImage>();
    ASSERT_EQ(loadFirmwareFile(sampleFirmware(), *image, *scratch).kind, LoadOutcome::Kind::Loaded);
    const std::array<uint8_t, kImageBytes> expected = image->bytes();
    const std::string flash = readFile(path);
    ASSERT_EQ(flash.size(), static_cast<std::size_t>(kImageBytes)) << path;
    for (int32_t firstRow : usedBlockRows(*image)) {
        const std::size_t offset = static_cast<std::size_t>((firstRow - kFirstRow) * kColumns);
        for (std::size_t i = 0; i < static_cast<std::size_t>(kBlockRows * kColumns); ++i)
            ASSERT_EQ(static_cast<uint8_t>(flash[offset + i]), expected[offset + i])
                << path << " block " << firstRow * 16 << " byte " << i;
    }
}

TEST(StationRadio, AFaultAimedAtOneRadioSpoilsThatRadioAlone) {
    const std::string dir = makeTempDir();
    BackgroundProcess radio(
        {binDir() + "/velmar-radio", "--count", "3", "--link", dir + "/radio", "--dump",
         dir + "/flash.bin", "--log", dir + "/traffic.log", "--radio", "2", "--fault", "e:2:3"},
        dir + "/radio.err");
    std::vector<std::string> devices;
    for (int i = 0; i < 3; ++i) devices.push_back(radio.readLine());
    for (const std::string& device : devices) ASSERT_FALSE(device.empty());
    EXPECT_NE(devices[0], devices[1]);
    ASSERT_EQ(std::filesystem::read_symlink(dir + "/radio2"), devices[1]);
    const std::string factory = readFile(dir + "/flash2.bin");
    ASSERT_EQ(factory.size(), static_cast<std::size_t>(kImageBytes));

    const auto write = [&](const std::string& port) {
        return runProcess({binDir() + "/velmar-fw", "write", sampleFirmware(), "--port", port});
    };
    const ProcessResult first = write(dir + "/radio1");
    EXPECT_EQ(first.exitCode, 0) << first.out << first.err;
    EXPECT_NE(first.out.find("Rewriting success!"), std::string::npos) << first.out;
    const ProcessResult second = write(dir + "/radio2");
    EXPECT_EQ(second.exitCode, 7) << second.out << second.err;
    EXPECT_NE(second.out.find("Deletion failure"), std::string::npos) << second.out;

    radio.signal(SIGTERM);
    ASSERT_EQ(radio.wait(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir + "/radio1")));

    expectFlashHoldsSample(dir + "/flash1.bin");
    EXPECT_TRUE(readFile(dir + "/flash2.bin") == factory) << "the refused erase changed the flash";
    EXPECT_EQ(readFile(dir + "/traffic3.log"), "") << "radio 3 heard another radio's frames";
    std::filesystem::remove_all(dir);
}

TEST(Station, OneRadioFailingItsEraseLeavesTheOthersWritten) {
    const std::string dir = makeTempDir();
    BackgroundProcess radio({binDir() + "/velmar-radio", "--count", "3", "--link", dir + "/r",
                             "--dump", dir + "/flash.bin", "--radio", "2", "--fault", "e:2:3"},
                            dir + "/radio.err");
    for (int i = 0; i < 3; ++i) ASSERT_FALSE(radio.readLine().empty());
    const ProcessResult station =
        runProcess({binDir() + "/velmar-fw", "write", sampleFirmware(), "--port", dir + "/r1",
                    "--port", dir + "/r2", "--port", dir + "/r3", "--report", dir + "/report.json"},
                   {{"XDG_STATE_HOME", dir + "/state"}});
    EXPECT_EQ(station.exitCode, 12) << station.out << station.err;
    radio.signal(SIGTERM);
    ASSERT_EQ(radio.wait(), 0);

    // The summary: one line per port, in the order given.
    const std::size_t summary = station.out.find("SECONDS  BLOCKS");
    ASSERT_NE(summary, std::string::npos) << station.out;
    const std::string table = station.out.substr(summary);
    const std::string ports[] = {dir + "/r1", dir + "/r2", dir + "/r3"};
    const std::string results[] = {"Rewriting success!", "Deletion failure", "Rewriting success!"};
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        at = table.find("\n" + ports[i] + " ", at);
        ASSERT_NE(at, std::string::npos) << table;
        const std::string line = table.substr(at + 1, table.find('\n', at + 1) - at - 1);
        EXPECT_NE(line.find(results[i]), std::string::npos) << line;
        EXPECT_TRUE(line.ends_with(i == 1 ? " 0" : " 112")) << line;
        ++at;
    }

    const QJsonArray report =
        QJsonDocument::fromJson(QByteArray::fromStdString(readFile(dir + "/report.json"))).array();
    ASSERT_EQ(report.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QJsonObject port = report[i].toObject();
        EXPECT_EQ(port["device"].toString().toStdString(), ports[i]);
        EXPECT_EQ(port["result"].toString().toStdString(), results[i]);
        EXPECT_EQ(port["blocks_written"].toInt(), i == 1 ? 0 : port["blocks_total"].toInt());
        EXPECT_EQ(port["tool"].toString(), "velmar-fw");
    }
    const std::string log = readFile(dir + "/state/velmar-writer/service.jsonl");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 6)
        << "each port's record as it began and as it ended";
    expectFlashHoldsSample(dir + "/flash1.bin");
    expectFlashHoldsSample(dir + "/flash3.bin");
    std::filesystem::remove_all(dir);
}

// A pseudo-terminal's device, as a serial port or the user's terminal would be.
std::string terminalDevice(int& master) {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return "";
    return ::ptsname(master);
}

// Nothing is opened or sent, and the firmware stays as it was.
TEST(Station, NamesThatMayNotBeUsedAreRefusedBeforeAnythingOpens) {
    const std::string dir = makeTempDir();
    { std::ofstream(dir + "/device") << ""; }
    std::filesystem::create_symlink(dir + "/device", dir + "/alias");
    const std::string firmware = dir + "/fw.mot";
    std::filesystem::copy_file(sampleFirmware(), firmware);
    std::filesystem::create_symlink(firmware, dir + "/fw-link");
    ASSERT_EQ(::mkfifo((dir + "/fifo").c_str(), 0600), 0);
    int master = -1;
    const std::string terminal = terminalDevice(master);
    ASSERT_FALSE(terminal.empty());
    // velmar-writer takes its default firmware from its own folder.
    const std::string writer = dir + "/bin/velmar-writer";
    std::filesystem::create_directory(dir + "/bin");
    std::filesystem::copy_file(binDir() + "/velmar-writer", writer);
    std::filesystem::permissions(writer, std::filesystem::perms::owner_all);
    const std::string writersFirmware = dir + "/bin/Velmar_150421_01_12.mot";
    std::filesystem::copy_file(sampleFirmware(), writersFirmware);

    // The user's own files, which no output may replace by any name.
    const std::string log = dir + "/state/velmar-writer/service.jsonl";
    const std::string settings = dir + "/config/velmar-writer/velmar-writer.ini";
    std::filesystem::create_directories(dir + "/state/velmar-writer");
    std::filesystem::create_directories(dir + "/config/velmar-writer");
    { std::ofstream(log) << "{\"result\":\"Rewriting success!\"}\n"; }
    { std::ofstream(settings) << "[ports]\n"; }
    std::filesystem::create_symlink(log, dir + "/log-link");
    const std::string logBefore = readFile(log);
    const std::string settingsBefore = readFile(settings);

    const std::string fw = binDir() + "/velmar-fw";
    const std::vector<std::string> station = {
        fw, "write", firmware, "--port", dir + "/device", "--port", dir + "/other"};
    const std::vector<std::string> onePort = {fw, "write", firmware, "--port", dir + "/device"};
    const auto with = [](std::vector<std::string> args, std::vector<std::string> more) {
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    struct Case {
        std::vector<std::string> argv;
        std::string errPart;
    };
    std::vector<Case> cases = {
        {{fw, "write", sampleFirmware(), "--port", dir + "/device", "--port", dir + "/alias"},
         "name the same device"},
        {with(station, {"--report", log}), "the report " + log + " is the service log"},
        {with(station, {"--report", dir + "/log-link"}), "is the service log"},
        {with(onePort, {"--trace", settings}), "the trace " + settings + " is the settings file"},
        {with(onePort, {"--report", dir + "/out", "--trace", dir + "/./out"}), "name one file"},
        {with(station, {"--report", dir + "/absent/r.json"}),
         "cannot be written (creating a file in " + dir + "/absent: No such file or directory)"},
        {{writer, "--trace", log}, "is the service log"},
        {with(station, {"--report", firmware}),
         "the report " + firmware + " is the firmware file itself"},
        {with(station, {"--report", dir + "/fw-link"}), "is the firmware file itself"},
        {with(station, {"--report", dir + "/fifo"}), "is not a regular file (a FIFO)"},
        {with(station, {"--report", terminal}), "is not a regular file (a device)"},
        {{fw, "write", firmware, "--port", dir + "/device", "--trace", dir + "/fw-link"},
         "the trace " + dir + "/fw-link is the firmware file itself"},
        {{fw, "write", firmware, "--port", dir + "/device", "--trace", dir + "/fifo"},
         "is not a regular file (a FIFO)"},
        {{fw, "write", firmware, "--port", dir + "/device", "--trace", terminal},
         "is not a regular file (a device)"},
        {{writer, "--trace", writersFirmware}, "is the firmware file itself"},
        {{writer, "--trace", dir + "/fifo"}, "is not a regular file (a FIFO)"},
    };
    // A second node of the terminal's device, and links another user made in a sticky folder
    // every user may write (root alone can make them here).
    if (::mknod((dir + "/node").c_str(), S_IFCHR | 0600, [&] {
            struct stat status {};
            ::stat(terminal.c_str(), &status);
            return status.st_rdev;
        }()) == 0)
        cases.push_back({{fw, "write", firmware, "--port", terminal, "--port", dir + "/node"},
                         "name the same device"});
    std::filesystem::create_directory(dir + "/shared");
    ::chmod((dir + "/shared").c_str(), 01777);
    std::filesystem::create_symlink(firmware + "-not", dir + "/shared/trap");
    if (::lchown((dir + "/shared/trap").c_str(), 4321, 4321) == 0) {
        cases.push_back({with(station, {"--report", dir + "/shared/trap"}),
                         "symbolic link that another user made"});
        cases.push_back({with(onePort, {"--trace", dir + "/shared/trap"}),
                         "symbolic link that another user made"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argv.back());
        const ProcessResult run = runProcess(c.argv,
                                             {{"QT_QPA_PLATFORM", "offscreen"},
                                              {"XDG_STATE_HOME", dir + "/state"},
                                              {"XDG_CONFIG_HOME", dir + "/config"}},
                                             std::chrono::seconds{20});
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_NE(run.err.find(c.errPart), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(readFile(firmware), readFile(sampleFirmware()));
    EXPECT_EQ(readFile(writersFirmware), readFile(sampleFirmware()));
    EXPECT_EQ(readFile(dir + "/device"), "");
    EXPECT_EQ(readFile(log), logBefore);
    EXPECT_EQ(readFile(settings), settingsBefore);
    EXPECT_FALSE(std::filesystem::exists(firmware + "-not"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/out"));
    ::close(master);
    std::filesystem::remove_all(dir);
}

// A second Ctrl-C quits at once, and first appends what each port's record knows, in the log
// and in the report.
TEST(Station, CtrlCStopsEveryPortAfterItsFrameAndASecondQuitsAtOnceWithTheRecords) {
    for (const bool twice : {false, true}) {
        SCOPED_TRACE(twice ? "twice" : "once");
        const std::string dir = makeTempDir();
        // The first block's reply comes late: both ports have it in flight when stopped.
        BackgroundProcess radio(
            {binDir() + "/velmar-radio", "--count", "2", "--fault", "delay:3:2000", "--link",
             dir + "/p", "--log", dir + "/traffic.log"},
            dir + "/radio.err");
        for (int i = 0; i < 2; ++i) ASSERT_FALSE(radio.readLine().empty());
        const std::string report = dir + "/report.json";
        const Environment env = {{"XDG_STATE_HOME", dir + "/state"}};
        BackgroundProcess station({binDir() + "/velmar-fw", "write", sampleFirmware(), "--port",
                                   dir + "/p1", "--port", dir + "/p2", "--report", report},
                                  dir + "/station.err", env);
        // Stopped once both ports are writing.
        int writing = 0;
        while (writing < 2) {
            const std::string line = station.readLine();
            ASSERT_FALSE(line.empty()) << readFile(dir + "/station.err");
            if (line.ends_with(": write")) {
                // Each event line on a pipe starts with its local time.
                EXPECT_TRUE(std::regex_match(line.substr(0, 9), std::regex(R"(\d\d:\d\d:\d\d )")) &&
                            line.substr(9).starts_with(dir))
                    << line;
                ++writing;
            }
        }
        for (const char* log : {"/traffic1.log", "/traffic2.log"})
            for (int i = 0; i < 2000 && readFile(dir + log).find("frame 3 ") == std::string::npos;
                 ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        station.signal(SIGINT);
        if (twice) {
            // The stop waits for the frame in flight; the second signal does not.
            std::this_thread::sleep_for(std::chrono::milliseconds{50});
            station.signal(SIGINT);
        }
        EXPECT_EQ(station.wait(), twice ? -1 : 9) << readFile(dir + "/station.err");
        std::string events;
        for (std::string line = station.readLine(); !line.empty(); line = station.readLine())
            events += line + "\n";
        const QJsonArray ports =
            QJsonDocument::fromJson(QByteArray::fromStdString(readFile(report))).array();
        ASSERT_EQ(ports.size(), 2) << readFile(report);
        for (int i = 0; i < 2; ++i) {
            const std::string port = dir + "/p" + std::to_string(i + 1);
            const QJsonObject record = ports[i].toObject();
            EXPECT_EQ(record["device"].toString().toStdString(), port);
            if (twice) {
                EXPECT_TRUE(record["result"].isNull()) << port;
                EXPECT_EQ(record["stage"], "write") << port;
                EXPECT_TRUE(record["blocks_written"].isDouble()) << port << ": known, unlike "
                                                                 << "a record that only began";
            } else {
                // Each port's event lines end with its result.
                EXPECT_NE(events.find(port + ": Writing failure (stopped)\n"), std::string::npos)
                    << events;
                EXPECT_EQ(record["result"], "Writing failure") << port;
            }
        }
        const ProcessResult shown = runProcess({binDir() + "/velmar-fw", "log"}, env);
        const std::string shownResult = twice ? "Interrupted during the write" : "Writing failure";
        std::size_t shownPorts = 0;
        for (std::size_t at = shown.out.find(shownResult); at != std::string::npos;
             at = shown.out.find(shownResult, at + 1))
            ++shownPorts;
        EXPECT_EQ(shownPorts, 2u) << shown.out;
        radio.signal(SIGTERM);
        radio.wait();
        std::filesystem::remove_all(dir);
    }
}

}  // namespace
}  // namespace velmar::wiring
