#pragma once
// Runs the built velmar-fw (from VELMAR_BIN_DIR), or another program, and captures its exit
// code and output.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/sample_firmware.h"

namespace velmar::testing {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string binDir() {
    const char* dir = std::getenv("VELMAR_BIN_DIR");
    return dir ? dir : "";
}

// The sample firmware copied beside the executables.
inline std::string samplePath() {
    return binDir() + "/" + kSampleFirmwareName;
}

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// "velmar-fw ARGS...", for naming a run in a failure message.
inline std::string shownCommand(const std::vector<std::string>& args) {
    std::string shown = "velmar-fw";
    for (const std::string& arg : args) shown += " " + arg;
    return shown;
}

inline std::string shellQuote(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) quoted += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

inline CliResult runProgram(const std::string& program, const std::vector<std::string>& args) {
    const auto errFile = std::filesystem::temp_directory_path() /
                         ("velmar_cli_stderr_" + std::to_string(::getpid()));
    // A program that hangs fails its test instead of stopping the run.
    std::string command = "timeout 60 " + shellQuote(program);
    for (const std::string& arg : args) command += " " + shellQuote(arg);
    command += " 2>" + shellQuote(errFile.string());
    CliResult result;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, got);
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errFile, std::ios::binary);
    result.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    std::filesystem::remove(errFile);
    return result;
}

inline CliResult runVelmarFw(const std::vector<std::string>& args) {
    return runProgram(binDir() + "/velmar-fw", args);
}

}  // namespace velmar::testing
