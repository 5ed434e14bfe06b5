// Shared libraries at run time: which module an address belongs to, and
// loading a library by file name to bind its entry points. The platform's
// calls live in one file per platform (qkmodule_posix.cpp here).
#pragma once

#include <string>

// A module instance handle: the load address of a shared library (what an
// HINSTANCE is on Windows), or null.
using HINSTANCE = void*;

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
