#include "app/recent_folder.h"

#include <QFileInfo>
#include <QSettings>
#include <cstdio>

#include "files/regular_file.h"
#include "platform/qt/qt_path.h"

namespace velmar {

namespace {

constexpr const char* kKey = "files/last_folder";

// QSettings would hang on a FIFO and read or write into a device: only a regular file, or
// none yet, is handed to it.
bool safeToOpen(const QString& file) {
    const OpenedFile opened = openRegularFile(localPath(file));
    if (opened.file != nullptr) std::fclose(opened.file);
    return opened.fault == FileFault::None || opened.fault == FileFault::NoSuchFile;
}

}  // namespace

RecentFolder::RecentFolder(QString settingsFile) : file_(std::move(settingsFile)) {}

std::string RecentFolder::load() const {
    if (file_.isEmpty() || !safeToOpen(file_)) return {};
    const QSettings settings(file_, QSettings::IniFormat);
    return settings.value(kKey).toString().toStdString();
}

void RecentFolder::rememberFileIn(const std::string& filePath) {
    if (file_.isEmpty() || !safeToOpen(file_)) return;
    QSettings settings(file_, QSettings::IniFormat);
    settings.setValue(kKey, QFileInfo(QString::fromStdString(filePath)).absolutePath());
}

}  // namespace velmar
