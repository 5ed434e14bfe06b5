#include "source/qkreg.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "cpplib/qkfile.h"
#include "cpplib/qktext.h"

namespace fs = std::filesystem;

namespace {
// Larger than any settings file; anything bigger is not ours to read or replace.
constexpr std::uintmax_t kMaxFileSize = 1u << 20;
constexpr const char kNumberTag[] = "dword:";

struct clValue {
    std::string key;
    bool isNumber = false;
    std::string text;
    std::uint32_t number = 0;
};

struct clSection {
    std::string name;
    std::vector<clValue> values;
};

// The file as sections of values. Names compare without regard to case, as
// registry names do.
class clIniFile {
public:
    static std::optional<clIniFile> Read(const std::string& path);
    bool Write(const std::string& path) const;

    const clValue* Find(const std::string& section, const std::string& key) const;
    void Put(const std::string& section, clValue value);

private:
    void ParseLine(const std::string& line, clSection*& current);
    static void PutInto(clSection& section, clValue value);

    std::vector<clSection> m_Sections;
};

bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (std::tolower(x) != std::tolower(y))
            return false;
    }
    return true;
}

std::string Quote(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            quoted += '\\';
            quoted += c;
        } else if (u < 0x20 || u == 0x7F) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", u);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::optional<std::string> Unquote(const std::string& quoted)
{
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
        return std::nullopt;
    std::string text;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        const char c = quoted[i];
        if (c == '"')
            return std::nullopt;
        if (c != '\\') {
            text += c;
            continue;
        }
        if (i + 2 >= quoted.size())
            return std::nullopt;
        const char escaped = quoted[++i];
        if (escaped == '\\' || escaped == '"') {
            text += escaped;
        } else if (escaped == 'x' && i + 3 < quoted.size() && QkHexDigitValue(quoted[i + 1]) >= 0 &&
                   QkHexDigitValue(quoted[i + 2]) >= 0) {
            text += static_cast<char>(QkHexDigitValue(quoted[i + 1]) * 16 + QkHexDigitValue(quoted[i + 2]));
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return text;
}

std::optional<std::uint32_t> ParseNumber(const std::string& digits)
{
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : digits) {
        const int digit = QkHexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::optional<clIniFile> clIniFile::Read(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found)
        return clIniFile{};
    if (error || status.type() != fs::file_type::regular || fs::file_size(path, error) > kMaxFileSize || error)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    clIniFile ini;
    clSection* current = nullptr;
    std::string line;
    while (std::getline(in, line))
        ini.ParseLine(line, current);
    if (in.bad())
        return std::nullopt;
    return ini;
}

// Lines that do not parse are passed over; values outside a section too.
void clIniFile::ParseLine(const std::string& raw, clSection*& current)
{
    const std::string line = !raw.empty() && raw.back() == '\r' ? raw.substr(0, raw.size() - 1) : raw;
    if (line.empty() || line.front() == ';')
        return;
    if (line.front() == '[') {
        if (line.back() != ']')
            return;
        const std::string name = line.substr(1, line.size() - 2);
        current = nullptr;
        for (auto& section : m_Sections)
            if (SameName(section.name, name))
                current = &section;
        if (current == nullptr)
            current = &m_Sections.emplace_back(clSection{name, {}});
        return;
    }
    const auto equals = line.find('=');
    if (current == nullptr || equals == 0 || equals == std::string::npos)
        return;
    clValue value;
    value.key = line.substr(0, equals);
    const std::string stored = line.substr(equals + 1);
    if (stored.rfind(kNumberTag, 0) == 0) {
        const auto number = ParseNumber(stored.substr(sizeof kNumberTag - 1));
        if (!number)
            return;
        value.isNumber = true;
        value.number = *number;
    } else {
        const auto text = Unquote(stored);
        if (!text)
            return;
        value.text = *text;
    }
    PutInto(*current, std::move(value));
}

bool clIniFile::Write(const std::string& path) const
{
    std::ostringstream text;
    for (const auto& section : m_Sections) {
        text << '[' << section.name << "]\n";
        for (const auto& value : section.values) {
            text << value.key << '=';
            if (value.isNumber) {
                char digits[9];
                std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(value.number));
                text << kNumberTag << digits << '\n';
            } else {
                text << Quote(value.text) << '\n';
            }
        }
        text << '\n';
    }
    std::error_code ignored;
    fs::create_directories(fs::path(path).parent_path(), ignored);
    const std::string bytes = text.str();
    return QkWriteFileAtomically(path, bytes.data(), bytes.size());
}

const clValue* clIniFile::Find(const std::string& section, const std::string& key) const
{
    for (const auto& s : m_Sections) {
        if (!SameName(s.name, section))
            continue;
        for (const auto& value : s.values)
            if (SameName(value.key, key))
                return &value;
    }
    return nullptr;
}

void clIniFile::Put(const std::string& section, clValue value)
{
    clSection* target = nullptr;
    for (auto& s : m_Sections)
        if (SameName(s.name, section))
            target = &s;
    if (target == nullptr)
        target = &m_Sections.emplace_back(clSection{section, {}});
    PutInto(*target, std::move(value));
}

// A value of the same name is replaced where it stands.
void clIniFile::PutInto(clSection& section, clValue value)
{
    for (auto& existing : section.values) {
        if (SameName(existing.key, value.key)) {
            existing = std::move(value);
            return;
        }
    }
    section.values.push_back(std::move(value));
}

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}
} // namespace

std::string QkSettingsPath()
{
    if (std::string path = Environment(kSettingsEnv); !path.empty())
        return path;
    fs::path folder = Environment("XDG_CONFIG_HOME");
    if (folder.empty() || folder.is_relative()) {
        const std::string home = Environment("HOME");
        if (home.empty())
            return "";
        folder = fs::path(home) / ".config";
    }
    return (folder / "HALVANE" / "QK-JTAG for windows.ini").string();
}

clQkSettingsStore::clQkSettingsStore(std::string path) : m_sPath(std::move(path)) {}

std::string clQkSettingsStore::GetString(const std::string& section, const std::string& key,
                                         const std::string& def) const
{
    const auto ini = clIniFile::Read(m_sPath);
    const clValue* value = ini ? ini->Find(section, key) : nullptr;
    return value != nullptr && !value->isNumber ? value->text : def;
}

std::uint32_t clQkSettingsStore::GetNumber(const std::string& section, const std::string& key, std::uint32_t def) const
{
    const auto ini = clIniFile::Read(m_sPath);
    const clValue* value = ini ? ini->Find(section, key) : nullptr;
    return value != nullptr && value->isNumber ? value->number : def;
}

void clQkSettingsStore::SetString(const std::string& section, const std::string& key, const std::string& text)
{
    auto ini = clIniFile::Read(m_sPath);
    if (!ini)
        return;
    ini->Put(section, {key, false, text, 0});
    ini->Write(m_sPath);
}

void clQkSettingsStore::SetNumber(const std::string& section, const std::string& key, std::uint32_t value)
{
    auto ini = clIniFile::Read(m_sPath);
    if (!ini)
        return;
    ini->Put(section, {key, true, {}, value});
    ini->Write(m_sPath);
}
