#include "records/service_log.h"

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
#include <memory>

#include "files/regular_file.h"
#include "records/record_runs.h"
#include "records/record_text.h"
#include "records/service_log_append.h"
#include "wording/load_words.h"

namespace velmar {

namespace {

constexpr const char* kFolderName = "velmar-writer";

// Names keep their bytes, UTF-8 or not.
QString text(const std::string& value) {
    return recordText(value);
}

std::string text(const QJsonObject& object, const char* key) {
    return recordBytes(object.value(QLatin1String(key)).toString());
}

}  // namespace

std::string serviceLogFolder() {
#ifdef _WIN32
    // %LOCALAPPDATA%, which Windows sets for every user (and a test for itself).
    const QString base = qEnvironmentVariable(
        "LOCALAPPDATA", QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
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

namespace {

// What a line says of how far its rewrite got: a begin line has no result, seconds or blocks
// yet; the end line of a rewrite quit at once has no result but says where it was.
constexpr const char* kPhaseBegin = "begin";
constexpr const char* kPhaseEnd = "end";

QJsonValue valueIf(bool known, const QJsonValue& value) {
    return known ? value : QJsonValue(QJsonValue::Null);
}

QJsonObject toJsonObject(const ServiceRecord& record) {
    const bool begun = record.state == RecordState::Begun;
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
        {"result", valueIf(record.state == RecordState::Ended, text(record.result))},
        {"seconds", valueIf(!begun, record.seconds)},
        {"blocks_written", valueIf(!begun, record.blocksWritten)},
        {"blocks_total", record.blocksTotal},
    };
    if (record.serial) object.insert("serial", text(*record.serial));
    if (!record.run.empty()) object.insert("run", text(record.run));
    if (!record.run.empty() || record.state != RecordState::Ended)
        object.insert("phase", begun ? kPhaseBegin : kPhaseEnd);
    if (record.state == RecordState::Quit) object.insert("stage", text(record.stage));
    return object;
}

std::string compact(const ServiceRecord& record) {
    return QJsonDocument(toJsonObject(record)).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace

std::string toJsonLine(const ServiceRecord& record) {
    return compact(record) + "\n";
}

std::string toJsonArray(const std::vector<ServiceRecord>& records) {
    std::string text = "[\n";
    for (std::size_t i = 0; i < records.size(); ++i)
        text += "  " + compact(records[i]) + (i + 1 < records.size() ? ",\n" : "\n");
    return text + "]\n";
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
    record.run = text(o, "run");
    const QString phase = o.value("phase").toString();
    if (phase == QLatin1String(kPhaseBegin))
        record.state = RecordState::Begun;
    else if (phase == QLatin1String(kPhaseEnd) && o.value("result").isNull())
        record.state = RecordState::Quit;
    record.stage = text(o, "stage");
    return record;
}

std::string appendServiceRecord(const ServiceRecord& record, const std::string& path) {
    const QString folder = QFileInfo(QString::fromStdString(path)).absolutePath();
    if (!QDir().mkpath(folder)) return folder.toStdString() + ": cannot create the folder";
    return detail::appendLine(path, toJsonLine(record));
}

namespace {

// The log is read backwards in chunks, so its size never decides the memory used: a chunk and
// the line being put together. No entry comes near the longest line; a longer one is passed
// over as unreadable without being kept.
constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr std::size_t kLongestLine = 1024 * 1024;

bool readAt(std::FILE* file, int64_t offset, char* into, std::size_t size) {
#ifdef _WIN32
    if (::_fseeki64(file, offset, SEEK_SET) != 0) return false;
#else
    if (::fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
#endif
    return std::fread(into, 1, size, file) == size;
}

int64_t fileSize(std::FILE* file) {
#ifdef _WIN32
    if (::_fseeki64(file, 0, SEEK_END) != 0) return -1;
    return ::_ftelli64(file);
#else
    if (::fseeko(file, 0, SEEK_END) != 0) return -1;
    return ::ftello(file);
#endif
}

std::string openProblem(const OpenedFile& opened, const std::string& path) {
    LoadOutcome outcome;
    outcome.fault = opened.fault;
    outcome.osError = opened.osError;
    outcome.nodeKind = opened.kind;
    return describeLoadFailure(outcome, path);
}

}  // namespace

ServiceLogTail readServiceLog(const std::string& path, std::size_t last) {
    ServiceLogTail tail;
    // Opened without blocking and refused unless regular: a FIFO or a terminal put in its place
    // would otherwise hang the reader.
    const OpenedFile opened = openRegularFile(path);
    if (opened.fault == FileFault::NoSuchFile) return tail;
    tail.exists = true;
    if (opened.fault != FileFault::None) {
        tail.problem = openProblem(opened, path);
        return tail;
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(opened.file, std::fclose);

    RecordRuns runs;
    std::string line;  // the end of the line being put together, in file order
    bool tooLong = false;
    const auto finishLine = [&] {
        if (tooLong) {
            ++tail.unreadable;
        } else if (line.find_first_not_of(" \t\r") != std::string::npos) {
            if (auto record = fromJsonLine(line))
                runs.add(std::move(*record));
            else
                ++tail.unreadable;
        }
        line.clear();
        tooLong = false;
    };
    const auto prepend = [&](const char* from, std::size_t size) {
        if (tooLong) return;
        if (line.size() + size > kLongestLine) {
            tooLong = true;
            line.clear();
            return;
        }
        line.insert(0, from, size);
    };

    int64_t end = fileSize(file.get());
    if (end < 0) {
        tail.problem = path + ": " + std::strerror(errno);
        return tail;
    }
    std::vector<char> chunk(kChunkBytes);
    while (end > 0 && runs.size() < last) {
        const auto size = static_cast<std::size_t>(std::min<int64_t>(end, kChunkBytes));
        const int64_t begin = end - static_cast<int64_t>(size);
        if (!readAt(file.get(), begin, chunk.data(), size)) {
            tail.problem =
                path + ": " +
                (std::ferror(file.get()) ? std::strerror(errno) : "the file shrank while read");
            return tail;
        }
        std::size_t stop = size;  // bytes [stop, ...) of the chunk are already in `line`
        for (std::size_t i = size; i-- > 0 && runs.size() < last;) {
            if (chunk[i] != '\n') continue;
            prepend(chunk.data() + i + 1, stop - i - 1);
            finishLine();
            stop = i;
        }
        if (runs.size() < last) prepend(chunk.data(), stop);
        end = begin;
    }
    if (runs.size() < last) {
        finishLine();  // the first line of the file
        runs.reachedStart();
    }
    tail.records = std::move(runs).records(last);
    return tail;
}

}  // namespace velmar
