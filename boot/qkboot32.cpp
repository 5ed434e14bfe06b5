// The exported entry points of the boot library. One monitor link serves
// every call; it lives as long as the library is loaded.
#include "boot/qkboot32.h"

#include "boot/bootmon.h"
#include "comm/comports.h"
#include "qkversion.h"

namespace {

CBootMonitor& Monitor()
{
    static CBootMonitor monitor;
    return monitor;
}

} // namespace

extern "C" {

std::int16_t com_init(std::int32_t port, QkBootProgressFn progress, std::int32_t family)
{
    return static_cast<std::int16_t>(Monitor().LoadFirmware(port, progress, family));
}

void com_mapport(std::int32_t port, const char* path)
{
    ComMapPort(port, path != nullptr ? path : "");
}

std::int16_t mem_PageNumber(std::uint16_t* page)
{
    return static_cast<std::int16_t>(Monitor().PageNumber(page));
}

std::int16_t mem_Read(unsigned char page, std::uint16_t address, std::uint16_t count, unsigned char* dst)
{
    if (dst == nullptr && count > 0)
        return -1;
    return static_cast<std::int16_t>(Monitor().ReadMem(page, address, count, dst));
}

std::int16_t mem_Write(unsigned char page, std::uint16_t address, std::uint16_t count, const unsigned char* src)
{
    if (src == nullptr && count > 0)
        return -1;
    return static_cast<std::int16_t>(Monitor().WriteMem(page, address, count, src));
}

CDllError* dllError()
{
    return &Monitor().Error();
}

std::int16_t dllVersion(const char** text)
{
    // The product version of the build stands in for the version resource.
    static constexpr const char kProductVersion[] = QK_VERSION_TEXT;
    if (text == nullptr) {
        Monitor().SetError(bootErrWrongKind);
        return -1;
    }
    *text = kProductVersion;
    return 1;
}

std::int16_t monitorVersion()
{
    Monitor().SetError(bootErrWrongKind);
    return -1;
}

} // extern "C"
