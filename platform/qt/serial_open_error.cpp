#include "platform/qt/serial_open_error.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace velmar {

namespace {

bool mentions(std::string text, std::string_view word) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text.find(word) != std::string::npos;
}

bool processHasGroup(gid_t gid) {
    if (::getegid() == gid) return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    return std::find(groups.begin(), groups.begin() + std::max(got, 0), gid) !=
           groups.begin() + std::max(got, 0);
}

// The group database, not this process: a user added since logging in is listed here already.
bool userListedInGroup(gid_t gid) {
    const passwd* user = ::getpwuid(::geteuid());
    if (user == nullptr) return false;
    int count = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<std::size_t>(count));
        if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) return false;
    }
    groups.resize(static_cast<std::size_t>(count));
    return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

}  // namespace

DeviceGroup deviceGroup(const std::string& path) {
    DeviceGroup owner;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return owner;
    if (const group* entry = ::getgrgid(info.st_gid)) owner.name = entry->gr_name;
    owner.inThisLogin = processHasGroup(info.st_gid);
    owner.listedForUser = userListedInGroup(info.st_gid);
    return owner;
}

DeviceAccess probeDeviceAccess(const std::string& path) {
    DeviceAccess access;
    if (::access(path.c_str(), F_OK) != 0) {
        access.exists = false;
        access.readWrite = false;
        return access;
    }
    access.readWrite = ::access(path.c_str(), R_OK | W_OK) == 0;
    return access;
}

SerialErrorContext openContext(SerialFault fault, const std::string& device) {
    SerialErrorContext context;
    context.device = device;
    if (fault == SerialFault::PermissionDenied) context.group = deviceGroup(device);
    return context;
}

SerialFault classifyOpenError(QSerialPort::SerialPortError error, const DeviceAccess& access,
                              const std::string& qtMessage) {
    if (!access.exists) return SerialFault::NoSuchDevice;
    if (mentions(qtMessage, "busy") || mentions(qtMessage, "lock")) return SerialFault::Busy;
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return SerialFault::NoSuchDevice;
        case QSerialPort::PermissionError:
            // The device itself is open to us, so what refused us is another holder's lock.
            return access.readWrite ? SerialFault::Busy : SerialFault::PermissionDenied;
        case QSerialPort::OpenError:
            return SerialFault::Busy;
        case QSerialPort::ResourceError:
            // A serial device node without hardware behind it fails to open with EIO.
            return SerialFault::NoSuchDevice;
        default:
            return SerialFault::Other;
    }
}

}  // namespace velmar
