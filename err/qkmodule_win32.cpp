#include "err/qkmodule.h"

#include "err/qkwide.h"

HINSTANCE QkModuleOf(const void* addressInModule)
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(addressInModule), &module))
        return nullptr;
    return module;
}

std::string QkModuleFile(const void* addressInModule)
{
    const auto module = static_cast<HMODULE>(QkModuleOf(addressInModule));
    if (module == nullptr)
        return {};
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size())
        return {};
    path.resize(n);
    return QkNarrow(path);
}

std::string QkLibraryFileName(const char* name)
{
    return std::string(name) + ".dll";
}

void* QkLoadLibrary(const std::string& path)
{
    // The wide form, so that a folder with any letters in its name works.
    return LoadLibraryW(QkWide(path).c_str());
}

void QkFreeLibrary(void* library)
{
    if (library != nullptr)
        FreeLibrary(static_cast<HMODULE>(library));
}

void* QkLibrarySymbol(void* library, const char* name)
{
    return library != nullptr ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name)) : nullptr;
}
