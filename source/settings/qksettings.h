// The program's settings: every stored value with its section, key and
// default.
#pragma once

#include <string>
#include <vector>

#include "source/settings/qkreg.h"

struct clQkNumberKey {
    const char* section;
    const char* key;
    std::uint32_t def;
};

struct clQkTextKey {
    const char* section;
    const char* key;
    const char* def;
};

inline constexpr const char kSectionSettings[] = "Settings";
inline constexpr const char kSectionHardware[] = "Hardware";
inline constexpr const char kSectionSounds[] = "Actions Sounds";
inline constexpr const char kSectionFlags[] = "QKJTAG flags";
inline constexpr const char kSectionHistory[] = "Device History";

inline constexpr clQkNumberKey kSetXPos{kSectionSettings, "xPos", 90};
inline constexpr clQkNumberKey kSetYPos{kSectionSettings, "yPos", 40};
inline constexpr clQkNumberKey kSetFlyoverButtons{kSectionSettings, "Flyover Buttons", 1};
inline constexpr clQkNumberKey kSetTipMode{kSectionSettings, "Tip Mode", 2};
inline constexpr clQkNumberKey kSetMute{kSectionSounds, "Mute", 0};
inline constexpr clQkNumberKey kSetComPort{kSectionHardware, "comPort", 0};
inline constexpr clQkTextKey kSetIgnoreStartStop{kSectionFlags, "Ignore Start Stop", "TRUE"};
inline constexpr clQkTextKey kSetAllowFlash{kSectionFlags, "Allow flash programm", "FALSE"};
// "Settings"/"lastPrj" defaults to MyProject.qkp in the current folder.
inline constexpr const char kSetLastPrjKey[] = "lastPrj";
inline constexpr const char kDefaultProject[] = "MyProject.qkp";
// "Device History"/"Device#1" (newest) to "Device#7".
inline constexpr int kDeviceHistoryMax = 7;

// Numbers are stored as 32 bits; a window position may be negative.
inline std::int32_t QkGetSetting(const clQkSettingsStore& store, const clQkNumberKey& key)
{
    return static_cast<std::int32_t>(store.GetNumber(key.section, key.key, key.def));
}
inline void QkSetSetting(clQkSettingsStore& store, const clQkNumberKey& key, std::int32_t value)
{
    store.SetNumber(key.section, key.key, static_cast<std::uint32_t>(value));
}
inline std::string QkGetSetting(const clQkSettingsStore& store, const clQkTextKey& key)
{
    return store.GetString(key.section, key.key, key.def);
}
inline void QkSetSetting(clQkSettingsStore& store, const clQkTextKey& key, const std::string& text)
{
    store.SetString(key.section, key.key, text);
}

// Flags are stored as "TRUE" or "FALSE"; only "TRUE" sets one.
bool QkGetFlag(const clQkSettingsStore& store, const clQkTextKey& key);
void QkSetFlag(clQkSettingsStore& store, const clQkTextKey& key, bool on);

std::string QkGetLastProject(const clQkSettingsStore& store);
void QkSetLastProject(clQkSettingsStore& store, const std::string& path);

// The non-empty history values, newest first.
std::vector<std::string> QkGetDeviceHistory(const clQkSettingsStore& store);
// Stores up to seven entries as "Device#1" onwards; the rest become empty.
void QkSetDeviceHistory(clQkSettingsStore& store, const std::vector<std::string>& devices);
