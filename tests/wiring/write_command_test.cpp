// velmar-fw write's pieces that need no port: progress text, the byte trace and the naming of
// port-open failures.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/write_command.h"
#include "cli/write_progress.h"
#include "link/byte_trace.h"
#include "platform/qt/serial_open_error.h"
#include "records/record_text.h"
#include "records/service_log.h"

namespace velmar::cli {
namespace {

TEST(ProgressText, DurationsAndBlockRanges) {
    using std::chrono::seconds;
    EXPECT_EQ(formatDuration(seconds{0}), "0:00");
    EXPECT_EQ(formatDuration(seconds{7}), "0:07");
    EXPECT_EQ(formatDuration(seconds{754}), "12:34");
    EXPECT_EQ(formatDuration(seconds{3723}), "1:02:03");
    EXPECT_EQ(formatDuration(seconds{-5}), "0:00");

    EXPECT_EQ(describeBlockRanges({}), "");
    EXPECT_EQ(describeBlockRanges({0x4000}), "04000-043FF");
    EXPECT_EQ(describeBlockRanges({0x4000, 0x4400, 0x4800}), "04000-04BFF");
    EXPECT_EQ(describeBlockRanges({0x4000, 0x4800, 0xDC00, 0x10000, 0x23C00}),
              "04000-043FF, 04800-04BFF, 0DC00-0DFFF, 10000-103FF, 23C00-23FFF");
}

TEST(ProgressText, BarFillsWithThePercent) {
    ProgressFigures f;
    f.address = "A400";
    f.percent = 50;
    f.elapsed = std::chrono::seconds{3};
    f.remaining = std::chrono::seconds{4};
    f.remainingKnown = true;
    EXPECT_EQ(formatProgressLine(f, 10), "[#####.....]  50%  block  A400  0:03 elapsed  0:04 left");
    f.percent = 140;  // never past the end of the bar
    EXPECT_EQ(formatProgressLine(f, 4).substr(0, 11), "[####] 100%");
    f.percent = 0;
    f.remainingKnown = false;
    EXPECT_NE(formatProgressLine(f, 4).find("-:-- left"), std::string::npos);
}

TEST(WriteProgressObserver, EstimatesFromAcceptedBlocksAndPassesTheStopFlag) {
    using Clock = WriteProgress::Clock;
    Clock::time_point now{};
    std::atomic<int> stop = 0;
    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    WriteProgress progress(sink, false, 4, &stop, [&] { return now; });

    progress.setProgressValue(progress.progressValue() + 1);
    progress.showRow(0x400);
    now += std::chrono::seconds{2};
    progress.accepted(0x4000);
    progress.showRow(0x440);
    now += std::chrono::seconds{2};
    progress.accepted(0x4400);
    EXPECT_FLOAT_EQ(progress.progressValue(), 1.0f);
    EXPECT_EQ(progress.acceptedBlocks(), (std::vector<int32_t>{0x4000, 0x4400}));
    EXPECT_FALSE(progress.stopRequested());
    stop = 1;
    EXPECT_TRUE(progress.stopRequested());

    std::rewind(sink);
    char text[256] = {};
    const std::size_t n = std::fread(text, 1, sizeof text - 1, sink);
    std::fclose(sink);
    EXPECT_EQ(std::string(text, n),
              "block 4000: 25%, 0:02 elapsed\nblock 4400: 50%, 0:04 elapsed\n");
}

TEST(ByteTraceListing, TimestampsDirectionSpeedHexAsciiAndLineErrors) {
    using Clock = ByteTrace::Clock;
    Clock::time_point now{};
    std::ostringstream out;
    ByteTrace trace(out, [&] { return now; });
    now += std::chrono::microseconds{1'234'567};
    const std::string command = "QZ~FLASHU\r\n";
    trace.sent(std::span(reinterpret_cast<const uint8_t*>(command.data()), command.size()), 9600);
    std::vector<uint8_t> reply(17);
    for (std::size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<uint8_t>(0x40 + i);
    reply[16] = 0x7F;
    trace.received(reply, 38400);
    trace.note("erase");
    trace.lineErrors({.framing = true, .overrun = true});
    EXPECT_EQ(out.str(),
              "+1.234567 TX 9600 baud 11 bytes\n"
              "  0000  51 5A 7E 46 4C 41 53 48 55 0D 0A                 QZ~FLASHU..\n"
              "+1.234567 RX 38400 baud 17 bytes\n"
              "  0000  40 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F  @ABCDEFGHIJKLMNO\n"
              "  0010  7F                                               .\n"
              "+1.234567 -- erase\n"
              "+1.234567 -- line errors: framing (a byte without its stop bit), overrun (a byte "
              "lost)\n");
}

// The log as an append leaves it, beside a file size limit that cuts the line short.
TEST(ServiceLogAppend, ARecordStartsOnItsOwnLineAndAFailedOneLeavesTheLogAsItWas) {
    ServiceRecord record;
    record.tool = "velmar-fw";
    record.result = "Rewriting success!";
    const std::string line = toJsonLine(record);
    struct Case {
        const char* name;
        std::string before;
        bool cutShort;  // the disk fills up in the middle of the line
        std::string after;
    };
    const std::vector<Case> cases = {
        {"after a whole line", "{}\n", false, "{}\n" + line},
        {"after a line cut short", "{\"time\":\"20", false, "{\"time\":\"20\n" + line},
        {"disk full", "{}\n", true, "{}\n"},
    };
    const std::string path =
        (std::filesystem::temp_directory_path() / ("velmar_log_" + std::to_string(::getpid())))
            .string();
    for (const Case& c : cases) {
        std::ofstream(path, std::ios::binary) << c.before;
        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        if (c.cutShort) {
            rlimit limit = saved;
            limit.rlim_cur = c.before.size() + 5;
            ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        }
        const std::string problem = appendServiceRecord(record, path);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldSignal);
        EXPECT_EQ(problem.empty(), !c.cutShort) << c.name << ": " << problem;
        std::ifstream in(path, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), c.after) << c.name;
    }
    std::filesystem::remove(path);
}

// A name is kept as the system gave it: a byte that is not part of UTF-8 goes into the JSON
// as the lone surrogate \udcHH (Python's surrogateescape) and comes back as that byte, while the
// line stays UTF-8 that jq reads.
TEST(ServiceLogNames, ComeBackByteForByteFromALineThatStaysUtf8) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"fw_\xff\xfe_\xe9.mot", R"(fw_\udcff\udcfe_\udce9.mot)"},
        {"/bench/\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80.mot",
         "/bench/\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80.mot"},
        // Overlong, an encoded surrogate, cut short, beyond U+10FFFF.
        {"\xc0\xaf \xed\xa0\x80 \xe6\x97 \xf4\x90\x80\x80",
         R"(\udcc0\udcaf \udced\udca0\udc80 \udce6\udc97 \udcf4\udc90\udc80\udc80)"},
    };
    for (const auto& [name, inJson] : cases) {
        ServiceRecord record;
        record.file = name;
        record.device = name;
        const std::string line = toJsonLine(record);
        EXPECT_NE(line.find("\"file\":\"" + inJson + "\""), std::string::npos) << line;
        for (std::size_t at = 0; at < line.size(); at += utf8SequenceLength(line, at))
            ASSERT_NE(utf8SequenceLength(line, at), 0u) << line;
        const std::optional<ServiceRecord> back = fromJsonLine(line);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->file, name);
        EXPECT_EQ(back->device, name);
    }
}

