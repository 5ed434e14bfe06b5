// File names travel through the program as UTF-8 text. The system takes them
// as its own path type, which on Windows is wide and would read a narrow
// string in the ANSI code page: every name that reaches the file system goes
// through QkPath, and comes back through QkPathText, so that a name with any
// letters in it opens.
#pragma once

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

inline std::filesystem::path QkPath(const std::string& utf8)
{
    try {
        return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
    } catch (const std::exception&) {
        // Not UTF-8 after all: the system's own reading of the bytes.
        return std::filesystem::path(utf8);
    }
}

inline std::string QkPathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// std::fopen for a UTF-8 name (the wide call on Windows).
std::FILE* QkOpenFile(const std::string& utf8, const char* mode);
