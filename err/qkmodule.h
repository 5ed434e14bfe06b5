// Shared libraries at run time: which module an address belongs to, and
// loading a library by file name to bind its entry points. The platform's
// calls live in one file per platform (qkmodule_posix.cpp, qkmodule_win32.cpp).
#pragma once

#include <string>

// A module instance handle: the load address of a shared library, or null.
// On Windows the system's own type, declared as windows.h declares it.
#ifdef _WIN32
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
#else
using HINSTANCE = void*;
#endif

// The instance handle of the module (program or shared library) that holds
// the given address.
HINSTANCE QkModuleOf(const void* addressInModule);
// The file of that module, or "".
std::string QkModuleFile(const void* addressInModule);
// The file name of a shared library on this platform ("libNAME.so").
std::string QkLibraryFileName(const char* name);

// A loaded library, or null when it cannot be loaded.
void* QkLoadLibrary(const std::string& path);
void QkFreeLibrary(void* library);
// An entry point of a loaded library, or null.
void* QkLibrarySymbol(void* library, const char* name);
