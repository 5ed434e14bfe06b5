#include "comm/qkcommll.h"

#include <chrono>
#include <thread>

namespace {
const auto kProcessStart = std::chrono::steady_clock::now();
}

clQKCommLL::~clQKCommLL() = default;

int clQKCommLL::Progress(unsigned char, const clAdrs&, unsigned short)
{
    return 1;
}

unsigned long clQKCommLL::GetProcessId()
{
    return 0;
}

long clQKCommLL::Clock()
{
    // The tick of a wall clock, as the C library's clock() is on the system
    // this protocol comes from; never -1.
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - kProcessStart);
    return static_cast<long>(ms.count() & 0x7FFFFFFF);
}

long clQKCommLL::Elapsed(long since)
{
    return (Clock() - since) & 0x7FFFFFFF;
}

void clQKCommLL::WaitMs(long ms)
{
    const long start = Clock();
    for (long gone = 0; gone < ms; gone = Elapsed(start))
        std::this_thread::sleep_for(std::chrono::milliseconds(ms - gone));
}
