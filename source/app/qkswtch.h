// The program's own switch table (the communication library builds its own
// from the same argument vector).
#pragma once

#include "comm/swtch.h"

namespace qkpsw {
inline constexpr const char kPrjFile[] = "prj_file";                  // "P:" project to load at start
inline constexpr const char kSize[] = "size";                         // "Size:" KB, least size of a space buffer
inline constexpr const char kLastCom[] = "last_com";                  // "LastCom:" ports in the port table
inline constexpr const char kConnCom[] = "conn_com";                  // "Com:" port to use at start
inline constexpr const char kScan[] = "scan";                         // "Scan" search the ports at start
inline constexpr const char kForceDemo[] = "force_demo";              // "Demo" (read by the facade)
inline constexpr const char kIsFreq[] = "is_freq";                    // "FREQ" crystal field in the settings
inline constexpr const char kTDelay[] = "tDelay";                     // "TDELAY:" the program-wide delay, ms
inline constexpr const char kForceBootUpdate[] = "force_boot_update"; // "ADMIN"
} // namespace qkpsw

class clQkSwtch : public clSwtch {
public:
    // The argument vector is the caller's and must outlive the table.
    clQkSwtch(int argc, const char* const* argv);
};
