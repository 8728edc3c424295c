#pragma once
// Where start-up looks for the default firmware: beside the program (a build tree, ./run), else
// in the share folder an install puts it in.

#include <string>

namespace velmar {

// The installed share folder, relative to the program's folder.
extern const char* const kInstalledDataFolder;

// The default firmware beside the program when it is there, else the installed copy when that
// is there; otherwise the path beside the program, so a missing file is reported where a build
// puts it.
std::string defaultFirmwarePath(const std::string& programFolder);

}  // namespace velmar
