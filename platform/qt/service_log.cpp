#include "platform/qt/service_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "files/load_failure_text.h"
#include "files/regular_file.h"

#ifndef _WIN32
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmar {

namespace {

constexpr const char* kFolderName = "velmar-writer";

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

std::string text(const QJsonObject& object, const char* key) {
    return object.value(QLatin1String(key)).toString().toStdString();
}

#ifndef _WIN32
// The record starts on a line of its own: a line cut short by an earlier full disk is left to
// itself rather than joined with this one.
bool endsInsideALine(int fd, off_t length) {
    char last = '\n';
    return length > 0 && ::pread(fd, &last, 1, length - 1) == 1 && last != '\n';
}

// One write() for the whole line: O_APPEND makes each write land whole at the end, and the lock
// makes writers of the same log take turns, so a line that could not be written whole is cut
// off again without touching anyone else's. Only a regular file is opened, and never in a way
// that waits (a FIFO with no reader, a device).
std::string appendLine(const std::string& path, std::string line) {
    const OpenedForWriting opened =
        openFileForWriting(path, {.append = true, .keep = {}, .devicesToo = false});
    if (!opened.ok()) return path + ": " + describeWriteRefusal(opened);
    const int fd = opened.fd;
    // Where the system has no such locks (some network file systems) the append goes on alone.
    ::flock(fd, LOCK_EX);
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        return path + ": " + std::strerror(error);
    }
    if (endsInsideALine(fd, status.st_size)) line.insert(line.begin(), '\n');
    const ssize_t written = ::write(fd, line.data(), line.size());
    const int writeError = written < 0 ? errno : ENOSPC;
    std::string problem;
    if (written < 0 || static_cast<std::size_t>(written) != line.size()) {
        problem = path + ": " + std::strerror(writeError);
        if (written > 0 && ::ftruncate(fd, status.st_size) != 0)
            problem += "; a part of the line stays in the log";
    }
    if (::close(fd) != 0 && problem.empty()) problem = path + ": " + std::strerror(errno);
    return problem;
}
#else
std::string appendLine(const std::string& path, const std::string& line) {
    // Unbuffered append opens with FILE_APPEND_DATA and writes the line in one call.
    QFile file(text(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return path + ": " + file.errorString().toStdString();
    if (file.write(line.data(), static_cast<qint64>(line.size())) !=
        static_cast<qint64>(line.size()))
        return path + ": " + file.errorString().toStdString();
    return {};
}
#endif

}  // namespace

std::string serviceLogFolder() {
#ifdef _WIN32
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(base).filePath(kFolderName).toStdString();
#else
    // The XDG rules: a relative XDG_STATE_HOME is ignored.
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') return std::string(state) + "/" + kFolderName;
    return QDir::homePath().toStdString() + "/.local/state/" + kFolderName;
#endif
}

std::string serviceLogPath() {
    return serviceLogFolder() + "/" + kServiceLogName;
}

std::string toJsonLine(const ServiceRecord& record) {
    QJsonObject object{
        {"time", text(record.time)},
        {"tool", text(record.tool)},
        {"operation", text(record.operation)},
        {"file", text(record.file)},
        {"sha256", text(record.sha256)},
        {"checksum", text(record.checksum)},
        {"port", record.port ? QJsonValue(*record.port) : QJsonValue(QJsonValue::Null)},
        {"device", text(record.device)},
        {"description", text(record.description)},
        {"loader", text(record.loader)},
        {"result", text(record.result)},
        {"seconds", record.seconds},
        {"blocks_written", record.blocksWritten},
        {"blocks_total", record.blocksTotal},
    };
    if (record.serial) object.insert("serial", text(*record.serial));
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

std::optional<ServiceRecord> fromJsonLine(std::string_view line) {
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(line.data(), static_cast<qsizetype>(line.size())));
    if (!document.isObject()) return std::nullopt;
    const QJsonObject o = document.object();
    ServiceRecord record;
    record.time = text(o, "time");
    record.tool = text(o, "tool");
    record.operation = text(o, "operation");
    record.file = text(o, "file");
    record.sha256 = text(o, "sha256");
    record.checksum = text(o, "checksum");
    if (o.value("port").isDouble()) record.port = o.value("port").toInt();
    record.device = text(o, "device");
    record.description = text(o, "description");
    if (o.value("serial").isString()) record.serial = text(o, "serial");
    record.loader = text(o, "loader");
    record.result = text(o, "result");
    record.seconds = o.value("seconds").toDouble();
    record.blocksWritten = o.value("blocks_written").toInt();
    record.blocksTotal = o.value("blocks_total").toInt();
    return record;
}

std::string appendServiceRecord(const ServiceRecord& record, const std::string& path) {
    const QString folder = QFileInfo(text(path)).absolutePath();
    if (!QDir().mkpath(folder)) return folder.toStdString() + ": cannot create the folder";
    return appendLine(path, toJsonLine(record));
}

ServiceLogTail readServiceLog(const std::string& path, std::size_t last) {
    ServiceLogTail tail;
    QFile file(text(path));
    if (!file.exists()) return tail;
    tail.exists = true;
    if (!file.open(QIODevice::ReadOnly)) {
        tail.problem = path + ": " + file.errorString().toStdString();
        return tail;
    }
    // Parsed from the end, so a log of years costs little more than the entries asked for.
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (auto line = lines.crbegin(); line != lines.crend() && tail.records.size() < last; ++line) {
        if (line->trimmed().isEmpty()) continue;
        if (auto record = fromJsonLine(std::string_view(line->data(), line->size())))
            tail.records.push_back(std::move(*record));
        else
            ++tail.unreadable;
    }
    std::reverse(tail.records.begin(), tail.records.end());
    return tail;
}

}  // namespace velmar
