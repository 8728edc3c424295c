#include "web/web_serial_control.h"

#include <emscripten.h>

#include <cstdlib>

namespace velmar::web {

namespace {

// The port glue answers with these numbers; 0 is success.
enum GlueFault {
    kGlueNone = 0,
    kGlueNoPort = 1,
    kGlueBusy = 2,
    kGlueRemoved = 3,
    kGlueSettings = 4,
    kGlueOther = 5,
};

SerialFault faultOf(int glue) {
    switch (glue) {
        case kGlueNoPort:
            return SerialFault::NoSuchDevice;
        case kGlueBusy:
            return SerialFault::Busy;
        case kGlueRemoved:
            return SerialFault::DeviceRemoved;
        case kGlueSettings:
            return SerialFault::BadSettings;
        default:
            return SerialFault::Other;
    }
}

const char* parityName(char parity) {
    switch (parity) {
        case 'n':
            return "none";
        case 'e':
            return "even";
        case 'o':
            return "odd";
        default:
            return nullptr;  // mark and space parity: Web Serial has neither
    }
}

}  // namespace

// clang-format off
EM_ASYNC_JS(int, glue_open, (int baud, int dataBits, int stopBits, const char* parity), {
    return await Module.serialPort.open({baudRate: baud, dataBits: dataBits, stopBits: stopBits,
                                         parity: UTF8ToString(parity), flowControl: "none"});
});
EM_ASYNC_JS(void, glue_close, (), { await Module.serialPort.close(); });
EM_JS(int, glue_write, (const uint8_t* bytes, int length), {
    return Module.serialPort.write(HEAPU8.slice(bytes, bytes + length));
});
EM_JS(int, glue_count, (), { return Module.serialPort.count(); });
EM_JS(int, glue_take, (uint8_t* into, int capacity), {
    const bytes = Module.serialPort.take(capacity);
    HEAPU8.set(bytes, into);
    return bytes.length;
});
EM_JS(int, glue_fault, (), { return Module.serialPort.fault(); });
EM_JS(char*, glue_text, (int which), {
    const text = which === 0 ? Module.serialPort.faultText() : Module.serialPort.deviceName();
    const size = lengthBytesUTF8(text) + 1;
    const copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});
EM_JS(int, glue_chosen, (), { return Module.serialPort.chosen() ? 1 : 0; });
// clang-format on

namespace {

std::string takeText(int which) {
    char* text = glue_text(which);
    std::string copy(text);
    std::free(text);
    return copy;
}

}  // namespace

WebSerialControl::WebSerialControl() {
    setSettings(kSettings9600);
}

void WebSerialControl::setSettings(std::string_view settings) {
    const LineSettings line = parseLineSettings(settings);
    if (parityName(line.parity) == nullptr)
        throw SerialError(SerialFault::BadSettings, "the browser has no mark or space parity");
    settings_ = std::string(settings);
    line_ = line;
    // The new speed holds from now on, as on a desktop port: the next byte reopens at it.
    if (lineOpen_ && line_.baud != openBaud_) closeLine();
}

void WebSerialControl::setPortOpen(bool open) {
    if (open == open_) return;
    if (open && port_ == 0) throw SerialError(SerialFault::NoSuchDevice, "no port number");
    open_ = open;
    if (!open) closeLine();
}

void WebSerialControl::openLine() {
    const int fault =
        glue_open(line_.baud, line_.dataBits, line_.stopBits, parityName(line_.parity));
    if (fault != kGlueNone) raise(fault);
    lineOpen_ = true;
    openBaud_ = line_.baud;
}

void WebSerialControl::closeLine() noexcept {
    if (!lineOpen_) return;
    lineOpen_ = false;
    glue_close();
}

void WebSerialControl::raise(int fault) {
    SerialErrorContext context;
    context.device = takeText(1);
    throw SerialError(faultOf(fault), takeText(0), context);
}

// Every byte out or in passes here: the port opens now if it is not yet, so a port that cannot
// be opened fails the step that opened it, at its first byte.
void WebSerialControl::throwIfBroken() {
    if (!open_) throw SerialError(SerialFault::NotOpen, "the port is not open");
    if (!lineOpen_) openLine();
    if (const int fault = glue_fault(); fault != kGlueNone) raise(fault);
}

void WebSerialControl::output(std::span<const uint8_t> bytes) {
    throwIfBroken();
    if (const int fault = glue_write(bytes.data(), static_cast<int>(bytes.size()));
        fault != kGlueNone)
        raise(fault);
}

int WebSerialControl::inBufferCount() {
    throwIfBroken();
    return glue_count();
}

std::vector<uint8_t> WebSerialControl::input() {
    throwIfBroken();
    std::vector<uint8_t> bytes(static_cast<std::size_t>(glue_count()));
    bytes.resize(static_cast<std::size_t>(glue_take(bytes.data(), static_cast<int>(bytes.size()))));
    return bytes;
}

std::string WebSerialControl::holdDevice(int16_t port) {
    setCommPort(port);
    if (glue_chosen() == 0) raise(kGlueNoPort);
    return takeText(1);
}

}  // namespace velmar::web
