// How transfers are cut into frames: block splitting, run detection and the
// frame layouts.
#include <vector>

#include <gtest/gtest.h>

#include "comm/qkblocks.h"
#include "comm/qkpkt.h"

namespace {

using clRange = std::pair<std::uint32_t, std::uint32_t>;

std::vector<clRange> Blocks(std::uint32_t start, std::uint32_t stop, std::uint32_t max)
{
    clBlockSplit split{clAdrs(start), clAdrs(stop)};
    std::vector<clRange> blocks;
    clAdrs first, last;
    while (split.NextBlock(max, first, last) && blocks.size() < 100)
        blocks.emplace_back(first.GetLinear(), last.GetLinear());
    return blocks;
}

TEST(BlockSplit, BlocksHoldAtMostMaxAndNeverCrossA64KiBBoundary)
{
    EXPECT_EQ(Blocks(0x100, 0x137, 55), (std::vector<clRange>{{0x100, 0x136}, {0x137, 0x137}}));
    EXPECT_EQ(Blocks(0xFFF0, 0x1000F, 55), (std::vector<clRange>{{0xFFF0, 0xFFFF}, {0x10000, 0x1000F}}));
    EXPECT_EQ(Blocks(0, 62, 62), (std::vector<clRange>{{0, 61}, {62, 62}}));
    EXPECT_EQ(Blocks(7, 7, 55), (std::vector<clRange>{{7, 7}}));
    EXPECT_EQ(Blocks(0xFFFFFFF0, 0xFFFFFFFF, 55), (std::vector<clRange>{{0xFFFFFFF0, 0xFFFFFFFF}}));
    EXPECT_TRUE(Blocks(9, 8, 55).empty());
}

struct clPieceSeen {
    std::uint32_t start, stop;
    bool run;
    unsigned char value;
    bool operator==(const clPieceSeen&) const = default;
};

std::vector<clPieceSeen> Pieces(const std::vector<unsigned char>& bytes, std::uint32_t base = 0x1000)
{
    clHugeBuffer<unsigned char> buf;
    buf.SetParams(static_cast<std::uint32_t>(bytes.size()), clAdrs(base));
    buf.Write(buf.GetStartAdrs(), buf.GetStopAdrs(), bytes.data());
    clRunSplit split(buf, buf.GetStartAdrs(), buf.GetStopAdrs());
    std::vector<clPieceSeen> pieces;
    clWritePiece piece;
    while (split.Next(piece))
        pieces.push_back({piece.start.GetLinear() - base, piece.stop.GetLinear() - base, piece.run,
                          piece.run ? piece.value : static_cast<unsigned char>(0)});
    return pieces;
}

std::vector<unsigned char> Counting(std::size_t n)
{
    std::vector<unsigned char> bytes(n);
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    return bytes;
}

TEST(RunSplit, TwentyFourEqualBytesAreARunTwentyThreeAreData)
{
    auto bytes = Counting(100);
    std::fill(bytes.begin() + 10, bytes.begin() + 34, 0xAA);
    EXPECT_EQ(Pieces(bytes), (std::vector<clPieceSeen>{{0, 9, false, 0}, {10, 33, true, 0xAA}, {34, 99, false, 0}}));
    bytes = Counting(100);
    std::fill(bytes.begin() + 10, bytes.begin() + 33, 0xAA);
    EXPECT_EQ(Pieces(bytes), (std::vector<clPieceSeen>{{0, 99, false, 0}}));
}

TEST(RunSplit, RunsAtTheEdgesAndAcrossTheReadWindow)
{
    std::vector<unsigned char> bytes(30, 0x00);
    std::fill(bytes.begin(), bytes.begin() + 6, 0x11);
    EXPECT_EQ(Pieces(bytes), (std::vector<clPieceSeen>{{0, 5, false, 0}, {6, 29, true, 0x00}}));
    bytes = Counting(9000);
    std::fill(bytes.begin() + 4000, bytes.begin() + 4200, 0xFF);
    EXPECT_EQ(Pieces(bytes),
              (std::vector<clPieceSeen>{{0, 3999, false, 0}, {4000, 4199, true, 0xFF}, {4200, 8999, false, 0}}));
    // Fewer than 24 bytes in all: nothing to look for.
    EXPECT_EQ(Pieces(std::vector<unsigned char>(23, 0xFF)), (std::vector<clPieceSeen>{{0, 22, false, 0}}));
}

TEST(RunSplit, LongRunsAreCutAt16384AndAShortRestStaysData)
{
    std::vector<unsigned char> bytes(16384 + 10 + 40, 0xFF);
    std::fill(bytes.end() - 40, bytes.end(), 0x00);
    EXPECT_EQ(Pieces(bytes),
              (std::vector<clPieceSeen>{{0, 16383, true, 0xFF}, {16384, 16393, false, 0}, {16394, 16433, true, 0x00}}));
}

TEST(Frames, LayoutsAreBigEndianWithTheCountFirst)
{
    clQKPkt pkt;
    const unsigned char data[3] = {0xA1, 0xA2, 0xA3};
    pkt.SetWrite(0x20, 0, 0x01020304, data, 3);
    ASSERT_EQ(pkt.FrameLength(), 12);
    EXPECT_EQ(std::vector<unsigned char>(pkt.Bytes(), pkt.Bytes() + 12),
              (std::vector<unsigned char>{11, 3, 0x20, 0, 1, 2, 3, 4, 3, 0xA1, 0xA2, 0xA3}));
    pkt.SetFill(0x20, 0, 0x10, 0x12345, 0x5A);
    EXPECT_EQ(std::vector<unsigned char>(pkt.Bytes(), pkt.Bytes() + pkt.FrameLength()),
              (std::vector<unsigned char>{12, 4, 0x20, 0, 0, 0, 0, 0x10, 0, 1, 0x23, 0x45, 0x5A}));
    EXPECT_EQ(pkt.BigEndian32(8), 0x12345u);
    pkt.SetReboot(0x26);
    EXPECT_EQ(std::vector<unsigned char>(pkt.Bytes(), pkt.Bytes() + pkt.FrameLength()),
              (std::vector<unsigned char>{2, 6, 0x26}));
    // A frame too long for the line keeps its true length (so it is refused),
    // and building it stays inside the packet.
    const std::vector<unsigned char> args(300, 0x11);
    pkt.SetExecute(0x30, args.data(), 300);
    EXPECT_EQ(pkt.FrameLength(), 303);
    pkt.SetWrite(0x20, 0, 0, args.data(), 300);
    EXPECT_EQ(pkt.FrameLength(), 309);
}

} // namespace
