#include "source/run/vfyreport.h"

#include <bit>

std::vector<clMismatch> QkFindMismatches(const unsigned char* expected, const unsigned char* actual, std::size_t count,
                                         std::uint32_t start, std::size_t joinGap)
{
    std::vector<clMismatch> runs;
    std::size_t lastDifference = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (expected[i] == actual[i])
            continue;
        const auto address = static_cast<std::uint32_t>(start + i);
        if (runs.empty() || i - lastDifference > joinGap) {
            runs.push_back({address, address, 0, 0, 0});
        }
        clMismatch& run = runs.back();
        run.last = address;
        ++run.bytes;
        run.bits0to1 +=
            static_cast<std::uint32_t>(std::popcount(static_cast<unsigned>(actual[i] & ~expected[i] & 0xFF)));
        run.bits1to0 +=
            static_cast<std::uint32_t>(std::popcount(static_cast<unsigned>(expected[i] & ~actual[i] & 0xFF)));
        lastDifference = i;
    }
    return runs;
}
