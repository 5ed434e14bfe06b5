// The command range of a space as its start and stop fields make it: both
// ends on the space's block alignment and inside the space.
#pragma once

#include <cstdint>

struct clAlignedRange {
    std::uint32_t start;
    std::uint32_t stop;
};

// Aligns start down and stop up to blocks of alignment bytes, keeps both
// inside lowest..highest (a start past the last block takes the last block,
// a stop past the end takes the end) and the range at least one block long.
clAlignedRange QkAlignRange(std::uint32_t lowest, std::uint32_t highest, std::uint32_t alignment, std::uint32_t start,
                            std::uint32_t stop);
