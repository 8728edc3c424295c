#include "platform/qt/rewrite_recorder.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <cmath>

#include "image/checksum.h"

namespace velmar {

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

std::string fileSha256(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) return {};
    return hash.result().toHex().toStdString();
}

RewriteRecorder::RewriteRecorder(std::string tool, std::string operation) {
    record_.tool = std::move(tool);
    record_.operation = std::move(operation);
}

void RewriteRecorder::describe(const std::string& file, const MemoryImage& image,
                               std::optional<int> port, const std::string& device,
                               std::string loader, std::size_t blocksTotal,
                               const PortDirectory* ports) {
    ports_ = ports;
    record_.time = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
    // No file at all: the window's default failed to load and nothing else was opened.
    if (!file.empty()) {
        record_.file = QFileInfo(QString::fromStdString(file)).absoluteFilePath().toStdString();
        record_.sha256 = fileSha256(file);
    }
    record_.checksum = checksumText(image, "C000", "FFFF").value_or("");
    record_.port = port;
    setDevice(device);
    record_.loader = std::move(loader);
    record_.blocksTotal = static_cast<int>(blocksTotal);
    record_.blocksWritten = 0;
    started_ = Clock::now();
}

void RewriteRecorder::setDevice(const std::string& device) {
    if (device.empty() || device == record_.device) return;
    record_.device = device;
    if (ports_ == nullptr) return;
    const DeviceIdentity identity = identifySerialDevice(device, ports_->devices());
    record_.description = identity.description;
    record_.serial = identity.serial;
}

std::string RewriteRecorder::finish(const std::string& result, const std::string& logPath) {
    record_.result = result;
    const std::chrono::duration<double> elapsed = Clock::now() - started_;
    // Milliseconds are plenty for a log a person reads.
    record_.seconds = std::round(elapsed.count() * 1000.0) / 1000.0;
    return appendServiceRecord(record_, logPath);
}

}  // namespace velmar
