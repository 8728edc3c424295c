#include "platform/qt/qt_port_name.h"

#include <QDir>
#include <QFile>

#ifndef _WIN32
#include <unistd.h>

#include <climits>
#include <cstdlib>
#endif

namespace velmar {

#ifdef _WIN32
QtPortName::QtPortName(const std::string& device) : name_(QString::fromStdString(device)) {}

QtPortName::~QtPortName() = default;
#else
QtPortName::QtPortName(const std::string& device) {
    const bool explicitPath =
        device.starts_with('/') || device.starts_with("./") || device.starts_with("../");
    const std::string path = explicitPath ? device : "./" + device;
    const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    name_ = QFile::decodeName(bytes);
    if (QFile::encodeName(name_) == bytes) return;

    std::string target = path;
    if (!path.starts_with('/')) {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd) == nullptr) return;
        target = std::string(cwd) + "/" + path;
    }
    std::string folder = QDir::tempPath().toStdString() + "/velmar-port-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr) return;
    const std::string link = folder + "/port";
    if (::symlink(target.c_str(), link.c_str()) != 0) {
        ::rmdir(folder.c_str());
        return;
    }
    folder_ = folder;
    link_ = link;
    name_ = QFile::decodeName(QByteArray::fromStdString(link));
}

QtPortName::~QtPortName() {
    if (link_.empty()) return;
    ::unlink(link_.c_str());
    ::rmdir(folder_.c_str());
}
#endif

}  // namespace velmar
