#include "err/qkmodule.h"

#include <dlfcn.h>

HINSTANCE QkModuleOf(const void* addressInModule)
{
    Dl_info info{};
    if (dladdr(addressInModule, &info) == 0)
        return nullptr;
    return info.dli_fbase;
}

std::string QkModuleFile(const void* addressInModule)
{
    Dl_info info{};
    if (dladdr(addressInModule, &info) == 0 || info.dli_fname == nullptr)
        return {};
    return info.dli_fname;
}

std::string QkLibraryFileName(const char* name)
{
    return std::string("lib") + name + ".so";
}

void* QkLoadLibrary(const std::string& path)
{
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void QkFreeLibrary(void* library)
{
    if (library != nullptr)
        dlclose(library);
}

void* QkLibrarySymbol(void* library, const char* name)
{
    return library != nullptr ? dlsym(library, name) : nullptr;
}
