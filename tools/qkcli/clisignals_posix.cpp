#include "tools/qkcli/clisignals.h"

#include <csignal>

namespace {
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
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

void QkIgnoreBrokenPipe()
{
    std::signal(SIGPIPE, SIG_IGN);
}
