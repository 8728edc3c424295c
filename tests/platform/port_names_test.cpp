// Which device each numbered port opens: environment over saved over automatic, and the
// automatic order over fake device lists.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/port_names.h"

#ifdef _WIN32
// Windows has _putenv_s, where an empty value removes the variable.
static int setenv(const char* name, const char* value, int) {
    return _putenv_s(name, value);
}
static int unsetenv(const char* name) {
    return _putenv_s(name, "");
}
#endif

namespace velmar {
namespace {

SerialDeviceInfo usb(const std::string& node, const std::string& byId = "",
                     const std::string& serial = "") {
    SerialDeviceInfo device{"/dev/" + node,
                            byId.empty() ? "" : "/dev/serial/by-id/" + byId,
                            "FT232R USB UART",
                            "FTDI",
                            serial,
                            0x0403,
                            0x6001,
                            DeviceKind::UsbAdapter,
                            std::nullopt};
    return device;
}

SerialDeviceInfo uart(const std::string& node) {
    return {"/dev/" + node, "", "", "", "", {}, {}, DeviceKind::BuiltIn, std::nullopt};
}

SavedState broken(SavedFault fault, std::vector<int16_t> ports = {}) {
    SavedState state;
    state.fault = fault;
    state.unreadablePorts = std::move(ports);
    return state;
}

// "device source present" per port, "-" for an entry with nothing to open.
std::string shown(const ResolvedPort& port) {
    return (port.device.empty() ? "-" : port.device) + " " + portSourceName(port.source) +
           (port.present ? " +" : " -");
}

TEST(PortMapping, EnvironmentOverSavedOverAutomatic) {
    struct Case {
        const char* name;
        std::map<int16_t, std::string> environment;
        PortAssignments saved;
        std::vector<SerialDeviceInfo> devices;
        bool automaticByNumber;
        std::vector<std::string> expected;  // ports 1.. as shown()
        SavedState state = {};
    };
    const std::string a = "/dev/serial/by-id/usb-FTDI_A";
    const std::string gone = "/dev/serial/by-id/usb-FTDI_GONE";
    const Case cases[] = {
        {"no device: automatic entries open nothing", {}, {}, {}, false, {"- automatic -"}},
        {"one adapter takes COM 1",
         {},
         {},
         {usb("ttyUSB0", "usb-FTDI_A")},
         false,
         {"/dev/ttyUSB0 automatic +", "- automatic -"}},
        {"adapters first, then built-in ports in natural order, whatever the plugging order",
         {},
         {},
         {uart("ttyS10"), uart("ttyS2"), usb("ttyACM0"), usb("ttyUSB0", "usb-FTDI_Z", "Z"),
          usb("ttyUSB1", "usb-FTDI_B", "B")},
         false,
         {"/dev/ttyUSB1 automatic +", "/dev/ttyUSB0 automatic +", "/dev/ttyACM0 automatic +",
          "/dev/ttyS2 automatic +", "/dev/ttyS10 automatic +", "- automatic -"}},
        {"two adapters with the same description each get an entry",
         {},
         {{2, "/dev/serial/by-id/usb-FTDI_2"}},
         {usb("ttyUSB0", "usb-FTDI_2", "2"), usb("ttyUSB1", "usb-FTDI_1", "1")},
         false,
         {"/dev/ttyUSB1 automatic +", "/dev/serial/by-id/usb-FTDI_2 saved +", "- automatic -"}},
        {"the environment outranks a saved device, which automatic then skips",
         {{1, "/dev/pts/7"}},
         {{1, a}, {2, a}},
         {usb("ttyUSB0", "usb-FTDI_A"), uart("ttyS0")},
         false,
         {"/dev/pts/7 environment -", a + " saved +", "/dev/ttyS0 automatic +"}},
        {"a saved adapter that is unplugged keeps its entry, marked absent",
         {},
         {{1, gone}},
         {usb("ttyUSB0", "usb-FTDI_A")},
         false,
         {gone + " saved -", "/dev/ttyUSB0 automatic +"}},
        {"a saved plain path finds the device behind it",
         {},
         {{3, "/dev/ttyUSB0"}},
         {usb("ttyUSB0", "usb-FTDI_A"), usb("ttyUSB1")},
         false,
         {"/dev/ttyUSB1 automatic +", "- automatic -", "/dev/ttyUSB0 saved +"}},
        {"Windows names: automatic COM n is COMn, present when listed",
         {},
         {},
         {{"COM2", "", "USB Serial Port", "", "", {}, {}, DeviceKind::UsbAdapter, std::nullopt}},
         true,
         {"COM1 automatic -", "COM2 automatic +"}},
        {"a broken saved entry opens nothing, and no other entry gets its device",
         {},
         {{1, a}},
         {usb("ttyUSB0", "usb-FTDI_A"), uart("ttyS0")},
         false,
         {a + " saved +", "- unreadable -", "/dev/ttyS0 automatic +"},
         broken(SavedFault::Malformed, {2})},
        {"settings that could not be read at all leave only the environment",
         {{2, "/dev/pts/7"}},
         {},
         {uart("ttyS0")},
         false,
         {"- unreadable -", "/dev/pts/7 environment -"},
         broken(SavedFault::CannotRead)},
    };
    for (const Case& c : cases) {
        PortInputs inputs;
        inputs.environment = [&](int16_t port) {
            const auto found = c.environment.find(port);
            return found == c.environment.end() ? std::string() : found->second;
        };
        inputs.saved = c.saved;
        inputs.savedState = c.state;
        inputs.devices = c.devices;
        inputs.exists = [](const std::string&) { return false; };
        inputs.automaticByNumber = c.automaticByNumber;
        const auto ports = resolvePorts(inputs, static_cast<int16_t>(c.expected.size()));
        std::vector<std::string> got;
        for (const ResolvedPort& port : ports) got.push_back(shown(port));
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

TEST(PortMapping, DevicesBeyondTheEntriesAreUnused) {
    PortInputs inputs;
    inputs.devices = {uart("ttyS1"), usb("ttyUSB0")};
    const auto ports = resolvePorts(inputs, 1);
    ASSERT_EQ(ports[0].device, "/dev/ttyUSB0");
    const auto unused = unusedDevices(ports, inputs.devices);
    ASSERT_EQ(unused.size(), 1u);
    EXPECT_EQ(unused[0].path, "/dev/ttyS1");
}

TEST(PortMapping, EveryCountUpToTheLargestPortNumberResolves) {
    PortInputs inputs;
    inputs.environment = [](int16_t port) { return port == INT16_MAX ? "/dev/last" : ""; };
    const auto ports = resolvePorts(inputs, INT16_MAX);
    ASSERT_EQ(ports.size(), static_cast<std::size_t>(INT16_MAX));
    EXPECT_EQ(ports.back().port, INT16_MAX);
    EXPECT_EQ(ports.back().device, "/dev/last");
}

TEST(PortMapping, TheEnvironmentNamesPortsFromOne) {
    ::setenv("VELMAR_COM3", "/dev/ttyUSB0", 1);
    ::setenv("VELMAR_COM4", "", 1);  // empty means unset
    EXPECT_EQ(environmentPortDevice(3), "/dev/ttyUSB0");
    EXPECT_EQ(environmentPortDevice(4), "");
    EXPECT_EQ(environmentPortDevice(0), "");
    ::unsetenv("VELMAR_COM3");
    ::unsetenv("VELMAR_COM4");
}

TEST(PortMapping, OneDeviceListServesEveryLookupUntilARefresh) {
#ifdef _WIN32
    GTEST_SKIP() << "automatic ports are COMn on Windows: no device list to keep";
#endif
    struct CountingSource final : SerialDeviceSource {
        std::vector<SerialDeviceInfo> devices() const override {
            ++scans;
            return list;
        }
        std::vector<SerialDeviceInfo> list{usb("ttyUSB0")};
        mutable int scans = 0;
    } source;
    struct NothingSaved final : PortAssignmentStore {
        PortAssignments load() const override { return {}; }
        bool save(const PortAssignments&) override { return false; }
    } store;
    PortDirectory directory(source, store);
    EXPECT_EQ(directory.deviceFor(1), "/dev/ttyUSB0");
    source.list = {usb("ttyUSB1")};  // plugged in later: unseen until a refresh
    EXPECT_EQ(directory.resolve()[0].device, "/dev/ttyUSB0");
    EXPECT_EQ(directory.devices().size(), 1u);
    EXPECT_EQ(source.scans, 1);
    directory.refresh();
    EXPECT_EQ(directory.deviceFor(1), "/dev/ttyUSB1");
    EXPECT_EQ(source.scans, 2);
}

}  // namespace
}  // namespace velmar
