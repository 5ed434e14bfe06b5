// The description of a device shown beside the device list.
#pragma once

#include <cstdint>
#include <string>

class clDataBase;

// The text for the device with that chip id, in the Windows-1252 code page
// (the erasable mark is the byte 0xB2, a superscript two). Raises clDbBadId
// for an unknown chip id.
std::string QkDeviceDescription(const clDataBase& db, unsigned short chipId);

// "Eprom", "uC", "Pld" or "????" for a device type.
const char* QkDeviceTypeName(std::int32_t type);
