#include "source/settings/qkregsys.h"

#include "err/qkwide.h"

namespace {
// "SOFTWARE\HALVANE\QK-JTAG for windows\<section>" below HKEY_CURRENT_USER,
// opened (or made) with full access for one value, as the store does for
// every access.
class clSectionKey {
public:
    clSectionKey(const std::string& key, const std::string& section)
    {
        const std::string path = key.substr(sizeof kRegistryRoot - 1) + "\\" + section;
        DWORD disposition = 0;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, QkWide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &m_Key, &disposition) != ERROR_SUCCESS)
            m_Key = nullptr;
        m_bExisted = disposition == REG_OPENED_EXISTING_KEY;
    }
    ~clSectionKey()
    {
        if (m_Key != nullptr)
            RegCloseKey(m_Key);
    }
    clSectionKey(const clSectionKey&) = delete;
    clSectionKey& operator=(const clSectionKey&) = delete;

    // A key just made holds nothing: its values are the defaults.
    HKEY Readable() const { return m_bExisted ? m_Key : nullptr; }
    HKEY Writable() const { return m_Key; }

private:
    HKEY m_Key = nullptr;
    bool m_bExisted = false;
};
} // namespace

std::string QkDefaultSettingsLocation()
{
    return std::string(kRegistryRoot) + "SOFTWARE\\HALVANE\\QK-JTAG for windows";
}

bool QkIsRegistryKey(const std::string& location)
{
    return location.rfind(kRegistryRoot, 0) == 0 && location.size() > sizeof kRegistryRoot - 1;
}

std::optional<std::string> QkRegGetString(const std::string& key, const std::string& section, const std::string& name)
{
    const clSectionKey open(key, section);
    if (open.Readable() == nullptr)
        return std::nullopt;
    const std::wstring wideName = QkWide(name);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(open.Readable(), wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(open.Readable(), wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    // The stored text may or may not end in its zero.
    text.resize(size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return QkNarrow(text);
}

std::optional<std::uint32_t> QkRegGetNumber(const std::string& key, const std::string& section, const std::string& name)
{
    const clSectionKey open(key, section);
    if (open.Readable() == nullptr)
        return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExW(open.Readable(), QkWide(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

void QkRegSetString(const std::string& key, const std::string& section, const std::string& name,
                    const std::string& text)
{
    const clSectionKey open(key, section);
    if (open.Writable() == nullptr)
        return;
    const std::wstring wide = QkWide(text);
    // With its terminating zero.
    RegSetValueExW(open.Writable(), QkWide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                   static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

void QkRegSetNumber(const std::string& key, const std::string& section, const std::string& name, std::uint32_t value)
{
    const clSectionKey open(key, section);
    if (open.Writable() == nullptr)
        return;
    const DWORD dword = value;
    RegSetValueExW(open.Writable(), QkWide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword),
                   sizeof dword);
}
