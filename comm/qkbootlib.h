// The boot library as the communication library uses it: a file loaded by
// name from the folder this library lives in when a firmware update is due,
// its entry points bound by name, and released after the one call.
#pragma once

#include <string>

#include "boot/qkboot32.h"

class clBootLibrary {
public:
    static constexpr const char kName[] = "qkboot32";

    clBootLibrary() = default;
    clBootLibrary(const clBootLibrary&) = delete;
    clBootLibrary& operator=(const clBootLibrary&) = delete;
    ~clBootLibrary() { Release(); }

    // Loads the library from Path(); false when it cannot be loaded.
    bool Load();
    void Release();
    // An entry point, or null.
    template <class F>
    F Entry(const char* name) const
    {
        return reinterpret_cast<F>(Symbol(name));
    }

    // The file loaded: the library kName ("libqkboot32.so" here) beside this
    // library, unless one was set.
    static std::string Path();
    // For tests: another file (null: back to the default).
    static void SetPath(const char* path);
    // How long the programmer gets to restart after an update: 10 s unless
    // a test shortens it.
    static long RestartWaitMs();
    static void SetRestartWaitMs(long ms);

private:
    void* Symbol(const char* name) const;

    void* m_pHandle = nullptr;
};

// The device-family code com_init takes for a device id.
int QkBootFamily(unsigned short deviceId);
