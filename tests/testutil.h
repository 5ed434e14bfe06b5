// Small helpers shared by the tests: a temporary folder that cleans up after
// itself, an environment variable for one scope, and whole-file reads and
// writes.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

class clTempDir {
public:
    clTempDir()
    {
        // A new folder of a random name (create_directory fails on one that exists).
        std::random_device random;
        for (int attempt = 0; attempt < 100 && m_Path.empty(); ++attempt) {
            auto path = std::filesystem::temp_directory_path() / ("qktest-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(path, error))
                m_Path = path;
        }
    }
    ~clTempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_Path, ignored);
    }
    clTempDir(const clTempDir&) = delete;
    clTempDir& operator=(const clTempDir&) = delete;

    std::string File(const std::string& name) const { return (m_Path / name).string(); }
    const std::filesystem::path& Path() const { return m_Path; }

private:
    std::filesystem::path m_Path;
};

// Sets (or, given nullptr, removes) an environment variable for one scope.
class clEnvVar {
public:
    clEnvVar(const char* name, const char* value) : m_sName(name)
    {
        if (const char* old = std::getenv(name))
            m_Old = old;
        Set(name, value);
    }
    ~clEnvVar() { Set(m_sName.c_str(), m_Old ? m_Old->c_str() : nullptr); }
    clEnvVar(const clEnvVar&) = delete;
    clEnvVar& operator=(const clEnvVar&) = delete;

private:
    static void Set(const char* name, const char* value)
    {
#ifdef _WIN32
        _putenv_s(name, value != nullptr ? value : ""); // "" removes it
#else
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
#endif
    }

    std::string m_sName;
    std::optional<std::string> m_Old;
};

inline void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The lines of a text, without their line ends.
inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Files in a folder (hidden ones included), for checks that nothing was left behind.
inline std::size_t CountFiles(const std::filesystem::path& dir)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}
