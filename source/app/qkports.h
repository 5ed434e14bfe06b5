// The port table the program searches, the port it starts with, and how a
// port is named to the user (a COM number and the device path behind it).
#pragma once

#include <string>
#include <vector>

#include "comm/qkcommtypes.h"
#include "comm/swtch.h"
#include "source/settings/qkreg.h"

inline constexpr int kDefaultLastCom = 4;
inline constexpr int kPortLimit = 101; // "Com:" adds its port only below this

struct clQkPortTable {
    // Ports 1..N, the "Com:" port when it lies above N, then {-1, 1, 0}.
    std::vector<QK_PORT_CFG> records;
    // The records a search goes through (N, or N+1 with the extra port).
    int usable = 0;
    int lastCom = kDefaultLastCom;
};

// N is "LastCom:" (1 to 100; anything else gives 4).
clQkPortTable QkBuildPortTable(const clSwtch& switches);
// "Scan" gives 0 (search); else "Com:", else "Hardware"/"comPort".
int QkStartPort(const clSwtch& switches, const clQkSettingsStore& settings);

// "Scan" for 0, "COMn" otherwise, with the device path in parentheses when
// the port has one ("COM1 (/dev/ttyUSB0)").
std::string QkPortText(int port);
