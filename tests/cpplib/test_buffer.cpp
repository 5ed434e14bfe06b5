#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "cpplib/clbuffer.h"
#include "tests/cpplib/bufcheck.h"

namespace {

constexpr const char kBuf[] = "..\\CPPLIB\\CLBUFFER.H";

std::string At(const char* name, int line)
{
    return std::string(name) + "@" + kBuf + ":" + std::to_string(line);
}

// A 16-byte buffer at 0x100 holding 0, 1, 2, ... 15.
class BufferOps : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(buf.SetParams(16, clAdrs(0x100u)), 1);
        for (unsigned i = 0; i < 16; ++i) {
            const auto b = static_cast<unsigned char>(i);
            buf.SetByte(clAdrs(0x100u + i), &b);
        }
    }
    std::vector<unsigned char> Bytes(unsigned first, unsigned last)
    {
        std::vector<unsigned char> out(last - first + 1);
        buf.Read(clAdrs(first), clAdrs(last), out.data());
        return out;
    }
    clHugeBuffer<unsigned char> buf{"Data"};
};

TEST_F(BufferOps, StartStopAndSizeDescribeTheSpace)
{
    EXPECT_EQ(buf.GetSize(), 16u);
    EXPECT_EQ(buf.GetStartAdrs().GetLinear(), 0x100u);
    EXPECT_EQ(buf.GetStopAdrs().GetLinear(), 0x10Fu);
    EXPECT_STREQ(buf.GetName(), "Data");
    EXPECT_EQ(buf.GetByte(clAdrs(0x10Fu)), 15);
}

TEST_F(BufferOps, SumIsSixteenBitModular)
{
    EXPECT_EQ(buf.Sum(clAdrs(0x100u), clAdrs(0x10Fu)), 120);
    clHugeBuffer<unsigned char> big;
    big.SetFill(1, 0xFF);
    ASSERT_EQ(big.SetParams(0x1000, clAdrs(0u)), 1);
    EXPECT_EQ(big.Sum(clAdrs(0u), clAdrs(0xFFFu)), (0x1000u * 0xFF) & 0xFFFF);
}

TEST_F(BufferOps, ReadWriteFillAndReversedRead)
{
    const unsigned char src[3] = {0xAA, 0xBB, 0xCC};
    buf.Write(clAdrs(0x104u), clAdrs(0x106u), src);
    EXPECT_EQ(Bytes(0x103, 0x107), (std::vector<unsigned char>{3, 0xAA, 0xBB, 0xCC, 7}));
    const unsigned char value = 0x5A;
    buf.Fill(clAdrs(0x10Eu), clAdrs(0x10Fu), &value);
    EXPECT_EQ(Bytes(0x10D, 0x10F), (std::vector<unsigned char>{13, 0x5A, 0x5A}));
    unsigned char reversed[2];
    buf.ReadReversed(clAdrs(0x101u), clAdrs(0x102u), reversed);
    EXPECT_EQ(reversed[0], 0x80); // 0x01
    EXPECT_EQ(reversed[1], 0x40); // 0x02
}

TEST_F(BufferOps, CopiesAndCompares)
{
    buf.CopyWithin(clAdrs(0x100u), clAdrs(0x103u), clAdrs(0x102u)); // overlapping
    EXPECT_EQ(Bytes(0x100, 0x106), (std::vector<unsigned char>{0, 1, 0, 1, 2, 3, 6}));

    clHugeBuffer<unsigned char> other;
    ASSERT_EQ(other.SetParams(4, clAdrs(0x20u)), 1);
    buf.CopyTo(clAdrs(0x108u), clAdrs(0x10Bu), clAdrs(0x20u), other);
    EXPECT_EQ(buf.Compare(clAdrs(0x108u), clAdrs(0x10Bu), other, clAdrs(0x20u)), 1);
    EXPECT_EQ(buf.Compare(clAdrs(0x107u), clAdrs(0x10Au), other, clAdrs(0x20u)), 0);
    const unsigned char expected[2] = {8, 9};
    EXPECT_EQ(buf.Compare(clAdrs(0x108u), clAdrs(0x109u), expected), 1);
    EXPECT_EQ(buf.Compare(clAdrs(0x109u), clAdrs(0x10Au), expected), 0);
}

