#pragma once
// A QString path as the Qt-free layers take it, and back: UTF-8 on Windows, where their calls
// are the wide ones; the file system's own bytes elsewhere. QFile::encodeName would give the
// ANSI code page on Windows, which the Qt-free layers would read as UTF-8.

#include <QFile>
#include <QString>
#include <string>

namespace velmar {

inline std::string localPath(const QString& path) {
#ifdef _WIN32
    return path.toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}

inline QString qtPath(const std::string& path) {
#ifdef _WIN32
    return QString::fromStdString(path);
#else
    return QFile::decodeName(QByteArray::fromStdString(path));
#endif
}

}  // namespace velmar
