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

// The string value called name in key, or "" when it has none.
std::wstring StringValue(HKEY key, const wchar_t* name)
{
    wchar_t data[256];
    DWORD size = sizeof data - sizeof(wchar_t), type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    data[size / sizeof(wchar_t)] = L'\0';
    return data;
}

// The subkey names of key.
std::vector<std::wstring> SubKeys(HKEY key)
{
    std::vector<std::wstring> names;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = 256;
        if (RegEnumKeyExW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return names;
        names.emplace_back(name, size);
    }
}

// An FTDI adapter keeps its latency timer with its device parameters:
// Enum\FTDIBUS\<device>\<instance>\Device Parameters, PortName and LatencyTimer.
int FtdiLatencyTimer(const std::wstring& portName)
{
    HKEY bus = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS", 0, KEY_READ, &bus) !=
        ERROR_SUCCESS)
        return -1;
    int timer = -1;
    for (const std::wstring& device : SubKeys(bus)) {
        HKEY deviceKey = nullptr;
        if (RegOpenKeyExW(bus, device.c_str(), 0, KEY_READ, &deviceKey) != ERROR_SUCCESS)
            continue;
        for (const std::wstring& instance : SubKeys(deviceKey)) {
            HKEY parameters = nullptr;
            const std::wstring name = instance + L"\\Device Parameters";
            if (RegOpenKeyExW(deviceKey, name.c_str(), 0, KEY_READ, &parameters) != ERROR_SUCCESS)
                continue;
            DWORD value = 0, size = sizeof value, type = 0;
            if (_wcsicmp(StringValue(parameters, L"PortName").c_str(), portName.c_str()) == 0 &&
                RegQueryValueExW(parameters, L"LatencyTimer", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                    ERROR_SUCCESS &&
                type == REG_DWORD && value <= 255)
                timer = static_cast<int>(value);
            RegCloseKey(parameters);
        }
        RegCloseKey(deviceKey);
    }
    RegCloseKey(bus);
    return timer;
}

// The device name the system lists for a COM port ("\Device\VCP0" for an FTDI
// adapter, "\Device\Serial0" for a built-in UART).
std::string SystemDeviceName(const std::wstring& portName)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    std::string device;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = 256;
        if (RegEnumValueW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (_wcsicmp(StringValue(key, name).c_str(), portName.c_str()) == 0) {
            device = QkNarrow(std::wstring(name, size));
            break;
        }
    }
    RegCloseKey(key);
    return device;
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

clComLatency ComPortLatency(const std::string& path, const std::string& /*sysClassTty*/)
{
    // "COM3" or "\\.\COM3".
    const std::wstring port = QkWide(path.substr(path.rfind('\\') == std::string::npos ? 0 : path.rfind('\\') + 1));
    clComLatency latency;
    latency.driver = SystemDeviceName(port);
    latency.timerMs = FtdiLatencyTimer(port);
    return latency;
}