// Every range operation checks, in this order: memory, stop below start,
// range inside the buffer; each check has its own source line.
TEST_F(BufferOps, RangeChecksRaiseWithTheirOwnLines)
{
    unsigned char scratch[32] = {};
    const unsigned char byte = 1;
    const clAdrs lo(0x100u), hi(0x10Fu), out(0x110u), below(0xFFu);
    clHugeBuffer<unsigned char> empty;
    clHugeBuffer<unsigned char> other;
    ASSERT_EQ(other.SetParams(4, clAdrs(0u)), 1);

    EXPECT_EQ(Where(Raised([&] { empty.Sum(lo, hi); })), At("clXConstructor", 644));
    EXPECT_EQ(Where(Raised([&] { buf.Sum(hi, lo); })), At("clXRange", 650));
    EXPECT_EQ(Where(Raised([&] { buf.Sum(lo, out); })), At("clXRange", 654));

    EXPECT_EQ(Where(Raised([&] { empty.SetByte(lo, &byte); })), At("clXConstructor", 447));
    EXPECT_EQ(Where(Raised([&] { buf.SetByte(out, &byte); })), At("clXRange", 453));

    EXPECT_EQ(Where(Raised([&] { empty.CopyWithin(lo, hi, lo); })), At("clXConstructor", 496));
    EXPECT_EQ(Where(Raised([&] { buf.CopyWithin(hi, lo, lo); })), At("clXRange", 502));
    EXPECT_EQ(Where(Raised([&] { buf.CopyWithin(below, hi, lo); })), At("clXRange", 506));
    EXPECT_EQ(Where(Raised([&] { buf.CopyWithin(lo, lo + 3, hi); })), At("clXRange", 510));

    EXPECT_EQ(Where(Raised([&] { empty.CopyTo(lo, hi, clAdrs(0u), other); })), At("clXConstructor", 576));
    EXPECT_EQ(Where(Raised([&] { buf.CopyTo(lo, hi, clAdrs(0u), other); })), At("clXRange", 597));

    EXPECT_EQ(Where(Raised([&] { empty.Compare(lo, hi, scratch); })), At("clXConstructor", 696));
    EXPECT_EQ(Where(Raised([&] { buf.Compare(hi, lo, scratch); })), At("clXRange", 702));
    EXPECT_EQ(Where(Raised([&] { buf.Compare(lo, out, scratch); })), At("clXRange", 706));

    EXPECT_EQ(Where(Raised([&] { empty.Compare(lo, hi, other, clAdrs(0u)); })), At("clXConstructor", 757));
    EXPECT_EQ(Where(Raised([&] { buf.Compare(lo, hi, other, clAdrs(0u)); })), At("clXRange", 777));

    EXPECT_EQ(Where(Raised([&] { empty.Read(lo, hi, scratch); })), At("clXConstructor", 834));
    EXPECT_EQ(Where(Raised([&] { buf.Read(hi, lo, scratch); })), At("clXRange", 840));
    EXPECT_EQ(Where(Raised([&] { buf.Read(below, hi, scratch); })), At("clXRange", 844));

    EXPECT_EQ(Where(Raised([&] { empty.ReadReversed(lo, hi, scratch); })), At("clXConstructor", 887));
    EXPECT_EQ(Where(Raised([&] { buf.ReadReversed(lo, out, scratch); })), At("clXRange", 897));

    EXPECT_EQ(Where(Raised([&] { empty.Write(lo, hi, scratch); })), At("clXConstructor", 941));
    EXPECT_EQ(Where(Raised([&] { buf.Write(hi, lo, scratch); })), At("clXRange", 947));
    EXPECT_EQ(Where(Raised([&] { buf.Write(lo, out, scratch); })), At("clXRange", 951));

    EXPECT_EQ(Where(Raised([&] { empty.Fill(lo, hi, &byte); })), At("clXConstructor", 993));
    EXPECT_EQ(Where(Raised([&] { buf.Fill(hi, lo, &byte); })), At("clXRange", 999));
    EXPECT_EQ(Where(Raised([&] { buf.Fill(lo, out, &byte); })), At("clXRange", 1003));

    // Nothing was changed by the refused operations.
    EXPECT_EQ(buf.Sum(lo, hi), 120);
}

TEST(BufferSizing, SetParamsFollowsItsRules)
{
    clHugeBuffer<unsigned char> buf;
    buf.SetFill(1, 0xEE);
    ASSERT_EQ(buf.SetParams(8, clAdrs(0x10u)), 1);
    EXPECT_EQ(buf.GetByte(clAdrs(0x17u)), 0xEE);
    const unsigned char b = 0x11;
    buf.SetByte(clAdrs(0x10u), &b);

    // Same size and start: nothing changes, contents kept.
    EXPECT_EQ(buf.SetParams(8, clAdrs(0x10u)), 1);
    EXPECT_EQ(buf.GetByte(clAdrs(0x10u)), 0x11);

    // Impossible sizes are refused and change nothing.
    EXPECT_EQ(buf.SetParams(0xFFFFFFFFu, clAdrs(0u)), 0);
    EXPECT_EQ(buf.SetParams(0x20, clAdrs(0xFFFFFFF0u)), 0);
    EXPECT_EQ(buf.GetSize(), 8u);
    EXPECT_EQ(buf.GetByte(clAdrs(0x10u)), 0x11);

    // Resizing with fill-on-resize fills the whole new range.
    EXPECT_EQ(buf.SetParams(16, clAdrs(0x10u)), 1);
    EXPECT_EQ(buf.GetByte(clAdrs(0x10u)), 0xEE);
    EXPECT_EQ(buf.GetByte(clAdrs(0x1Fu)), 0xEE);

    // Without it, kept bytes stay and new ones read as 0.
    buf.FillOff();
    buf.SetByte(clAdrs(0x10u), &b);
    EXPECT_EQ(buf.SetParams(32, clAdrs(0x10u)), 1);
    EXPECT_EQ(buf.GetByte(clAdrs(0x10u)), 0x11);
    EXPECT_EQ(buf.GetByte(clAdrs(0x2Fu)), 0x00);

    // Size 0 frees the memory and takes the start.
    EXPECT_EQ(buf.SetParams(0, clAdrs(0x40u)), 1);
    EXPECT_FALSE(buf.HasMemory());
    EXPECT_EQ(buf.GetStartAdrs().GetLinear(), 0x40u);
}

TEST(BufferSizing, FillOnOffKeepTheValue)
{
    clHugeBuffer<unsigned char> buf;
    buf.SetFill(1, 0x42);
    buf.SetFill(0, 0x99); // flag off: the value stays
    EXPECT_EQ(buf.GetFillValue(), 0x42);
    buf.FillOn();
    ASSERT_EQ(buf.SetParams(2, clAdrs(0u)), 1);
    EXPECT_EQ(buf.GetByte(clAdrs(1u)), 0x42);
}

} // namespace
