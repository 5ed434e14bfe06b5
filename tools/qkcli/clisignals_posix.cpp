#include "tools/qkcli/clisignals.h"

#include <csignal>

#include <unistd.h>

#include "cpplib/qkfile.h"

namespace {
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemovePendingAndStop(int number)
{
    if (const char* pending = QkPendingTempFile(); pending[0] != '\0')
        unlink(pending);
    std::signal(number, SIG_DFL);
    std::raise(number);
}
} // namespace

void QkCatchStopSignals(void (*handler)(int))
{
    for (const int number : kStopSignals)
        std::signal(number, handler);
}

void QkReleaseStopSignals()
{
    for (const int number : kStopSignals)
        std::signal(number, SIG_DFL);
}

void QkRemovePendingFileOnStop()
{
    QkCatchStopSignals(RemovePendingAndStop);
}

void QkIgnoreBrokenPipe()
{
    std::signal(SIGPIPE, SIG_IGN);
}
