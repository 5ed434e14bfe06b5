// Ctrl-C, Ctrl-Break and a closed console window, through the console's
// control handler (Windows has no SIGTERM or SIGHUP to catch).
#include "tools/qkcli/clisignals.h"

#include <atomic>
#include <csignal>
#include <cstdio>

#include <windows.h>

#include "cpplib/qkfile.h"
#include "err/qkwide.h"

namespace {
std::atomic<void (*)(int)> g_Handler{nullptr};

BOOL WINAPI OnConsoleEvent(DWORD event)
{
    void (*handler)(int) = g_Handler.exchange(nullptr);
    if (handler == nullptr)
        return FALSE; // the second request ends the process as usual
    handler(event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM);
    // A closed window ends the process when this returns: the operation
    // gets the few seconds the system allows to stop on its own.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        Sleep(4000);
    return TRUE;
}

void RemovePendingAndStop(int)
{
    if (const char* pending = QkPendingTempFile(); pending[0] != '\0')
        DeleteFileW(QkWide(pending).c_str());
    ExitProcess(STATUS_CONTROL_C_EXIT);
}
} // namespace

void QkCatchStopSignals(void (*handler)(int))
{
    g_Handler = handler;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void QkReleaseStopSignals()
{
    g_Handler = nullptr;
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

void QkRemovePendingFileOnStop()
{
    QkCatchStopSignals(RemovePendingAndStop);
}

void QkIgnoreBrokenPipe()
{
    // A write to a reader that went away fails with an error here; no
    // signal ends the process.
}
