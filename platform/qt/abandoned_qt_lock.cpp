#include "platform/qt/abandoned_qt_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <thread>

namespace velmar {

namespace {

// A program that made its lock file a moment ago may not yet have locked it or written into it.
constexpr std::chrono::milliseconds kSettle{100};

std::chrono::nanoseconds sinceModified(const struct stat& status) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return std::chrono::seconds(now.tv_sec - status.st_mtim.tv_sec) +
           std::chrono::nanoseconds(now.tv_nsec - status.st_mtim.tv_nsec);
}

bool emptyFile(int fd, struct stat& status) {
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size == 0;
}

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
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat status {};
    bool abandoned = emptyFile(fd, status);
    if (abandoned && sinceModified(status) < kSettle) {
        std::this_thread::sleep_for(kSettle - sinceModified(status));
        abandoned = emptyFile(fd, status);
    }
    // The lock goes with the file: held while it is removed, nobody can take the file over.
    abandoned = abandoned && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    const bool removed = abandoned && ::unlink(name.constData()) == 0;
    ::close(fd);
    return removed;
}

}  // namespace velmar
