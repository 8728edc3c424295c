#include "files/file_identity.h"

#include <sys/stat.h>

namespace velmar {

namespace {

bool isDevice(const struct stat& node) {
    return S_ISCHR(node.st_mode) || S_ISBLK(node.st_mode);
}

}  // namespace

// Two device nodes (one made with mknod, say) lead to one device when their device numbers
// agree, whatever their inodes.
bool namesSameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return false;
    if (isDevice(first) || isDevice(second))
        return isDevice(first) && isDevice(second) &&
               (first.st_mode & S_IFMT) == (second.st_mode & S_IFMT) &&
               first.st_rdev == second.st_rdev;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace velmar
