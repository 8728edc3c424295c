// velmar-fw write against velmar-radio over a real pseudo-terminal: the whole production path
// (QSerialPort, the Qt event wait, the link and the steps) with real time-outs.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSerialPort>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "files/firmware_loader.h"
#include "image/blocks.h"
#include "platform/qt/abandoned_qt_lock.h"
#include "protocol/current_loader.h"
#include "records/record_text.h"
#include "wiring/child_process.h"

namespace velmar::wiring {
namespace {

const std::array<const char*, 4> kRewriteMessages = {"Rewriting success!", "Connection failure",
                                                     "Deletion failure", "Writing failure"};

int countRewriteMessages(const std::string& out) {
    int count = 0;
    for (const char* message : kRewriteMessages)
        for (std::size_t at = out.find(message); at != std::string::npos;
             at = out.find(message, at + 1))
            ++count;
    return count;
}

std::string sampleFirmware() {
    const std::string beside = binDir() + "/Velmar_150421_01_12.mot";
    if (std::filesystem::exists(beside)) return beside;
    const char* source = std::getenv("VELMAR_SOURCE_DIR");
    return std::string(source != nullptr ? source : ".") + "/data/Velmar_150421_01_12.mot";
}

class RewriteOverPty : public ::testing::Test {
  protected:
    void SetUp() override { dir_ = makeTempDir(); }
    void TearDown() override {
        radio_.reset();
        std::filesystem::remove_all(dir_);
    }

    std::string path(const char* name) const { return dir_ + "/" + name; }

    // Starts the radio and returns its device path.
    std::string startRadio(const std::vector<std::string>& extra) {
        std::vector<std::string> args = {binDir() + "/velmar-radio", "--dump", path("flash.bin"),
                                         "--log", path("traffic.log")};
        args.insert(args.end(), extra.begin(), extra.end());
        radio_ = std::make_unique<BackgroundProcess>(args, path("radio.err"));
        return radio_->readLine();
    }
    int stopRadio() {
        radio_->signal(SIGTERM);
        return radio_->wait();
    }
    // `fileBlocks` > 0: run in the test's folder on a disk that fills up, each file growing to
    // that many 512-byte blocks at most (an error, not SIGXFSZ, once it is reached).
    ProcessResult write(const std::vector<std::string>& extra, const Environment& env = {},
                        int fileBlocks = 0) {
        std::vector<std::string> args;
        if (fileBlocks > 0)
            args = {"/bin/sh", "-c",
                    "cd \"$0\" && trap '' XFSZ && ulimit -f " + std::to_string(fileBlocks) +
                        " && exec \"$@\"",
                    dir_};
        args.insert(args.end(), {binDir() + "/velmar-fw", "write", sampleFirmware()});
        args.insert(args.end(), extra.begin(), extra.end());
        return runProcess(args, env);
    }

