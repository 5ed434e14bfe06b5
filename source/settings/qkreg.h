// The settings store: sections of named values, each a text or a 32-bit
// number, kept per user in the registry on Windows, in an INI file
// elsewhere (qkregsys.h).
//
// A value is only found with the type it was stored as; anything missing,
// unreadable or of the other type gives the caller's default. Failures are
// silent: reads fall back to defaults and a write that fails is dropped.
#pragma once

#include <cstdint>
#include <string>

// Names the settings file (or, on Windows, a registry key below
// "HKEY_CURRENT_USER\") instead of the default location; tests use it so
// that they never touch a user's settings.
inline constexpr const char kSettingsEnv[] = "QKJTAG_SETTINGS";

// $QKJTAG_SETTINGS when set, else the platform's own location: on Windows
// the key "HKEY_CURRENT_USER\SOFTWARE\HALVANE\QK-JTAG for windows", elsewhere
// "HALVANE/QK-JTAG for windows.ini" in $XDG_CONFIG_HOME (or ~/.config);
// empty when there is no home.
std::string QkSettingsPath();

class clQkSettingsStore {
public:
    explicit clQkSettingsStore(std::string path = QkSettingsPath());

    const std::string& GetPath() const { return m_sPath; }

    std::string GetString(const std::string& section, const std::string& key, const std::string& def) const;
    std::uint32_t GetNumber(const std::string& section, const std::string& key, std::uint32_t def) const;
    void SetString(const std::string& section, const std::string& key, const std::string& text);
    void SetNumber(const std::string& section, const std::string& key, std::uint32_t value);
    // Why the file cannot serve as the settings file ("" when it can, or is
    // not there yet), for the program to say once.
    std::string Problem() const;

private:
    std::string m_sPath;
};
