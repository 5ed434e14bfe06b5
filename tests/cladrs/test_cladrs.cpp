#include <sstream>

#include <gtest/gtest.h>

#include "cladrs/cladrs.h"
#include "err/qkexpt.h"

namespace {

// Runs fn and returns the line of the clBscExpt it raised (-1 if none) after
// checking the source file.
template <class X, class Fn>
int RaisedLine(Fn fn)
{
    try {
        fn();
    } catch (const X& e) {
        EXPECT_EQ(e.GetFile(), "..\\cladrs\\cladrs.cpp");
        return e.GetLine();
    }
    return -1;
}

TEST(Adrs, SegmentedKindsDeriveTheLinearAddress)
{
    const clAdrs segment(adrsSegment, 0x1234, 0x0010);
    EXPECT_EQ(segment.GetLinear(), 0x12350u);
    const clAdrs halves(adrsBase64K, 0x1234, 0x0010);
    EXPECT_EQ(halves.GetLinear(), 0x12340010u);
    EXPECT_EQ(clAdrs(adrsSegment, 0xFFFF, 0xFFFF).GetLinear(), 0x10FFEFu);

    clAdrs a(adrsSegment, 0x1000, 0);
    a.SetOffset(0x10);
    EXPECT_EQ(a.GetLinear(), 0x10010u);
    a.SetBase(0x2000);
    EXPECT_EQ(a.GetLinear(), 0x20010u);
    a.SetAdrs(adrsBase64K, 1, 0x10);
    EXPECT_EQ(a.GetLinear(), 0x10010u);
    EXPECT_EQ(a.GetBase(), 1);
    EXPECT_EQ(a.GetOffset(), 0x10);
}

TEST(Adrs, LinearAddressesHaveNoBaseOrOffset)
{
    const clAdrs linear(0x100u);
    EXPECT_EQ(RaisedLine<clXType>([&] { linear.GetBase(); }), 175);
    EXPECT_EQ(RaisedLine<clXType>([&] { linear.GetOffset(); }), 219);
    clAdrs changing(0x100u);
    EXPECT_EQ(RaisedLine<clXType>([&] { changing.SetOffset(1); }), 238);
    EXPECT_EQ(RaisedLine<clXType>([&] { changing.SetBase(1); }), 259);
    EXPECT_EQ(RaisedLine<clXType>([&] { changing.SetAdrs(adrsLinear, 1, 1); }), 197);
    EXPECT_EQ(RaisedLine<clXType>([] { clAdrs(adrsLinear, 1, 2); }), 103);
    EXPECT_EQ(changing.GetLinear(), 0x100u);
}

TEST(Adrs, ArithmeticYieldsLinearAddressesAndChecksItsBounds)
{
    const clAdrs segment(adrsSegment, 0x1000, 0x0010);
    const clAdrs sum = segment + 0x10;
    EXPECT_EQ(sum.GetType(), adrsLinear);
    EXPECT_EQ(sum.GetLinear(), 0x10020u);
    EXPECT_EQ((clAdrs(5u) - 5u).GetLinear(), 0u);
    EXPECT_EQ(RaisedLine<clXRange>([] { clAdrs(5u) - 6u; }), 299);
    EXPECT_EQ(clAdrs(7u) - clAdrs(4u), 3u);
    EXPECT_EQ(RaisedLine<clXRange>([] { clAdrs(4u) - clAdrs(7u); }), 156);
    EXPECT_EQ((segment - 0x10).GetType(), adrsLinear);
}

TEST(Adrs, ComparisonsLookAtTheLinearValueOnly)
{
    EXPECT_EQ(clAdrs(adrsSegment, 0x1000, 0x10), clAdrs(0x10010u));
    EXPECT_EQ(clAdrs(adrsBase64K, 1, 0x10), clAdrs(adrsSegment, 0x1000, 0x10));
    EXPECT_LT(clAdrs(1u), clAdrs(adrsSegment, 0, 2));
}

TEST(Adrs, StreamFormIsTenLittleEndianBytesAndRoundTripsAllFields)
{
    std::stringstream stream;
    clAdrs(adrsSegment, 0x1234, 0x0010).Save(stream);
    const std::string bytes = stream.str();
    ASSERT_EQ(bytes.size(), 10u);
    EXPECT_EQ(bytes, std::string("\x01\x00\x34\x12\x10\x00\x50\x23\x01\x00", 10));

    // A linear value that does not match base and offset is kept as stored.
    std::stringstream odd(std::string("\x02\x00\x01\x00\x02\x00\x78\x56\x34\x12", 10));
    clAdrs loaded;
    loaded.Load(odd);
    EXPECT_EQ(loaded.GetType(), adrsBase64K);
    EXPECT_EQ(loaded.GetBase(), 1);
    EXPECT_EQ(loaded.GetOffset(), 2);
    EXPECT_EQ(loaded.GetLinear(), 0x12345678u);

    std::stringstream again;
    loaded.Save(again);
    clAdrs reloaded;
    reloaded.Load(again);
    EXPECT_TRUE(reloaded.SameFields(loaded));
}

TEST(Adrs, ShortStreamRaisesAndLeavesTheAddressAlone)
{
    std::stringstream shortStream(std::string("\x01\x00\x34\x12", 4));
    clAdrs a(0x55u);
    EXPECT_THROW(a.Load(shortStream), clXIO);
    EXPECT_EQ(a.GetLinear(), 0x55u);
    EXPECT_EQ(a.GetType(), adrsLinear);
}

} // namespace
