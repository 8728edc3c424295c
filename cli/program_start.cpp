#include "cli/program_start.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "files/win_text.h"
#endif

namespace velmar::cli {

void startProgram([[maybe_unused]] int argc, [[maybe_unused]] char**& argv) {
#ifdef _WIN32
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    static std::vector<std::string> utf8 = utf8Arguments(argc, argv);
    static std::vector<char*> pointers;
    for (std::string& each : utf8) pointers.push_back(each.data());
    pointers.push_back(nullptr);
    argv = pointers.data();
#endif
}

}  // namespace velmar::cli
