#include "cpplib/qksystem.h"

#include <windows.h>

std::uint64_t QkPhysicalMemoryBytes()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}
