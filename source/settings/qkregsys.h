// Where the settings live on this platform: one file per platform
// (qkreg_posix.cpp, qkreg_win32.cpp). On Windows the store is the registry,
// under HKEY_CURRENT_USER; an INI file serves where there is none, and on
// Windows too when a location names one (tests, a portable set-up).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The registry key that holds the sections on Windows; a location written
// this way is a key, any other a file.
inline constexpr const char kRegistryRoot[] = "HKEY_CURRENT_USER\\";

// The platform's own location of the settings when nothing overrides it:
// the registry key "SOFTWARE\HALVANE\QK-JTAG for windows" on Windows, the
// INI file in the user's configuration folder elsewhere; "" when there is
// none.
std::string QkDefaultSettingsLocation();

// Whether location names a registry key this platform has.
bool QkIsRegistryKey(const std::string& location);

// A value of the section below the key, only when it is there with that
// type. A write that fails is dropped, as every settings failure is.
std::optional<std::string> QkRegGetString(const std::string& key, const std::string& section, const std::string& name);
std::optional<std::uint32_t> QkRegGetNumber(const std::string& key, const std::string& section,
                                            const std::string& name);
void QkRegSetString(const std::string& key, const std::string& section, const std::string& name,
                    const std::string& text);
void QkRegSetNumber(const std::string& key, const std::string& section, const std::string& name, std::uint32_t value);
