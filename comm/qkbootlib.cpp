#include "comm/qkbootlib.h"

#include <filesystem>

#include "comm/qkcomm.h"
#include "err/qkmodule.h"

namespace {

std::string g_sPathOverride;
long g_lRestartWaitMs = 10000;

// The folder of this library's file.
std::string OwnFolder()
{
    return std::filesystem::path(QkModuleFile(reinterpret_cast<const void*>(&GetDLLCommInstance)))
        .parent_path()
        .string();
}

} // namespace

bool clBootLibrary::Load()
{
    Release();
    m_pHandle = QkLoadLibrary(Path());
    return m_pHandle != nullptr;
}

void clBootLibrary::Release()
{
    QkFreeLibrary(m_pHandle);
    m_pHandle = nullptr;
}

void* clBootLibrary::Symbol(const char* name) const
{
    return QkLibrarySymbol(m_pHandle, name);
}

std::string clBootLibrary::Path()
{
    if (!g_sPathOverride.empty())
        return g_sPathOverride;
    return (std::filesystem::path(OwnFolder()) / QkLibraryFileName(kName)).string();
}

void clBootLibrary::SetPath(const char* path)
{
    g_sPathOverride = path != nullptr ? path : "";
}

long clBootLibrary::RestartWaitMs()
{
    return g_lRestartWaitMs;
}

void clBootLibrary::SetRestartWaitMs(long ms)
{
    g_lRestartWaitMs = ms < 0 ? 0 : ms;
}

int QkBootFamily(unsigned short deviceId)
{
    switch (deviceId) {
    case 6: return 2;
    case 7: return 3;
    case 8: return 4;
    default: return 1;
    }
}
