#include "source/settings/qkregsys.h"

#include <cstdlib>

#include "cpplib/qkpath.h"

namespace {
std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}
} // namespace

// "HALVANE/QK-JTAG for windows.ini" in $XDG_CONFIG_HOME, or ~/.config.
std::string QkDefaultSettingsLocation()
{
    std::filesystem::path folder = QkPath(Environment("XDG_CONFIG_HOME"));
    if (folder.empty() || folder.is_relative()) {
        const std::string home = Environment("HOME");
        if (home.empty())
            return "";
        folder = QkPath(home) / ".config";
    }
    return QkPathText(folder / "HALVANE" / "QK-JTAG for windows.ini");
}

// No registry here: every location is a file.
bool QkIsRegistryKey(const std::string&)
{
    return false;
}

std::optional<std::string> QkRegGetString(const std::string&, const std::string&, const std::string&)
{
    return std::nullopt;
}

std::optional<std::uint32_t> QkRegGetNumber(const std::string&, const std::string&, const std::string&)
{
    return std::nullopt;
}

void QkRegSetString(const std::string&, const std::string&, const std::string&, const std::string&) {}

void QkRegSetNumber(const std::string&, const std::string&, const std::string&, std::uint32_t) {}
