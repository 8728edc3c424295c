#pragma once
// A fresh directory per test for firmware files written on the fly.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "files/utf8_path.h"

namespace velmar::testing {

class TempDir {
  public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // The process id keeps runs of the same test from several build trees apart.
        std::string name = std::string("velmar_") + info->test_suite_name() + "_" + info->name() +
                           "_" + std::to_string(::getpid());
        for (char& c : name)
            if (c == '/') c = '_';
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string write(const std::string& name, const std::string& contents) const {
        std::ofstream(path_ / utf8Path(name), std::ios::binary) << contents;
        return path(name);
    }
    // UTF-8, as the programs take paths; Windows' own temporary folder may be 山田's.
    std::string path(const std::string& name) const { return pathText(path_ / utf8Path(name)); }

  private:
    std::filesystem::path path_;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(utf8Path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Joins lines with the given terminator after each one.
inline std::string joinLines(const std::vector<std::string>& lines, const std::string& end) {
    std::string text;
    for (const std::string& line : lines) text += line + end;
    return text;
}

}  // namespace velmar::testing
