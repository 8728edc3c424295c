#pragma once
// Paths travel through the programs as UTF-8 on every system. std::filesystem takes and gives
// them as such only through char8_t: on Windows a path made from a std::string is read in the
// ANSI code page (code page 932 on Japanese Windows), so 山田 would become another name.

#include <filesystem>
#include <string>

namespace velmar {

inline std::filesystem::path utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string pathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace velmar
