// Where a device differs from the buffer it should hold: the runs of
// mismatching bytes, with how many bits went from 0 to 1 and from 1 to 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct clMismatch {
    std::uint32_t first = 0; // address of the first differing byte of the run
    std::uint32_t last = 0;  // and of the last
    std::uint32_t bytes = 0;
    std::uint32_t bits0to1 = 0; // set on the device, clear in the buffer
    std::uint32_t bits1to0 = 0; // clear on the device, set in the buffer
};

// Compares count bytes that should be (expected) with what was read
// (actual), both starting at address start. Runs of differing bytes
// separated by fewer than joinGap equal bytes are reported as one.
std::vector<clMismatch> QkFindMismatches(const unsigned char* expected, const unsigned char* actual, std::size_t count,
                                         std::uint32_t start, std::size_t joinGap = 1);
