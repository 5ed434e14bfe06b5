// The ports the settings dialog offers, and the device paths a user gives to
// COM numbers. A path given here is kept in the settings file ("Ports",
// "COM<n>") and mapped at start, so a programmer on any device path (a
// /dev/serial/by-id name, a qksim link) is reached by its COM number.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "source/settings/qkreg.h"

inline constexpr const char kSectionPorts[] = "Ports";
inline constexpr int kPortComLimit = 101; // COM numbers stay below this
inline constexpr int kPortScan = 0;       // search the port table
inline constexpr const char kScanText[] = "Scan";

struct clPortEntry {
    int port = 0;     // COM number, or 0 for "Scan"
    std::string name; // "COM4", "Scan"
};

// Ports 1 to lastCom, then the current port when it lies above lastCom and
// below 101, then "Scan".
std::vector<clPortEntry> QkPortEntries(int lastCom, int current);
// The entry of port in entries; -1 when it is not there.
int QkPortEntryIndex(const std::vector<clPortEntry>& entries, int port);
// What the combo shows: the name, and the device path in parentheses when
// the COM number leads to one ("COM1 (/dev/ttyUSB0)").
std::string QkPortEntryText(const clPortEntry& entry, const std::string& path);

// The user's paths by COM number (empty values are not mappings).
std::map<int, std::string> QkGetPortPaths(const clQkSettingsStore& store);
// Keeps path for COM comNo; an empty path forgets it.
void QkSetPortPath(clQkSettingsStore& store, int comNo, const std::string& path);
// Maps every stored path to its COM number for the serial link.
void QkMapStoredPorts(const clQkSettingsStore& store);
// Why a path typed for a port cannot be one, in words naming it ("" when
// it may be one): it must be absolute and name no directory or plain file.
std::string QkPortPathProblem(const std::string& path);
