// The space views of a device and the tabs they get.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qkdb/dbase32.h"
#include "source/app/spcall.h"
#include "source/app/spccnfg.h"
#include "source/app/spcdata.h"
#include "source/app/spcosd.h"
#include "source/app/spcscrty.h"

// The tab a device gets for one of its spaces.
struct clTabSetup {
    int space; // space index (1 to 5), 0 for "All"
    int kind;  // vwData ...
    std::string title;
};
// The tabs of a device in database order: one per space (the security space
// titled "Security"), a "Security" tab when the device has lock bits but no
// security space, and "All" when there is more than one tab.
std::vector<clTabSetup> QkDeviceTabs(const clDataBase& db, unsigned short chipId);
