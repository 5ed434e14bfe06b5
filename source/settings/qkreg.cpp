#include "source/settings/qkreg.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <vector>

#include "cpplib/qkfile.h"
#include "cpplib/qkpath.h"
#include "cpplib/qktext.h"
#include "source/settings/qkregsys.h"

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

// A line of a section: a value, or a line kept as it was (a comment, a blank
// line, something another program wrote), so that a save changes nothing
// but the values it sets.
struct clLine {
    bool isValue = false;
    clValue value;
    std::string raw;
};

struct clSection {
    std::string name;
    std::vector<clLine> lines;
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

    std::vector<std::string> m_Preamble; // lines before the first section
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
    const fs::file_status status = fs::status(QkPath(path), error);
    if (status.type() == fs::file_type::not_found)
        return clIniFile{};
    if (error || status.type() != fs::file_type::regular || fs::file_size(QkPath(path), error) > kMaxFileSize || error)
        return std::nullopt;
    std::ifstream in(QkPath(path), std::ios::binary);
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

// Lines that do not parse are kept as they are, and so are comments.
void clIniFile::ParseLine(const std::string& raw, clSection*& current)
{
    const std::string line = !raw.empty() && raw.back() == '\r' ? raw.substr(0, raw.size() - 1) : raw;
    const auto keep = [&] {
        if (current != nullptr)
            current->lines.push_back(clLine{false, {}, line});
        else
            m_Preamble.push_back(line);
    };
    if (line.empty() || line.front() == ';')
        return keep();
    if (line.front() == '[' && line.back() == ']') {
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
        return keep();
    clValue value;
    value.key = line.substr(0, equals);
    const std::string stored = line.substr(equals + 1);
    if (stored.rfind(kNumberTag, 0) == 0) {
        const auto number = ParseNumber(stored.substr(sizeof kNumberTag - 1));
        if (!number)
            return keep();
        value.isNumber = true;
        value.number = *number;
    } else {
        const auto text = Unquote(stored);
        if (!text)
            return keep();
        value.text = *text;
    }
    PutInto(*current, std::move(value));
}

bool clIniFile::Write(const std::string& path) const
{
    std::ostringstream text;
    bool lastBlank = true;
    const auto put = [&](const std::string& line) {
        text << line << '\n';
        lastBlank = line.empty();
    };
    for (const auto& line : m_Preamble)
        put(line);
    for (const auto& section : m_Sections) {
        if (!lastBlank)
            put("");
        put('[' + section.name + ']');
        for (const auto& line : section.lines) {
            if (!line.isValue) {
                put(line.raw);
            } else if (line.value.isNumber) {
                char digits[9];
                std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(line.value.number));
                put(line.value.key + '=' + kNumberTag + digits);
            } else {
                put(line.value.key + '=' + Quote(line.value.text));
            }
        }
    }
    std::error_code ignored;
    fs::create_directories(QkPath(path).parent_path(), ignored);
    const std::string bytes = text.str();
    return QkWriteFileAtomically(path, bytes.data(), bytes.size());
}

const clValue* clIniFile::Find(const std::string& section, const std::string& key) const
{
    for (const auto& s : m_Sections) {
        if (!SameName(s.name, section))
            continue;
        for (const auto& line : s.lines)
            if (line.isValue && SameName(line.value.key, key))
                return &line.value;
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

// A value of the same name is replaced where it stands; a new one goes
// after the section's last line that is not blank.
void clIniFile::PutInto(clSection& section, clValue value)
{
    for (auto& existing : section.lines) {
        if (existing.isValue && SameName(existing.value.key, value.key)) {
            existing.value = std::move(value);
            return;
        }
    }
    auto at = section.lines.end();
    while (at != section.lines.begin() && !std::prev(at)->isValue && std::prev(at)->raw.empty())
        --at;
    section.lines.insert(at, clLine{true, std::move(value), {}});
}

} // namespace

std::string QkSettingsPath()
{
    if (const char* location = std::getenv(kSettingsEnv); location != nullptr && *location != '\0')
        return location;
    return QkDefaultSettingsLocation();
}

clQkSettingsStore::clQkSettingsStore(std::string path) : m_sPath(std::move(path)) {}

std::string clQkSettingsStore::GetString(const std::string& section, const std::string& key,
                                         const std::string& def) const
{
    if (QkIsRegistryKey(m_sPath))
        return QkRegGetString(m_sPath, section, key).value_or(def);
    const auto ini = clIniFile::Read(m_sPath);
    const clValue* value = ini ? ini->Find(section, key) : nullptr;
    return value != nullptr && !value->isNumber ? value->text : def;
}

std::uint32_t clQkSettingsStore::GetNumber(const std::string& section, const std::string& key, std::uint32_t def) const
{
    if (QkIsRegistryKey(m_sPath))
        return QkRegGetNumber(m_sPath, section, key).value_or(def);
    const auto ini = clIniFile::Read(m_sPath);
    const clValue* value = ini ? ini->Find(section, key) : nullptr;
    return value != nullptr && value->isNumber ? value->number : def;
}

void clQkSettingsStore::SetString(const std::string& section, const std::string& key, const std::string& text)
{
    if (QkIsRegistryKey(m_sPath))
        return QkRegSetString(m_sPath, section, key, text);
    auto ini = clIniFile::Read(m_sPath);
    if (!ini)
        return;
    ini->Put(section, {key, false, text, 0});
    ini->Write(m_sPath);
}

void clQkSettingsStore::SetNumber(const std::string& section, const std::string& key, std::uint32_t value)
{
    if (QkIsRegistryKey(m_sPath))
        return QkRegSetNumber(m_sPath, section, key, value);
    auto ini = clIniFile::Read(m_sPath);
    if (!ini)
        return;
    ini->Put(section, {key, true, {}, value});
    ini->Write(m_sPath);
}

std::string clQkSettingsStore::Problem() const
{
    if (QkIsRegistryKey(m_sPath))
        return {}; // the registry's failures are silent
    std::error_code error;
    const fs::file_status status = fs::status(QkPath(m_sPath), error);
    if (m_sPath.empty() || status.type() == fs::file_type::not_found)
        return {};
    if (status.type() != fs::file_type::regular)
        return "The settings file " + m_sPath + " is not a regular file: it is neither read nor written.";
    if (fs::file_size(QkPath(m_sPath), error) > kMaxFileSize && !error)
        return "The settings file " + m_sPath + " is larger than 1 MiB: it is neither read nor written.";
    return {};
}
