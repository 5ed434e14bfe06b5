// The end of a wait for the line, on the serial link's clock (QkNowUs, which
// a test's back end may simulate): every loop that waits within a budget
// asks one of these whether time is left, and how much.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

#include "comm/comhandle.h"

class clDeadline {
public:
    static clDeadline AfterMs(std::int64_t ms) { return clDeadline(QkNowUs() + ms * 1000); }
    static clDeadline AfterUs(std::int64_t us) { return clDeadline(QkNowUs() + us); }

    bool Passed() const { return QkNowUs() >= m_llEndUs; }
    std::int64_t LeftUs() const { return std::max<std::int64_t>(0, m_llEndUs - QkNowUs()); }
    // Whole milliseconds left, rounded up, so that a wait never ends early.
    int LeftMs() const
    {
        return static_cast<int>(std::min<std::int64_t>((LeftUs() + 999) / 1000, std::numeric_limits<int>::max()));
    }

private:
    explicit clDeadline(std::int64_t endUs) : m_llEndUs(endUs) {}

    std::int64_t m_llEndUs;
};
