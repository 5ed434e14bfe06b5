// The boot library's interface: plain C entry points that the communication
// library looks up by name after loading the library at run time. Nothing
// throws across it; results are 1 for success and -1 for failure, and the
// reason of a failure is in the record dllError returns.
#pragma once

#include <cstdint>

// The library's error record: the number of the last failure (0 none) and
// its text.
struct CDllError {
    std::int32_t m_iError;
    char m_szText[128];
};

// Receives the share of the firmware sent so far, 0 to 100.
using QkBootProgressFn = void (*)(double percent);

extern "C" {
// Loads the firmware of a device family (1 to 4) into the programmer whose
// boot monitor answers on COM port, then starts it.
std::int16_t com_init(std::int32_t port, QkBootProgressFn progress, std::int32_t family);
// Names the device that COM port stands for (what the caller's program
// mapped with ComMapPort, which this library cannot see); "" forgets it.
void com_mapport(std::int32_t port, const char* path);
// Page-wise access to the monitor's memory.
std::int16_t mem_PageNumber(std::uint16_t* page);
std::int16_t mem_Read(unsigned char page, std::uint16_t address, std::uint16_t count, unsigned char* dst);
std::int16_t mem_Write(unsigned char page, std::uint16_t address, std::uint16_t count, const unsigned char* src);
CDllError* dllError();
std::int16_t dllVersion(const char** text);
std::int16_t monitorVersion();
}

// The types of the entry points the communication library binds.
using QkComInitFn = decltype(&com_init);
using QkComMapPortFn = decltype(&com_mapport);
using QkDllErrorFn = decltype(&dllError);
using QkMonitorVersionFn = decltype(&monitorVersion);
