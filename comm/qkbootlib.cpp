#include "comm/qkbootlib.h"

#include <dlfcn.h>
#include <filesystem>

#include "comm/qkcomm.h"

namespace {

std::string g_sPathOverride;
long g_lRestartWaitMs = 10000;

// The folder of this library's file.
std::string OwnFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&GetDLLCommInstance), &info) == 0 || info.dli_fname == nullptr)
        return {};
    return std::filesystem::path(info.dli_fname).parent_path().string();
}

} // namespace

bool clBootLibrary::Load()
{
    Release();
    m_pHandle = dlopen(Path().c_str(), RTLD_NOW | RTLD_LOCAL);
    return m_pHandle != nullptr;
}

void clBootLibrary::Release()
{
    if (m_pHandle != nullptr)
        dlclose(m_pHandle);
    m_pHandle = nullptr;
}

void* clBootLibrary::Symbol(const char* name) const
{
    return m_pHandle != nullptr ? dlsym(m_pHandle, name) : nullptr;
}

std::string clBootLibrary::Path()
{
    if (!g_sPathOverride.empty())
        return g_sPathOverride;
    return (std::filesystem::path(OwnFolder()) / kFileName).string();
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
