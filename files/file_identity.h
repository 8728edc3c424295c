#pragma once
// Whether two names lead to one file: a link, a second hard link or another spelling of a path
// is just another name. Used to refuse writing over the firmware file by any of its names.

#include <string>

namespace velmar {

// True when both paths exist and name one file (on Windows: the same volume and file index;
// elsewhere: the same device and inode, or for device nodes the same device number); false when
// either does not exist.
bool namesSameFile(const std::string& a, const std::string& b);

}  // namespace velmar
