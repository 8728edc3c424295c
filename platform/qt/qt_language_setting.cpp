#include "platform/qt/qt_language_setting.h"

#include <QFile>
#include <QSettings>
#include <cstdio>

#include "files/regular_file.h"
#include "platform/qt/qt_path.h"
#include "platform/qt/qt_serial_devices.h"

namespace velmar {

namespace {

constexpr const char* kKey = "window/language";

// The port assignments' file; QSettings would hang on a FIFO there or read a device, so only
// a regular file (or none yet) is handed to it.
bool usable(const QString& name) {
    const OpenedFile opened = openRegularFile(localPath(name));
    if (opened.file != nullptr) std::fclose(opened.file);
    return opened.fault == FileFault::None || opened.fault == FileFault::NoSuchFile;
}

}  // namespace

std::string QtLanguageSetting::load() const {
    const QString name = QtPortAssignmentStore(file_).fileName();
    if (!QFile::exists(name) || !usable(name)) return {};
    const QVariant value = QSettings(name, QSettings::IniFormat).value(kKey);
    return value.typeId() == QMetaType::QString ? value.toString().toStdString() : std::string();
}

bool QtLanguageSetting::save(const std::string& code) {
    const QString name = QtPortAssignmentStore(file_).fileName();
    if (!usable(name)) return false;
    QSettings settings(name, QSettings::IniFormat);
    settings.setValue(kKey, QString::fromStdString(code));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace velmar
