#include "source/settings/qksettings.h"

#include <filesystem>

namespace {
std::string HistoryKey(int number)
{
    return "Device#" + std::to_string(number);
}
} // namespace

bool QkGetFlag(const clQkSettingsStore& store, const clQkTextKey& key)
{
    return QkGetSetting(store, key) == "TRUE";
}

void QkSetFlag(clQkSettingsStore& store, const clQkTextKey& key, bool on)
{
    QkSetSetting(store, key, on ? "TRUE" : "FALSE");
}

std::string QkGetLastProject(const clQkSettingsStore& store)
{
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    return store.GetString(kSectionSettings, kSetLastPrjKey, (current / kDefaultProject).string());
}

void QkSetLastProject(clQkSettingsStore& store, const std::string& path)
{
    store.SetString(kSectionSettings, kSetLastPrjKey, path);
}

std::vector<std::string> QkGetDeviceHistory(const clQkSettingsStore& store)
{
    std::vector<std::string> devices;
    for (int number = 1; number <= kDeviceHistoryMax; ++number)
        if (std::string device = store.GetString(kSectionHistory, HistoryKey(number), ""); !device.empty())
            devices.push_back(std::move(device));
    return devices;
}

void QkSetDeviceHistory(clQkSettingsStore& store, const std::vector<std::string>& devices)
{
    for (int number = 1; number <= kDeviceHistoryMax; ++number) {
        const auto index = static_cast<std::size_t>(number - 1);
        store.SetString(kSectionHistory, HistoryKey(number), index < devices.size() ? devices[index] : "");
    }
}