struct OpenErrorCase {
    const char* name;
    QSerialPort::SerialPortError error;
    DeviceAccess access;
    const char* message;
    SerialFault expected;
};

TEST(OpenErrorNaming, SeparatesMissingForbiddenAndBusy) {
    const std::vector<OpenErrorCase> cases = {
        {"path missing",
         QSerialPort::PermissionError,
         {false, false},
         "Permission denied",
         SerialFault::NoSuchDevice},
        {"not found",
         QSerialPort::DeviceNotFoundError,
         {true, true},
         "No such file",
         SerialFault::NoSuchDevice},
        {"not ours",
         QSerialPort::PermissionError,
         {true, false},
         "Permission denied",
         SerialFault::PermissionDenied},
        {"lock held",
         QSerialPort::PermissionError,
         {true, true},
         "Permission error while locking the device",
         SerialFault::Busy},
        {"EBUSY",
         QSerialPort::PermissionError,
         {true, true},
         "Device or resource busy",
         SerialFault::Busy},
        {"held here",
         QSerialPort::OpenError,
         {true, true},
         "Device is already open",
         SerialFault::Busy},
        {"no hardware",
         QSerialPort::ResourceError,
         {true, true},
         "Input/output error",
         SerialFault::NoSuchDevice},
        {"other",
         QSerialPort::UnknownError,
         {true, true},
         "Inappropriate ioctl",
         SerialFault::Other},
    };
    for (const OpenErrorCase& c : cases)
        EXPECT_EQ(classifyOpenError(c.error, c.access, c.message), c.expected) << c.name;
}

}  // namespace
}  // namespace velmar::cli
