#include "platform/qt/abandoned_qt_lock.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <ctime>

namespace velmar {

namespace {

// Qt writes its process number as soon as the file is made: an empty file this old has no
// writer left.
constexpr time_t kAbandonedAfterSeconds = 1;

}  // namespace

QString qtLockFilePath(const QString& portName) {
    static const char* const kFolders[] = {"/var/lock",         "/etc/locks", "/var/spool/locks",
                                           "/var/spool/uucp",   "/tmp",       "/var/tmp",
                                           "/var/lock/lockdev", "/run/lock"};
    QString name = portName;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char* folder : kFolders) {
        const QString path = QString::fromLatin1(folder) + "/LCK.." + name;
        const QFileInfo info{QString::fromLatin1(folder)};
        if (info.isReadable() && (QFile::exists(path) || info.isWritable())) return path;
    }
    return {};
}

bool removeAbandonedQtLock(const QString& portName) {
    const QString path = qtLockFilePath(portName);
    if (path.isEmpty()) return false;
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size != 0)
        return false;
    if (std::time(nullptr) - status.st_mtime <= kAbandonedAfterSeconds) return false;
    return ::unlink(name.constData()) == 0;
}

}  // namespace velmar
