#include "cli/output_file.h"

#include <cerrno>
#include <system_error>

#ifdef _WIN32
#include <io.h>

#include "files/win_text.h"
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "wording/load_words.h"

namespace velmar::cli {

std::string outputRefusal(const std::string& path, const std::vector<KeptFile>& keep) {
    return describeWriteRefusal(
        writeRefusal(path, {.append = false, .keep = keep, .devicesToo = false}));
}

std::string replacementRefusal(const std::string& path) {
#ifdef _WIN32
    const std::size_t slash = path.find_last_of("/\\");
#else
    // A link or a device is written through, in place: its folder takes nothing new.
    struct stat named {};
    if (::lstat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) return "";
    const std::size_t slash = path.rfind('/');
#endif
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
#ifdef _WIN32
    // Windows keeps no write permission on a folder to ask for: that it is there must do.
    const int refused = ::_waccess(widePath(folder).c_str(), 0) != 0 ? errno : 0;
#else
    const int refused = ::access(folder.c_str(), W_OK | X_OK) != 0 ? errno : 0;
#endif
    if (refused == 0) return "";
    return "creating a file in " + folder + ": " + std::generic_category().message(refused);
}

}  // namespace velmar::cli
