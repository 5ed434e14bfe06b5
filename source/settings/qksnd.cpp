#include "source/settings/qksnd.h"

#include <cstdlib>

#include "source/settings/qksettings.h"

clQkActList::clQkActList()
    : m_Actions{
          {"Startup", "Startup", "", sndNone, 18},
          {"Ready", "Ready", "", sndNone, 14},
          {"Abort", "Abort", "", sndNone, 11},
          {"Failed", "Failed", "", sndNone, 12},
          {"Information Dialog", "InfoDlg", "", sndNone, 16},
          {"Warning Dialog", "WarnDlg", "", sndNone, 17},
          {"Error Dialog", "Error", "", sndNone, 15},
      }
{}

const clSndActInfo* clQkActList::FindAction(int action) const
{
    for (const auto& info : m_Actions)
        if (info.action == action)
            return &info;
    return nullptr;
}

void clQkActList::Load(const clQkSettingsStore& store)
{
    for (auto& info : m_Actions)
        Parse(store.GetString(kSectionSounds, info.key, ""), info);
}

void clQkActList::Save(clQkSettingsStore& store) const
{
    for (const auto& info : m_Actions)
        store.SetString(kSectionSounds, info.key, Format(info));
}

std::string clQkActList::Format(const clSndActInfo& info)
{
    return std::to_string(info.kind) + "," + info.file;
}

void clQkActList::Parse(const std::string& stored, clSndActInfo& info)
{
    const auto comma = stored.find(',');
    if (comma == std::string::npos) {
        info.kind = sndNone;
        info.file.clear();
        return;
    }
    // The number as the C library reads it ("7x" reads 7, "x" reads 0).
    const long kind = std::strtol(stored.substr(0, comma).c_str(), nullptr, 10);
    const bool known = kind >= sndNone && kind <= sndWave;
    info.kind = known ? static_cast<std::uint16_t>(kind) : std::uint16_t{sndNone};
    info.file = stored.substr(comma + 1);
}
