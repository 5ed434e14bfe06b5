#include "source/project/addrrange.h"

#include <algorithm>

clAlignedRange QkAlignRange(std::uint32_t lowest, std::uint32_t highest, std::uint32_t alignment, std::uint32_t start,
                            std::uint32_t stop)
{
    const std::uint64_t a = std::max<std::uint32_t>(alignment, 1);
    const std::uint64_t low = lowest, high = highest;
    // A space smaller than one block is one block.
    const std::uint64_t block = std::min<std::uint64_t>(a, high - low + 1);

    std::uint64_t first = start - start % a;
    if (first < low)
        first = low;
    else if (first + block - 1 > high)
        first = std::max<std::uint64_t>(low, (high - block + 1) - (high - block + 1) % a);

    std::uint64_t last = static_cast<std::uint64_t>(stop) - stop % a + a - 1;
    if (last > high)
        last = high;
    else if (last < low + block - 1)
        last = low + block - 1;

    if (last < first + block - 1)
        last = std::min<std::uint64_t>(first + block - 1, high);
    return {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last)};
}
