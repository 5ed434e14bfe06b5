// Finding the serial ports of a Windows machine: the values of the registry
// key HARDWARE\DEVICEMAP\SERIALCOMM, each the name of a COM port.
#include "comm/comports.h"

#include <algorithm>

#include "err/qkwide.h"

namespace {
// 3 for "COM3", 0 for a name that is no COM port.
int ComNumber(const std::string& name)
{
    if (name.size() < 4 || name.compare(0, 3, "COM") != 0)
        return 0;
    int number = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || number > 100000)
            return 0;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}
} // namespace

std::vector<std::string> ComDetectPorts(const std::string& /*sysClassTty*/, const std::string& /*devDir*/)
{
    std::vector<std::string> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return ports;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        wchar_t data[256];
        DWORD nameSize = 256, dataSize = sizeof data, type = 0;
        const LONG result =
            RegEnumValueW(key, index, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS || type != REG_SZ)
            continue;
        std::wstring port(data, dataSize / sizeof(wchar_t));
        while (!port.empty() && port.back() == L'\0')
            port.pop_back();
        if (ComNumber(QkNarrow(port)) > 0)
            ports.push_back(QkNarrow(port));
    }
    RegCloseKey(key);
    std::sort(ports.begin(), ports.end(),
              [](const std::string& a, const std::string& b) { return ComNumber(a) < ComNumber(b); });
    ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
    return ports;
}

std::string ComSystemPortPath(int comNo)
{
    // Only a port the system lists: a number nobody installed is no port.
    const std::string name = "COM" + std::to_string(comNo);
    const std::vector<std::string> ports = ComDetectPorts();
    return std::find(ports.begin(), ports.end(), name) != ports.end() ? name : std::string();
}
