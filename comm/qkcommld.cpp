#include "comm/qkcommld.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "comm/qkcalc.h"
#include "cpplib/clexpt.h"

namespace {

constexpr const char kSrc[] = "..\\comm\\qkcommld.cpp";
constexpr long kSleepStepMs = 10;

// The first index i (1-based) at which trunc(i / perStep) reaches step.
std::uint64_t FirstIndexOfStep(long step, double perStep)
{
    auto stepOf = [perStep](std::uint64_t i) {
        return static_cast<long>(std::trunc(static_cast<double>(i) / perStep));
    };
    auto i = static_cast<std::uint64_t>(std::max(1.0, std::ceil(step * perStep)));
    while (i > 1 && stepOf(i - 1) >= step)
        --i;
    while (stepOf(i) < step)
        ++i;
    return i;
}

} // namespace

clQKCommLL* clQKCommLLD::InitCommLog(const char* path)
{
    return m_Log.Open(path) ? this : nullptr;
}

void clQKCommLLD::GetProtocolVer(TArrayAsVector<clVerInfo>& list)
{
    list.push_back(QkVerFromText(kProtocolName, kProtocolVersion));
}

void clQKCommLLD::GetQKVer(TArrayAsVector<clVerInfo>& list)
{
    list.push_back(QkVerFromText(kProgrammerName, ""));
}

void clQKCommLLD::Connect(const QK_COMM_PORT&)
{
    // Nothing goes to the line, so nothing is logged; the stream is still
    // checked, as a connect of the real protocol would.
    m_Log.Flush();
}

unsigned short clQKCommLLD::ChkSum(const clQKHugeBufIntr& buf)
{
    Simulate(buf, 0);
    return buf.Sum(buf.GetCmdStartAdrs(), buf.GetCmdStopAdrs());
}

unsigned short clQKCommLLD::Program(const clQKHugeBufIntr& buf)
{
    Simulate(buf, 0);
    Simulate(buf, 8); // the final verify
    return buf.Sum(buf.GetCmdStartAdrs(), buf.GetCmdStopAdrs());
}

void clQKCommLLD::Report(double percent, const clAdrs& address, unsigned short textNo)
{
    if (Progress(static_cast<unsigned char>(std::trunc(percent)), address, textNo) == 0)
        QkRaise<clXAbort>(this, kSrc, 182);
}

void clQKCommLLD::WaitUntil(long since, long ms)
{
    for (long gone = Elapsed(since); gone < ms; gone = Elapsed(since))
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms - gone, kSleepStepMs)));
}

void clQKCommLLD::Simulate(const clAdrs& start, const clAdrs& stop, unsigned short textNo)
{
    if (!(start <= stop))
        clXRegistrator<clQKCommLLD, clXIntrErr>::Raise(clXIntrErr("start_adrs <= stop_adrs"), this, kSrc, 160);
    const double n = static_cast<double>(stop - start) + 1;
    // Short ranges take a step per byte; longer ones a hundred steps.
    const double perStepAdrs = n < 100 ? 1 : 0.01 * n;
    const double perStepPercent = n < 100 ? 100 / n : 1;
    Report(0, start, textNo);
    const long t0 = Clock();
    const auto steps = static_cast<long>(std::trunc(n / perStepAdrs));
    double percent = 0;
    for (long step = 1; step <= steps; ++step) {
        percent = std::min(100.0, percent + perStepPercent);
        const std::uint64_t i = FirstIndexOfStep(step, perStepAdrs);
        Report(percent, start + static_cast<std::uint32_t>(i - 1), textNo);
        WaitUntil(t0, step * kStepMs);
    }
    Report(100, stop, textNo);
}
