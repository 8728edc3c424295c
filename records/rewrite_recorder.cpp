#include "records/rewrite_recorder.h"

#include <QDateTime>
#include <QFileInfo>
#include <QUuid>
#include <cmath>
#include <filesystem>

#include "image/checksum.h"

namespace velmar {

namespace {

// The name as the system gave it, made absolute without passing it through a text encoding,
// so a name that is not UTF-8 keeps its bytes.
std::string absoluteName(const std::string& name) {
#ifdef _WIN32
    // Names arrive as UTF-8 made from the system's UTF-16.
    return QFileInfo(QString::fromStdString(name)).absoluteFilePath().toStdString();
#else
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(name, error);
    return error ? name : absolute.lexically_normal().string();
#endif
}

}  // namespace

DeviceIdentity identifySerialDevice(const std::string& device,
                                    const std::vector<SerialDeviceInfo>& detected) {
    // A /dev/serial/by-id name is a link; the system lists the device it points at.
    const QString name = QString::fromStdString(device);
    const QString canonical = QFileInfo(name).canonicalFilePath();
    const std::string target = (canonical.isEmpty() ? name : canonical).toStdString();
    DeviceIdentity identity;
    for (const SerialDeviceInfo& info : detected) {
        if (info.path != target && info.path != "/dev/" + target) continue;
        identity.description = info.description;
        if (!info.serialNumber.empty()) identity.serial = info.serialNumber;
        break;
    }
    return identity;
}

RewriteRecorder::RewriteRecorder(std::string tool, std::string operation, std::string logPath)
    : logPath_(std::move(logPath)) {
    record_.tool = std::move(tool);
    record_.operation = std::move(operation);
}

RewriteRecorder::~RewriteRecorder() {
    quit();
}

void RewriteRecorder::describe(const std::string& file, std::string sha256,
                               const MemoryImage& image, std::optional<int> port,
                               const std::string& device, std::string loader,
                               std::size_t blocksTotal, const PortDirectory* ports) {
    {
        const std::lock_guard lock(mutex_);
        ports_ = ports;
        record_.time = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
        // No file at all: the window's default failed to load and nothing else was opened.
        if (!file.empty()) record_.file = absoluteName(file);
        record_.sha256 = std::move(sha256);
        record_.checksum = checksumText(image, "C000", "FFFF").value_or("");
        record_.port = port;
        record_.loader = std::move(loader);
        record_.blocksTotal = static_cast<int>(blocksTotal);
        record_.blocksWritten = 0;
        started_ = Clock::now();
    }
    setDevice(device);
}

void RewriteRecorder::setDevice(const std::string& device) {
    const std::lock_guard lock(mutex_);
    if (device.empty() || device == record_.device) return;
    record_.device = device;
    if (ports_ == nullptr) return;
    const DeviceIdentity identity = identifySerialDevice(device, ports_->devices());
    record_.description = identity.description;
    record_.serial = identity.serial;
}

std::string RewriteRecorder::begin() {
    const std::lock_guard lock(mutex_);
    begun_ = true;
    record_.run = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
    const std::string problem = appendLocked(RecordState::Begun);
    // Without its begin line the end is written whole, so no reader waits for a line not there.
    if (!problem.empty()) record_.run.clear();
    return problem;
}

bool RewriteRecorder::begun() const {
    const std::lock_guard lock(mutex_);
    return begun_;
}

void RewriteRecorder::reached(const char* stage) {
    const std::lock_guard lock(mutex_);
    record_.stage = stage;
}

void RewriteRecorder::blockWritten() {
    const std::lock_guard lock(mutex_);
    ++record_.blocksWritten;
}

void RewriteRecorder::setBlocksWritten(std::size_t count) {
    const std::lock_guard lock(mutex_);
    record_.blocksWritten = static_cast<int>(count);
}

std::string RewriteRecorder::finish(const std::string& result) {
    const std::lock_guard lock(mutex_);
    if (ended_) return {};
    begun_ = true;
    record_.result = result;
    return appendLocked(RecordState::Ended);
}

std::string RewriteRecorder::quit() {
    const std::lock_guard lock(mutex_);
    if (ended_ || !begun_) return {};
    return appendLocked(RecordState::Quit);
}

ServiceRecord RewriteRecorder::record() const {
    const std::lock_guard lock(mutex_);
    return record_;
}

std::string RewriteRecorder::appendLocked(RecordState state) {
    record_.state = state;
    if (state != RecordState::Begun) {
        ended_ = true;
        const std::chrono::duration<double> elapsed = Clock::now() - started_;
        // Milliseconds are plenty for a log a person reads.
        record_.seconds = std::round(elapsed.count() * 1000.0) / 1000.0;
    }
    if (state != RecordState::Quit) record_.stage.clear();
    return appendServiceRecord(record_, logPath_);
}

}  // namespace velmar
