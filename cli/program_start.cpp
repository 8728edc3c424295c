#include "cli/program_start.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/win_text.h"
#endif

namespace velmar::cli {

#ifdef _WIN32
namespace {

UINT consoleCodePage = 0;

// At exit, before the C runtime's own flush: what is still buffered goes out in UTF-8 first.
void restoreConsoleCodePage() {
    std::fflush(stdout);
    ::SetConsoleOutputCP(consoleCodePage);
}

bool isConsole(DWORD stream) {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(stream), &mode) != 0;
}

// A console shows the bytes written to it in its own code page, 932 on Japanese Windows, and
// every text here is UTF-8: the console is told so, and gets its own code page back when the
// program ends. A pipe or a file gets the bytes as they are.
void showUtf8OnTheConsole() {
    // The C runtime writes an unbuffered stream a byte at a time: one call to the console per
    // byte, and a character's bytes apart, which not every console puts together again
    // (wine's does not). Buffered as on a pipe, stdout goes out as the programs flush it.
    static char buffer[16 * 1024];
    if (isConsole(STD_OUTPUT_HANDLE)) std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    if (!isConsole(STD_OUTPUT_HANDLE) && !isConsole(STD_ERROR_HANDLE)) return;
    const UINT previous = ::GetConsoleOutputCP();
    if (previous == CP_UTF8 || !::SetConsoleOutputCP(CP_UTF8)) return;
    consoleCodePage = previous;
    std::atexit(restoreConsoleCodePage);
}

}  // namespace
#endif

void startProgram([[maybe_unused]] int argc, [[maybe_unused]] char**& argv) {
#ifdef _WIN32
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    showUtf8OnTheConsole();
    static std::vector<std::string> utf8 = utf8Arguments(argc, argv);
    static std::vector<char*> pointers;
    for (std::string& each : utf8) pointers.push_back(each.data());
    pointers.push_back(nullptr);
    argv = pointers.data();
#endif
}

}  // namespace velmar::cli
