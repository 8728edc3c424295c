#pragma once
// Shared pieces of the window tests: firmware files in a temporary folder, a line with no
// device behind it, and lookup of the window's controls by their names.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "files/utf8_path.h"
#include "platform/event_wait.h"
#include "platform/serial_control.h"
#include "scripted_dialogs.h"
#include "tests/files/record_builders.h"

namespace velmar::testing {

// A port that cannot be opened, as with no adapter plugged in; counts attempts.
class AbsentLine : public SerialControl {
  public:
    void setSettings(std::string_view settings) override { settings_ = settings; }
    std::string settings() const override { return settings_; }
    void setCommPort(int16_t port) override { port_ = port; }
    int16_t commPort() const override { return port_; }
    bool portOpen() const override { return false; }
    void setPortOpen(bool open) override {
        if (!open) return;
        ++openAttempts;
        throw SerialError(SerialFault::NoSuchDevice, "no such device");
    }
    void output(std::span<const uint8_t>) override {
        throw SerialError(SerialFault::NotOpen, "port not open");
    }
    int inBufferCount() override { return 0; }
    std::vector<uint8_t> input() override { return {}; }

    int openAttempts = 0;

  private:
    std::string settings_ = "9600,n,8,1";
    int16_t port_ = 0;
};

// A reply wait whose timer runs out at once; nothing is ever waited for on an absent line.
class ExpiringWait : public EventWait {
  public:
    void armTimer(std::chrono::milliseconds) override { armed_ = false; }
    void disarmTimer() override { armed_ = false; }
    bool timerArmed() const override { return armed_; }
    void processEventsOnce() override { armed_ = false; }

  private:
    bool armed_ = false;
};

class FirmwareFolder {
  public:
    // Writes `lines` joined by CR LF (with a final CR LF) and returns the full path.
    std::string write(const std::string& name, const std::vector<std::string>& lines) const {
        const std::string path = dir_.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream out(utf8Path(path), std::ios::binary);  // Windows' %TEMP% may be 山田's
        for (const auto& line : lines) out << line << "\r\n";
        return path;
    }
    std::string path(const std::string& name) const {
        return dir_.filePath(QString::fromStdString(name)).toStdString();
    }

  private:
    QTemporaryDir dir_;
};

// The one application object of the test program (test_application.cpp).
QApplication& application();

inline constexpr const char* kDefaultName = "Velmar_150421_01_12.mot";

template <typename Widget>
Widget* control(const QObject& window, const char* name) {
    auto* found = window.findChild<Widget*>(name);
    if (found == nullptr) throw std::runtime_error(std::string("no control ") + name);
    return found;
}

inline QPushButton* button(const QObject& window, const char* name) {
    return control<QPushButton>(window, name);
}
inline QAction* action(const QObject& window, const char* name) {
    return control<QAction>(window, name);
}

// The names of the controls that start an operation and are locked while one runs.
inline const std::vector<const char*>& operationStarters() {
    static const std::vector<const char*> names = {
        "cmdMacro_0", "cmdMacro_1", "cmdMacro_2", "cmdBrevo", "Command1", "cmbErase",
        "cmbWrite",   "cmbEnd",     "Command11",  "Command8", "Command9", "Command10",
        "Command4",   "Command7",   "Command6",   "Command5", "Command2"};
    return names;
}

}  // namespace velmar::testing
