#include "source/run/pgmstats.h"

#include <limits>

#include "source/project/qkopts.h"

namespace {
std::uint16_t Increased(std::uint16_t value)
{
    return value == std::numeric_limits<std::uint16_t>::max() ? value : static_cast<std::uint16_t>(value + 1);
}
} // namespace

std::uint16_t clPgmStats::Get(clQKOptIDType id) const
{
    std::uint16_t value = 0;
    m_Options.Get(id, value);
    return value;
}

void clPgmStats::Set(clQKOptIDType id, std::uint16_t value)
{
    m_Options.Set(id, value);
}

std::uint16_t clPgmStats::Cycles() const
{
    return Get(kOptPgmCycle);
}

std::uint16_t clPgmStats::Successes() const
{
    return Get(kOptSuccess);
}

std::uint16_t clPgmStats::Failures() const
{
    return Get(kOptFailure);
}

void clPgmStats::Begin()
{
    Set(kOptPgmCycle, Increased(Cycles()));
}

void clPgmStats::Succeeded()
{
    const std::uint16_t cycles = Cycles();
    const std::uint16_t failures = Failures();
    Set(kOptSuccess, static_cast<std::uint16_t>(cycles >= failures ? cycles - failures : 0));
}

void clPgmStats::Failed()
{
    Set(kOptFailure, Increased(Failures()));
}

void clPgmStats::Aborted()
{
    // A saturated counter no longer counts: it stays where it is.
    if (const std::uint16_t cycles = Cycles(); cycles > 0 && cycles < std::numeric_limits<std::uint16_t>::max())
        Set(kOptPgmCycle, static_cast<std::uint16_t>(cycles - 1));
}

void clPgmStats::Reset()
{
    Set(kOptPgmCycle, std::uint16_t{0});
    Set(kOptSuccess, std::uint16_t{0});
    Set(kOptFailure, std::uint16_t{0});
}
