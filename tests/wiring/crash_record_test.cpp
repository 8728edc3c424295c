// A rewrite killed with SIGKILL at seeded random points of a real run over a pseudo-terminal,
// by velmar-fw, velmar-fw-serial and a station of two: for every radio it touched the service
// log holds exactly one record of it, which says how it ended or that it was interrupted; the
// lock is free; and the next rewrite succeeds. Prints every point and the record found.
// VELMAR_CRASH_POINTS (default 51) and VELMAR_CRASH_SEED make a longer run
// (bench/crash_record.sh).

#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QSerialPort>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include "files/record_builders.h"
#include "platform/device_lock.h"
#include "platform/qt/abandoned_qt_lock.h"
#include "records/service_log.h"
#include "wiring/child_process.h"
#include "wording/record_words.h"

namespace velmar::wiring {
namespace {

uint64_t envNumber(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

// Few blocks: a whole rewrite takes some tens of milliseconds on an unpaced line.
constexpr int kBlocks = 12;

std::string writeFirmware(const std::string& path) {
    std::ofstream out(path);
    for (int i = 0; i < kBlocks; ++i)
        out << velmar::testing::srec(2, 0x4000 + 0x400 * static_cast<uint32_t>(i),
                                     {static_cast<uint8_t>(i), 0x5A, 0xA5})
            << "\n";
    return path;
}

// A radio's traffic log read as it grows: the kind of each frame it took in.
class TrafficLog {
  public:
    explicit TrafficLog(std::string path) : path_(std::move(path)) {}
    std::vector<std::string> newFrames() {
        std::ifstream in(path_, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(read_));
        std::vector<std::string> kinds;
        for (std::string line; std::getline(in, line) && !in.eof();) {
            read_ += line.size() + 1;
            std::istringstream words(line);
            std::string time, frame, number, kind;
            if (words >> time >> frame >> number >> kind && frame == "frame") kinds.push_back(kind);
        }
        return kinds;
    }

  private:
    std::string path_;
    std::size_t read_ = 0;
};

// The stage a kill aims at: the radio's frame it follows and the most it waits after it.
struct Aim {
    const char* stage;
    int frame;  // 1 the connect, 2 the erase, 3.. the blocks, then the end
    int mostMicroseconds;
};

std::string shownFrames(const std::vector<std::string>& kinds) {
    if (kinds.empty()) return "nothing";
    std::string shown = kinds.back() == "write" ? "write " : kinds.back();
    if (kinds.back() == "write")
        shown += std::to_string(std::count(kinds.begin(), kinds.end(), "write")) + "/" +
                 std::to_string(kBlocks);
    return shown;
}

std::string shownRecord(const ServiceRecord& record) {
    return record.interrupted() ? words::interruptedResult(record.stage) : record.result;
}

// The records of each device, in the order the rewrites began.
std::map<std::string, std::vector<ServiceRecord>> recordsByDevice(const std::string& log) {
    std::map<std::string, std::vector<ServiceRecord>> byDevice;
    for (ServiceRecord& record : readServiceLog(log, 1'000'000).records)
        byDevice[record.device].push_back(std::move(record));
    return byDevice;
}

TEST(CrashRecord, AKillAnywhereLeavesOneRecordPerRadioAFreeLockAndARewriteThatWorks) {
    const uint64_t points = envNumber("VELMAR_CRASH_POINTS", 51);
    const uint64_t seed = envNumber("VELMAR_CRASH_SEED", 20261208);
    std::mt19937_64 random(seed);
    const std::string dir = makeTempDir();
    const Environment env = {{"XDG_STATE_HOME", dir + "/state"}, {"VELMAR_LOCK_DIR", dir}};
    const std::string log = dir + "/state/velmar-writer/service.jsonl";
    ::setenv("VELMAR_LOCK_DIR", dir.c_str(), 1);  // where this test looks for the locks too
    const std::string firmware = writeFirmware(dir + "/fw.mot");
    // The radios drop a frame cut short by the kill before the next rewrite begins.
    BackgroundProcess radio({binDir() + "/velmar-radio", "--count", "2", "--idle-ms", "20",
                             "--link", dir + "/radio", "--log", dir + "/traffic.log"},
                            dir + "/radio.err");
    for (int i = 0; i < 2; ++i) ASSERT_FALSE(radio.readLine().empty());
    const std::vector<std::string> devices = {dir + "/radio1", dir + "/radio2"};
    std::vector<TrafficLog> traffic = {TrafficLog(dir + "/traffic1.log"),
                                       TrafficLog(dir + "/traffic2.log")};

    const std::vector<Aim> aims = {
        {"connect", 1, 6000}, {"erase", 2, 8000}, {"write", 3, 1500}, {"end", kBlocks + 3, 10000}};
    struct Program {
        const char* name;
        std::vector<std::string> argv;
        std::size_t radios;
    };
    const std::vector<Program> programs = {
        {"velmar-fw", {binDir() + "/velmar-fw", "write", firmware, "--port", devices[0]}, 1},
        {"velmar-fw-serial",
         {binDir() + "/velmar-fw-serial", "write", firmware, "--port", devices[0]},
         1},
        {"station",
         {binDir() + "/velmar-fw", "write", firmware, "--port", devices[0], "--port", devices[1]},
         2},
    };

    std::printf("seed %llu, %llu points\n%5s  %-16s  %-7s  %8s  %-10s  %-10s  %s\n",
                static_cast<unsigned long long>(seed), static_cast<unsigned long long>(points),
                "POINT", "PROGRAM", "AIMED", "AFTER_US", "RADIO_1", "RADIO_2", "RECORDS");
    std::map<std::string, int> found;
    for (uint64_t point = 1; point <= points; ++point) {
        const Program& program = programs[point % programs.size()];
        const Aim& aim = aims[random() % aims.size()];
        const int frame = aim.frame + (aim.frame == 3 ? static_cast<int>(random() % kBlocks) : 0);
        const auto after = std::chrono::microseconds(
            static_cast<int64_t>(random() % static_cast<uint64_t>(aim.mostMicroseconds)));
        const auto before = recordsByDevice(log);

        BackgroundProcess writer(program.argv, dir + "/writer.err", env);
        std::vector<std::string> heard[2];
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds{10};
        while (static_cast<int>(heard[0].size()) < frame) {
            const std::vector<std::string> more = traffic[0].newFrames();
            heard[0].insert(heard[0].end(), more.begin(), more.end());
            ASSERT_LT(std::chrono::steady_clock::now(), deadline)
                << program.name << " never reached frame " << frame << "\n"
                << readFile(dir + "/writer.err");
            std::this_thread::sleep_for(std::chrono::microseconds{100});
        }
        std::this_thread::sleep_for(after);
        writer.signal(SIGKILL);
        writer.wait();
        // Long enough for a radio to drop a frame cut short and log it.
        std::this_thread::sleep_for(std::chrono::milliseconds{25});
        std::string shown;
        const auto records = recordsByDevice(log);
        for (std::size_t r = 0; r < 2; ++r) {
            const std::vector<std::string> more = traffic[r].newFrames();
            heard[r].insert(heard[r].end(), more.begin(), more.end());
            if (r >= program.radios) continue;
            const std::string& device = devices[r];
            const std::size_t added =
                records.count(device) == 0
                    ? 0
                    : records.at(device).size() -
                          (before.count(device) == 0 ? 0 : before.at(device).size());
            // A radio that heard nothing may have been begun on or not; one that heard a frame
            // has exactly one record.
            if (heard[r].empty())
                EXPECT_LE(added, 1u) << "point " << point;
            else
                EXPECT_EQ(added, 1u) << "point " << point << " " << device;
            if (added == 1) {
                const ServiceRecord& record = records.at(device).back();
                EXPECT_TRUE(record.interrupted() || !record.result.empty()) << "point " << point;
                shown += (shown.empty() ? "" : "; ") + shownRecord(record);
                ++found[shownRecord(record)];
            }
            EXPECT_TRUE(DeviceLock::acquire(device, "the crash test").held())
                << "point " << point << ": the lock of " << device << " was kept";
        }
        std::printf("%5llu  %-16s  %-7s  %8lld  %-10s  %-10s  %s\n",
                    static_cast<unsigned long long>(point), program.name, aim.stage,
                    static_cast<long long>(after.count()), shownFrames(heard[0]).c_str(),
                    program.radios > 1 ? shownFrames(heard[1]).c_str() : "-", shown.c_str());
        std::fflush(stdout);

        const ProcessResult next = runProcess(program.argv, env);
        ASSERT_EQ(next.exitCode, 0) << "point " << point << ": the next rewrite\n"
                                    << next.out << next.err;
        const auto afterNext = recordsByDevice(log);
        for (std::size_t r = 0; r < program.radios; ++r)
            EXPECT_EQ(afterNext.at(devices[r]).back().result, "Rewriting success!");
        for (TrafficLog& each : traffic) each.newFrames();
    }
    std::printf("records found:");
    for (const auto& [result, count] : found) std::printf("  %s %d", result.c_str(), count);
    std::printf("\n");
    radio.signal(SIGTERM);
    radio.wait();
    // Qt's lock files of the killed writers name processes that are gone: no use to anyone.
    for (const std::string& device : devices) {
        QSerialPort port;
        port.setPortName(QString::fromStdString(device));
        std::filesystem::remove(QFile::encodeName(qtLockFilePath(port.portName())).toStdString());
    }
    ::unsetenv("VELMAR_LOCK_DIR");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace velmar::wiring
