#include "source/settings/portlist.h"

#include <filesystem>

#include "comm/comports.h"
#include "cpplib/qkpath.h"

namespace fs = std::filesystem;

namespace {
std::string PortKey(int comNo)
{
    return "COM" + std::to_string(comNo);
}
} // namespace

std::vector<clPortEntry> QkPortEntries(int lastCom, int current)
{
    std::vector<clPortEntry> entries;
    for (int port = 1; port <= lastCom && port < kPortComLimit; ++port)
        entries.push_back({port, PortKey(port)});
    if (current > lastCom && current < kPortComLimit)
        entries.push_back({current, PortKey(current)});
    entries.push_back({kPortScan, kScanText});
    return entries;
}

int QkPortEntryIndex(const std::vector<clPortEntry>& entries, int port)
{
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].port == port)
            return static_cast<int>(i);
    return -1;
}

std::string QkPortEntryText(const clPortEntry& entry, const std::string& path)
{
    if (entry.port == kPortScan || path.empty())
        return entry.name;
    return entry.name + " (" + path + ")";
}

std::map<int, std::string> QkGetPortPaths(const clQkSettingsStore& store)
{
    std::map<int, std::string> paths;
    for (int comNo = 1; comNo < kPortComLimit; ++comNo)
        if (std::string path = store.GetString(kSectionPorts, PortKey(comNo), ""); !path.empty())
            paths[comNo] = std::move(path);
    return paths;
}

void QkSetPortPath(clQkSettingsStore& store, int comNo, const std::string& path)
{
    if (comNo < 1 || comNo >= kPortComLimit)
        return;
    // Forgetting a path that was never kept writes nothing.
    if (path.empty() && store.GetString(kSectionPorts, PortKey(comNo), "").empty())
        return;
    store.SetString(kSectionPorts, PortKey(comNo), path);
}

void QkMapStoredPorts(const clQkSettingsStore& store)
{
    for (const auto& [comNo, path] : QkGetPortPaths(store))
        ComMapPort(comNo, path);
}

std::string QkPortPathProblem(const std::string& path)
{
    if (path.empty())
        return {};
    if (path.front() != '/')
        return path + " is not an absolute path";
    // A port that is not there now (an adapter unplugged, qksim not started)
    // may well be there later; a folder or a plain file never is one.
    std::error_code error;
    const fs::file_status status = fs::status(QkPath(path), error);
    if (status.type() == fs::file_type::directory)
        return path + " is a directory, not a serial device";
    if (status.type() == fs::file_type::regular)
        return path + " is not a serial device (a regular file)";
    return {};
}
