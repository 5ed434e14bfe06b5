#include <gtest/gtest.h>

#include "source/project/addrrange.h"

namespace {

TEST(AlignRange, EndsGoToTheirBlocksAndStayInsideTheSpace)
{
    // Alignment 256, space 0..0x7FFF.
    auto r = QkAlignRange(0, 0x7FFF, 256, 0x7F80, 0x7FFF);
    EXPECT_EQ(r.start, 0x7F00u);
    EXPECT_EQ(r.stop, 0x7FFFu);
    r = QkAlignRange(0, 0x7FFF, 256, 0, 0x10);
    EXPECT_EQ(r.stop, 0xFFu);
    r = QkAlignRange(0, 0x7FFF, 256, 0x123, 0x456);
    EXPECT_EQ(r.start, 0x100u);
    EXPECT_EQ(r.stop, 0x4FFu);
    // Past the end: the last block and the end.
    r = QkAlignRange(0, 0x7FFF, 256, 0x9000, 0x9FFF);
    EXPECT_EQ(r.start, 0x7F00u);
    EXPECT_EQ(r.stop, 0x7FFFu);
}

TEST(AlignRange, SpacesThatDoNotStartAtZeroAndStopsBelowTheStart)
{
    // OSD space 0xC000..0xCFFF in blocks of 256.
    auto r = QkAlignRange(0xC000, 0xCFFF, 256, 0x100, 0x200);
    EXPECT_EQ(r.start, 0xC000u);
    EXPECT_EQ(r.stop, 0xC0FFu);
    // A stop below the start: one block from the start.
    r = QkAlignRange(0, 0x5FFFF, 2048, 0x1000, 0x10);
    EXPECT_EQ(r.start, 0x1000u);
    EXPECT_EQ(r.stop, 0x17FFu);
    // Byte alignment changes nothing inside the space.
    r = QkAlignRange(0, 0x1FF, 1, 0x10, 0x20);
    EXPECT_EQ(r.start, 0x10u);
    EXPECT_EQ(r.stop, 0x20u);
}

} // namespace
