#include <vector>

#include <gtest/gtest.h>

#include "source/run/vfyreport.h"

namespace {

TEST(VerifyReport, RunsOfDifferencesWithTheirBitDirections)
{
    const std::vector<unsigned char> expected = {0xFF, 0xFF, 0x00, 0x00, 0x12, 0x34, 0x56, 0x78};
    const std::vector<unsigned char> actual = {0xFF, 0xFE, 0x01, 0x00, 0x12, 0x34, 0xFF, 0x78};
    const auto runs = QkFindMismatches(expected.data(), actual.data(), expected.size(), 0x100);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].first, 0x101u);
    EXPECT_EQ(runs[0].last, 0x102u);
    EXPECT_EQ(runs[0].bytes, 2u);
    EXPECT_EQ(runs[0].bits1to0, 1u); // 0xFF -> 0xFE
    EXPECT_EQ(runs[0].bits0to1, 1u); // 0x00 -> 0x01
    EXPECT_EQ(runs[1].first, 0x106u);
    EXPECT_EQ(runs[1].last, 0x106u);
    EXPECT_EQ(runs[1].bits0to1, 4u); // 0x56 -> 0xFF sets the four clear bits
    EXPECT_EQ(runs[1].bits1to0, 0u);
}

TEST(VerifyReport, EqualBytesGiveNothingAndGapsCanJoinRuns)
{
    const std::vector<unsigned char> a = {1, 2, 3, 4, 5};
    EXPECT_TRUE(QkFindMismatches(a.data(), a.data(), a.size(), 0).empty());
    const std::vector<unsigned char> b = {0, 2, 0, 4, 5};
    EXPECT_EQ(QkFindMismatches(a.data(), b.data(), a.size(), 0).size(), 2u);
    const auto joined = QkFindMismatches(a.data(), b.data(), a.size(), 0, 2);
    ASSERT_EQ(joined.size(), 1u);
    EXPECT_EQ(joined[0].first, 0u);
    EXPECT_EQ(joined[0].last, 2u);
    EXPECT_EQ(joined[0].bytes, 2u);
}

} // namespace
