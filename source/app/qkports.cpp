#include "source/app/qkports.h"

#include "comm/comports.h"
#include "source/app/qkswtch.h"
#include "source/settings/qksettings.h"

clQkPortTable QkBuildPortTable(const clSwtch& switches)
{
    clQkPortTable table;
    std::int32_t n = kDefaultLastCom;
    // A table of thousands of ports would only make a search crawl.
    if (switches.GetInt(qkpsw::kLastCom, n) != 1 || n < 1 || n >= kPortLimit)
        n = kDefaultLastCom;
    table.lastCom = n;
    for (int k = 1; k <= n; ++k)
        table.records.push_back(QK_PORT_CFG{k, 1, 0});
    table.usable = n;
    std::int32_t com = 0;
    if (switches.GetInt(qkpsw::kConnCom, com) == 1 && com > n && com < kPortLimit) {
        table.records.push_back(QK_PORT_CFG{com, 1, 0});
        ++table.usable;
    }
    table.records.push_back(QK_PORT_CFG{-1, 1, 0});
    return table;
}

int QkStartPort(const clSwtch& switches, const clQkSettingsStore& settings)
{
    if (switches.IsSet(qkpsw::kScan) == 1)
        return 0;
    std::int32_t com = 0;
    if (switches.GetInt(qkpsw::kConnCom, com) == 1)
        return com;
    return QkGetSetting(settings, kSetComPort);
}

std::string QkPortText(int port)
{
    if (port == 0)
        return "Scan";
    if (port < 0)
        return "";
    std::string text = "COM" + std::to_string(port);
    if (const std::string path = ComPortPath(port); !path.empty())
        text += " (" + path + ")";
    return text;
}