    std::string dir_;
    std::unique_ptr<BackgroundProcess> radio_;
};

TEST_F(RewriteOverPty, FullRewriteLeavesEveryBlockSentInFlash) {
    const std::string device = startRadio({"--link", path("radio-link")});
    ASSERT_FALSE(device.empty());
    const std::string factoryDump = readFile(path("flash.bin"));
    // The window's port number path: COM 3 mapped onto the radio's fixed name.
    const ProcessResult run =
        write({"--port", "3", "--trace", path("trace.txt")}, {{"VELMAR_COM3", path("radio-link")}});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Rewriting success!"), std::string::npos);
    EXPECT_EQ(countRewriteMessages(run.out), 1);

    // SIGUSR1 dumps the flash while the radio keeps running.
    radio_->signal(SIGUSR1);
    bool dumped = false;
    for (int i = 0; i < 1000 && !dumped; ++i) {
        dumped = readFile(path("flash.bin")) != factoryDump;
        if (!dumped) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(dumped);
    ASSERT_EQ(stopRadio(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(path("radio-link"))));

    auto image = std::make_unique<MemoryImage>();
    auto scratch = std::make_unique<MemoryImage>();
    ASSERT_EQ(loadFirmwareFile(sampleFirmware(), *image, *scratch).kind, LoadOutcome::Kind::Loaded);
    const std::array<uint8_t, kImageBytes> expected = image->bytes();
    const std::string flash = readFile(path("flash.bin"));
    ASSERT_EQ(flash.size(), static_cast<std::size_t>(kImageBytes));

    const std::vector<int32_t> blocks = usedBlockRows(*image);
    ASSERT_FALSE(blocks.empty());
    for (int32_t firstRow : blocks) {
        const std::size_t offset = static_cast<std::size_t>((firstRow - kFirstRow) * kColumns);
        for (std::size_t i = 0; i < static_cast<std::size_t>(kBlockRows * kColumns); ++i) {
            ASSERT_EQ(static_cast<uint8_t>(flash[offset + i]), expected[offset + i])
                << "block " << firstRow * 16 << " byte " << i;
        }
    }

    const std::string log = readFile(path("traffic.log"));
    EXPECT_EQ(log.find("WRONG SPEED"), std::string::npos) << log;
    EXPECT_NE(log.find("connect 11 bytes at 9600 baud: C"), std::string::npos) << log;
    EXPECT_NE(log.find("erase 1032 bytes at 38400 baud"), std::string::npos) << log;
    EXPECT_NE(log.find("end 1032 bytes at 38400 baud"), std::string::npos) << log;

    const std::string trace = readFile(path("trace.txt"));
    EXPECT_NE(trace.find("TX 9600 baud 11 bytes"), std::string::npos);
    EXPECT_NE(trace.find("RX 38400 baud 1036 bytes"), std::string::npos);
    EXPECT_NE(trace.find("51 5A 7E 46 4C 41 53 48 55 0D 0A"),
              std::string::npos);  // QZ~FLASHU CR LF
}

struct StepFailureCase {
    const char* name;
    std::vector<std::string> radioArgs;
    const char* message;
    int exitCode;
    const char* explanation;  // in stderr; "" for none expected
    std::vector<std::string> writerArgs = {};
    const char* outPart = "";  // in stdout besides the message
    int fileBlocks = 0;        // the writer's files are limited to this many 512-byte blocks
};

// Test lists and failure reports name the case instead of dumping its bytes.
void PrintTo(const StepFailureCase& c, std::ostream* out) {
    *out << c.name;
}

class StepFailures : public RewriteOverPty,
                     public ::testing::WithParamInterface<StepFailureCase> {};

TEST_P(StepFailures, EndWithOneMessageAndTheStepsExitCode) {
    const StepFailureCase& c = GetParam();
    const std::string device = startRadio(c.radioArgs);
    ASSERT_FALSE(device.empty());
    std::vector<std::string> writerArgs = {"--port", device};
    writerArgs.insert(writerArgs.end(), c.writerArgs.begin(), c.writerArgs.end());
    const ProcessResult run = write(writerArgs, {}, c.fileBlocks);
    EXPECT_FALSE(run.killedByGuard) << "the writer hung";
    EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
    EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
    EXPECT_EQ(countRewriteMessages(run.out), 1) << run.out;
    if (*c.explanation != '\0') {
        EXPECT_NE(run.err.find(c.explanation), std::string::npos) << run.err;
    }
    EXPECT_NE(run.out.find(c.outPart), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    Radio, StepFailures,
    ::testing::Values(
        // One real 2,500 ms wait: the radio never answers the connect.
        StepFailureCase{"Silent", {"--silent-from", "1"}, "Connection failure", 6, "0 of 15"},
        StepFailureCase{"EraseRefusedThrice", {"--fault", "e:2:3"}, "Deletion failure", 7, ""},
        // Output to a pipe lists finished blocks; the one that failed is named too.
        StepFailureCase{"SecondBlockRefusedTwice",
                        {"--fault", "e:4:2"},
                        "Writing failure",
                        8,
                        "",
                        {},
                        "block 4400: not accepted"},
        StepFailureCase{"OneRefusalIsRetried", {"--fault", "e:3"}, "Rewriting success!", 0, ""},
        StepFailureCase{
            "GarbledStatusStillAccepted", {"--fault", "status:5:X"}, "Rewriting success!", 0, ""},
        // Only status "C" lets the rewrite go on; the 1.05 loader's "0" does not.
        StepFailureCase{"LoaderAnswersZero",
                        {"--loader", "1.05"},
                        "Connection failure",
                        6,
                        "the radio answered \"0\"; the 1.06 loader answers \"C\" — is the loader "
                        "version right?"},
        StepFailureCase{
            "ShortConnectCommand", {}, "Rewriting success!", 0, "", {"--loader", "1.05"}},
        // With 1.05 chosen the "0" is no wrong version: the hint must not send them back.
        StepFailureCase{"ChosenLoaderAnswersZero",
                        {"--loader", "1.05"},
                        "Connection failure",
                        6,
                        "the radio answered \"0\"; the rewrite goes on only after \"C\"",
                        {"--loader", "1.05"}},
        // The radio got its firmware, but the trace asked for is lost to a full disk.
        StepFailureCase{"TraceLost",
                        {},
                        "Rewriting success!",
                        4,
                        "the trace trace.txt is incomplete: writing it failed",
                        {"--trace", "trace.txt"},
                        "",
                        8},
        // Two replies 2.7 s late, then silence: the late ones must not count for later blocks.
        StepFailureCase{"LateRepliesThenSilence",
                        {"--fault", "delay:4:2700:2", "--silent-from", "6"},
                        "Writing failure",
                        8,
                        ""},
        // The device disappears under the open port in the middle of the write.
        StepFailureCase{
            "VanishesMidWrite", {"--vanish-at", "6"}, "Writing failure", 8, "went away"}),
    [](const auto& info) { return std::string(info.param.name); });

struct StopCase {
    const char* name;
    int signalNumber;
    const char* fault;  // the reply to `frame` comes late, or not at all
    int frame;          // the signal comes while this frame is in flight
    const char* message;
    const char* report;  // in stderr
};

void PrintTo(const StopCase& c, std::ostream* out) {
    *out << c.name;
}

class StopSignals : public RewriteOverPty, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopSignals, StopAfterTheFrameInFlight) {
    const StopCase& c = GetParam();
    const std::string device = startRadio({"--fault", c.fault});
    ASSERT_FALSE(device.empty());
    std::vector<std::string> args = {binDir() + "/velmar-fw", "write", sampleFirmware(), "--port",
                                     device};
    BackgroundProcess writer(args, path("writer.err"));
    // The radio's log line for the frame says when it has arrived.
    const std::string inFlight = "frame " + std::to_string(c.frame) + " ";
    bool arrived = false;
    for (int i = 0; i < 2000 && !arrived; ++i) {
        arrived = readFile(path("traffic.log")).find(inFlight) != std::string::npos;
        if (!arrived) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(arrived);
    writer.signal(c.signalNumber);
    EXPECT_EQ(writer.wait(std::chrono::seconds{20}), 9);
    std::string out;
    for (std::string line = writer.readLine(); !line.empty(); line = writer.readLine())
        out += line + "\n";
    EXPECT_NE(out.find(c.message), std::string::npos) << out;
    EXPECT_EQ(countRewriteMessages(out), 1) << out;
    const std::string err = readFile(path("writer.err"));
    EXPECT_NE(err.find(c.report), std::string::npos) << err;
    ASSERT_EQ(stopRadio(), 0);
    const std::string log = readFile(path("traffic.log"));
    EXPECT_EQ(log.find("frame " + std::to_string(c.frame + 1) + " "), std::string::npos)
        << "a frame was sent after the stop";
    EXPECT_EQ(log.find(" end "), std::string::npos) << "no end of session after a stop";
}

INSTANTIATE_TEST_SUITE_P(
    Writer, StopSignals,
    ::testing::Values(
        // Frame 5 is the third block.
        StopCase{"CtrlC", SIGINT, "delay:5:1500", 5, "Writing failure",
                 "Stopped by Ctrl-C after 3 of "},
        StopCase{"Term", SIGTERM, "delay:5:1500", 5, "Writing failure", "written: 04000-04BFF"},
        StopCase{"HangUp", SIGHUP, "delay:5:1500", 5, "Writing failure", "Stopped by SIGHUP"},
        // The erase (frame 2) gets no reply: no second attempt follows the stop.
        StopCase{"CtrlCBetweenEraseAttempts", SIGINT, "drop:2:3", 2, "Deletion failure",
                 "Stopped by Ctrl-C during the erase"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RewriteOverPty, AnUnconfirmedEndStillSucceedsWithALineOnStderr) {
    auto image = std::make_unique<MemoryImage>();
    auto scratch = std::make_unique<MemoryImage>();
    ASSERT_EQ(loadFirmwareFile(sampleFirmware(), *image, *scratch).kind, LoadOutcome::Kind::Loaded);
    // Connect, erase, the blocks, then the end of session.
    const std::size_t endFrame = usedBlockRows(*image).size() + 3;
    const std::string device = startRadio({"--silent-from", std::to_string(endFrame)});
    ASSERT_FALSE(device.empty());
    const ProcessResult run = write({"--port", device});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(countRewriteMessages(run.out), 1);
    EXPECT_NE(run.out.find("Rewriting success!"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("the radio did not confirm the end of the session: No reply"),
              std::string::npos)
        << run.err;
}

TEST_F(RewriteOverPty, AnImageWithNothingToSendIsRefusedBeforeConnecting) {
    const std::string device = startRadio({});
    ASSERT_FALSE(device.empty());
    const std::string empty = path("empty.mot");
    std::ofstream(empty) << "S9030000FC\n";
    const ProcessResult run =
        runProcess({binDir() + "/velmar-fw", "write", empty, "--port", device});
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_NE(run.err.find("No firmware data to write"), std::string::npos) << run.err;
    EXPECT_EQ(countRewriteMessages(run.out), 0);
    ASSERT_EQ(stopRadio(), 0);
    EXPECT_EQ(readFile(path("traffic.log")).find("frame"), std::string::npos)
        << "something was sent";
}

// A writer killed while Qt made its lock file leaves the file empty; Qt alone would refuse the
// port for half a minute.
TEST_F(RewriteOverPty, AnEmptyQtLockFileLeftByAKilledWriterDoesNotHoldThePort) {
    ASSERT_FALSE(startRadio({"--link", path("radio-link")}).empty());
    QSerialPort port;
    port.setPortName(QString::fromStdString(path("radio-link")));
    const QByteArray lock = QFile::encodeName(qtLockFilePath(port.portName()));
    ASSERT_FALSE(lock.isEmpty());
    std::ofstream(lock.constData()).close();
    const ProcessResult run = write({"--port", path("radio-link")});
    std::filesystem::remove(lock.constData());
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
}

std::vector<QJsonObject> serviceLogLines(const std::string& path) {
    std::vector<QJsonObject> lines;
    std::istringstream log(readFile(path));
    for (std::string line; std::getline(log, line);)
        lines.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
    return lines;
}

std::string firstWord(const std::string& text) {
    return text.substr(0, text.find_first_of(" \n"));
}

// A rewrite's record goes in as it begins and again as it ends; a refusal is one line. A file
// name that is not UTF-8 keeps its bytes, and the hash is of the bytes loaded.
TEST_F(RewriteOverPty, EveryRewriteIsLoggedAsItBeginsAndEndsAndARefusalOnce) {
    ASSERT_FALSE(startRadio({"--link", path("radio-link")}).empty());
    const Environment env = {{"XDG_STATE_HOME", path("state")},
                             {"VELMAR_COM3", path("radio-link")}};
    const std::string firmware = path("fw_\xff\xfe_\xe9.mot");
    std::filesystem::copy_file(sampleFirmware(), firmware);
    const std::string empty = path("empty.mot");
    std::ofstream(empty) << "S9030000FC\n";
    ASSERT_EQ(runProcess({binDir() + "/velmar-fw", "write", firmware, "--port", "3"}, env).exitCode,
              0);
    ASSERT_EQ(runProcess({binDir() + "/velmar-fw", "write", empty, "--port", path("radio-link"),
                          "--loader", "1.05"},
                         env)
                  .exitCode,
              5);

    auto image = std::make_unique<MemoryImage>();
    auto scratch = std::make_unique<MemoryImage>();
    ASSERT_EQ(loadFirmwareFile(sampleFirmware(), *image, *scratch).kind, LoadOutcome::Kind::Loaded);
    const auto blocks = static_cast<int>(usedBlockRows(*image).size());
    const std::string checksum = firstWord(
        runProcess({binDir() + "/velmar-fw", "checksum", sampleFirmware(), "C000", "FFFF"}).out);
    const std::string sha256 = firstWord(runProcess({"/usr/bin/sha256sum", sampleFirmware()}).out);

    struct Expected {
        std::string file, sha256, checksum;
        QJsonValue port;
        std::string loader;
        QJsonValue result, written;
        int total;
        QJsonValue phase;
    };
    const QJsonValue none(QJsonValue::Null);
    const QJsonValue absent(QJsonValue::Undefined);
    const std::vector<Expected> expected = {
        {firmware, sha256, checksum, 3, "1.06", none, none, blocks, "begin"},
        {firmware, sha256, checksum, 3, "1.06", "Rewriting success!", blocks, blocks, "end"},
        {empty, firstWord(runProcess({"/usr/bin/sha256sum", empty}).out), "3FC000", none, "1.05",
         "No firmware data to write", 0, 0, absent},
    };
    const std::vector<QJsonObject> lines =
        serviceLogLines(path("state") + "/velmar-writer/service.jsonl");
    ASSERT_EQ(lines.size(), expected.size());
    const QRegularExpression utc("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ$");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const QJsonObject& line = lines[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(i);
        EXPECT_TRUE(utc.match(line["time"].toString()).hasMatch())
            << line["time"].toString().toStdString();
        EXPECT_EQ(line["tool"], "velmar-fw");
        EXPECT_EQ(line["operation"], "write");
        EXPECT_EQ(recordBytes(line["file"].toString()), e.file);
        EXPECT_EQ(line["sha256"].toString().toStdString(), e.sha256);
        EXPECT_EQ(line["checksum"].toString().toStdString(), e.checksum);
        EXPECT_EQ(line["port"], e.port);
        EXPECT_EQ(line["device"].toString().toStdString(), path("radio-link"));
        EXPECT_EQ(line["description"], "");  // a pseudo-terminal has no adapter behind it
        EXPECT_FALSE(line.contains("serial"));
        EXPECT_EQ(line["loader"].toString().toStdString(), e.loader);
        EXPECT_EQ(line["result"], e.result);
        EXPECT_EQ(line["blocks_written"], e.written);
        EXPECT_EQ(line["blocks_total"], e.total);
        EXPECT_EQ(line["phase"], e.phase);
    }
    EXPECT_GT(lines[1]["seconds"].toDouble(), 0);
    EXPECT_FALSE(lines[0]["run"].toString().isEmpty());
    EXPECT_EQ(lines[0]["run"], lines[1]["run"]);
    EXPECT_FALSE(lines[2].contains("run"));

    const ProcessResult shown = runProcess({binDir() + "/velmar-fw", "log", "--last", "1"}, env);
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    std::istringstream table(shown.out);
    std::vector<std::string> rows;
    for (std::string row; std::getline(table, row);) rows.push_back(row);
    ASSERT_EQ(rows.size(), 2u) << shown.out;
    EXPECT_EQ(rows[0].rfind("TIME", 0), 0u) << rows[0];
    EXPECT_NE(rows[1].find("No firmware data to write"), std::string::npos) << rows[1];
    EXPECT_NE(rows[1].find(empty), std::string::npos) << rows[1];
}

TEST_F(RewriteOverPty, AServiceLogThatIsAFifoCostsALineAndNeverTheRewrite) {
    const std::string device = startRadio({});
    ASSERT_FALSE(device.empty());
    std::filesystem::create_directories(path("state") + "/velmar-writer");
    const std::string log = path("state") + "/velmar-writer/service.jsonl";
    ASSERT_EQ(::mkfifo(log.c_str(), 0600), 0);
    const ProcessResult run = write({"--port", device}, {{"XDG_STATE_HOME", path("state")}});
    EXPECT_FALSE(run.killedByGuard) << "the writer hung on the log";
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Rewriting success!"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("service log not written: " + log + ": is not a regular file (a FIFO)"),
              std::string::npos)
        << run.err;
}

}  // namespace
}  // namespace velmar::wiring
