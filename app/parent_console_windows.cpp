#include "app/parent_console.h"

#include <windows.h>

#include <cstdio>

namespace velmar {

namespace {

bool leadsSomewhere(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

}  // namespace

bool useParentConsole() {
    const bool output = leadsSomewhere(STD_OUTPUT_HANDLE);
    const bool errors = leadsSomewhere(STD_ERROR_HANDLE);
    if (output && errors) return true;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return output;
    if (!output) (void)!std::freopen("CONOUT$", "w", stdout);
    if (!errors) (void)!std::freopen("CONOUT$", "w", stderr);
    return true;
}

}  // namespace velmar
