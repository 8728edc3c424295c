#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/serial_handover.h"
#include "files/win_text.h"

namespace velmar::cli {

namespace {

// One argument as the C runtime of the started program splits it again: quoted when it holds
// a blank or a quote, with the backslashes before a quote (and before the closing quote)
// doubled, since only those are read as escapes.
void appendQuoted(std::wstring& line, const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

// main() has made argv UTF-8, from the command line as typed.
std::vector<std::wstring> wideArguments(char** argv) {
    std::vector<std::wstring> arguments;
    for (char** each = argv; *each != nullptr; ++each) arguments.push_back(widePath(*each));
    return arguments;
}

std::wstring ownPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// velmar-fw waits while the serial program runs in the same console: a Ctrl-C reaches both,
// and the serial program decides what it means; its exit code is passed on.
BOOL WINAPI leaveConsoleEventsToTheChild(DWORD) {
    return TRUE;
}

// Starts `program` with the arguments and returns its exit code; nothing when it could not be
// started, with the system's error in `error`.
std::optional<DWORD> runToTheEnd(const std::wstring& program, std::vector<std::wstring> arguments,
                                 DWORD& error) {
    arguments[0] = program;
    std::wstring line;
    for (const std::wstring& argument : arguments) {
        if (!line.empty()) line += L' ';
        appendQuoted(line, argument);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &process)) {
        error = ::GetLastError();
        return std::nullopt;
    }
    ::CloseHandle(process.hThread);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (!::GetExitCodeProcess(process.hProcess, &code)) code = kExitNoSerialProgram;
    ::CloseHandle(process.hProcess);
    return code;
}

// The loader's own codes for a program that was started but never ran: Windows shows its box,
// and the exit code is all velmar-fw sees of it.
const char* loadFailure(DWORD code) {
    switch (code) {
        case 0xC0000135:  // STATUS_DLL_NOT_FOUND
            return "a DLL it needs is missing (Qt6Core.dll, libstdc++-6.dll, ... belong beside it)";
        case 0xC0000139:  // STATUS_ENTRYPOINT_NOT_FOUND
            return "a DLL beside it is of another version";
        case 0xC000007B:  // STATUS_INVALID_IMAGE_FORMAT
            return "it or a DLL beside it is not a 64-bit Windows program";
        default:
            return nullptr;
    }
}

// The child's exit code passed on as it was (a Ctrl-C's 0xC000013A included), unless the
// child never got to run.
int passOn(DWORD code, const std::wstring& program) {
    if (const char* why = loadFailure(code)) {
        std::fprintf(stderr, "velmar-fw: %s could not run: %s\n", utf8Text(program).c_str(), why);
        return kExitNoSerialProgram;
    }
    return static_cast<int>(code);
}

}  // namespace

int handOverToSerialProgram(char** argv) {
    // The module's own path, not argv[0]: velmar-fw may have been found through PATH.
    const std::wstring self = ownPath();
    if (self.empty()) {
        std::fprintf(stderr, "velmar-fw: cannot find its own folder to start %s: %s\n",
                     kSerialProgramName, systemMessage(::GetLastError()).c_str());
        return kExitNoSerialProgram;
    }
    const std::filesystem::path folder = std::filesystem::path(self).parent_path();
    const std::wstring name = widePath(std::string(kSerialProgramName) + ".exe");
    // Beside velmar-fw in a build tree and in the Windows package; an install may keep it in
    // the libexec folder instead.
    const std::wstring beside = (folder / name).wstring();
    const std::wstring installed =
        (folder / VELMAR_BIN_TO_LIBEXECDIR / name).lexically_normal().wstring();
    const std::vector<std::wstring> arguments = wideArguments(argv);

    // From before the start on, so that no Ctrl-C ends velmar-fw alone.
    ::SetConsoleCtrlHandler(leaveConsoleEventsToTheChild, TRUE);
    DWORD error = ERROR_SUCCESS;
    std::optional<DWORD> code = runToTheEnd(beside, arguments, error);
    if (code) return passOn(*code, beside);
    const std::wstring* failed = &beside;
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        DWORD installedError = ERROR_SUCCESS;
        code = runToTheEnd(installed, arguments, installedError);
        if (code) return passOn(*code, installed);
        // A missing file is reported beside velmar-fw; anything else where it was found.
        if (installedError != ERROR_FILE_NOT_FOUND && installedError != ERROR_PATH_NOT_FOUND) {
            failed = &installed;
            error = installedError;
        }
    }
    std::fprintf(stderr,
                 "velmar-fw: cannot start %s: %s\n"
                 "  (write, write-earlier, pin, log and ports run in %s, which belongs in the "
                 "folder of velmar-fw or in %s)\n",
                 utf8Text(*failed).c_str(), systemMessage(error).c_str(), kSerialProgramName,
                 utf8Text(std::filesystem::path(installed).parent_path().wstring()).c_str());
    return kExitNoSerialProgram;
}

}  // namespace velmar::cli
