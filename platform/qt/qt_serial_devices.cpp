#include "platform/qt/qt_serial_devices.h"

#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string_view>

#include "files/regular_file.h"
#include "platform/qt/qt_path.h"

namespace velmar {

namespace {

constexpr const char* kSettingsName = "velmar-writer";
constexpr const char* kGroup = "ports";

std::unique_ptr<QSettings> openSettings(const QString& file) {
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

QString keyFor(int16_t port) {
    return QString("COM%1").arg(port);
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r") - first + 1));
}

// Ports whose line in [ports] starts with their key but gave no entry: a line without "=", a
// key with more after the number, a value that is not one string. "COMn=" alone clears the
// entry on purpose.
std::vector<int16_t> brokenEntries(const std::string& bytes, const PortAssignments& read) {
    std::vector<int16_t> broken;
    std::string section;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        const std::string line = trimmed(std::string_view(bytes).substr(start, end - start));
        start = end + 1;
        if (line.starts_with('[')) {
            section = trimmed(std::string_view(line).substr(1, line.find(']') - 1));
            continue;
        }
        if (section != kGroup || !line.starts_with("COM")) continue;
        std::size_t digits = 3;
        while (digits < line.size() && std::isdigit(static_cast<unsigned char>(line[digits])))
            ++digits;
        if (digits == 3 || digits > 5) continue;
        const int port = std::stoi(line.substr(3, digits - 3));
        if (port < 1 || port > kPortCount || read.contains(static_cast<int16_t>(port))) continue;
        const std::string rest = trimmed(std::string_view(line).substr(digits));
        if (rest == "=") continue;
        if (std::find(broken.begin(), broken.end(), port) == broken.end())
            broken.push_back(static_cast<int16_t>(port));
    }
    std::sort(broken.begin(), broken.end());
    return broken;
}

}  // namespace

QtPortAssignmentStore::QtPortAssignmentStore() = default;

QtPortAssignmentStore::QtPortAssignmentStore(QString file) : file_(std::move(file)) {}

QString QtPortAssignmentStore::fileName() const {
    if (!file_.isEmpty()) return file_;
        // Where QSettings puts the user's file, named without making one: a QSettings reads its
        // file as soon as it is made, before the file could be checked. On Windows an INI file in
        // the local application data folder, beside the service log, rather than the registry or
        // the roaming folder: the assignments belong to this PC's adapters.
#ifdef _WIN32
    const auto location = QStandardPaths::GenericDataLocation;
#else
    const auto location = QStandardPaths::GenericConfigLocation;
#endif
    return QStandardPaths::writableLocation(location) + "/" + kSettingsName + "/" + kSettingsName +
           ".ini";
}

PortAssignments QtPortAssignmentStore::load() const {
    return read().ports;
}

SavedAssignments QtPortAssignmentStore::read() const {
    SavedAssignments saved;
    SavedState& state = saved.state;
    const QString name = fileName();
    state.file = localPath(name);
    // Checked before QSettings opens it: a FIFO there would hang the open, a device or a huge
    // file the read.
    const OpenedFile opened = openRegularFile(state.file);
    if (opened.fault == FileFault::NoSuchFile) return saved;  // nothing saved yet
    if (opened.fault != FileFault::None) {
        state.fault = SavedFault::CannotRead;
        state.fileFault = opened.fault;
        state.osError = opened.osError;
        state.nodeKind = opened.kind;
        return saved;
    }
    std::string bytes(kLargestSettings + 1, '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), opened.file));
    const bool readError = std::ferror(opened.file) != 0;
    const int readErrno = errno;
    std::fclose(opened.file);
    if (readError) {
        state.fault = SavedFault::CannotRead;
        state.fileFault = FileFault::ReadError;
        state.osError = readErrno;
        return saved;
    }
    if (bytes.size() > kLargestSettings) {
        state.fault = SavedFault::TooLarge;
        return saved;
    }

    const auto settings = openSettings(fileName());
    settings->beginGroup(kGroup);
    for (int16_t port = 1; port <= kPortCount; ++port) {
        const QVariant value = settings->value(keyFor(port));
        // A string only: an entry read as a list (an unquoted comma) names no one device.
        if (value.typeId() == QMetaType::QString && !value.toString().isEmpty())
            saved.ports[port] = localPath(value.toString());
    }
    state.unreadablePorts = brokenEntries(bytes, saved.ports);
    if (settings->status() == QSettings::FormatError || !state.unreadablePorts.empty())
        state.fault = SavedFault::Malformed;
    return saved;
}

bool QtPortAssignmentStore::save(const PortAssignments& assignments) {
    // QSettings would hang opening a FIFO for writing, or write into a device.
    const OpenedFile existing = openRegularFile(localPath(fileName()));
    if (existing.file != nullptr) std::fclose(existing.file);
    if (existing.fault != FileFault::None && existing.fault != FileFault::NoSuchFile) return false;
    const auto settings = openSettings(fileName());
    settings->remove(kGroup);
    settings->beginGroup(kGroup);
    for (const auto& [port, device] : assignments)
        if (port >= 1 && port <= kPortCount && !device.empty())
            settings->setValue(keyFor(port), qtPath(device));
    settings->endGroup();
    settings->sync();
    return settings->status() == QSettings::NoError;
}

}  // namespace velmar
