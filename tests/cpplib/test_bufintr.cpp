#include <sstream>

#include <gtest/gtest.h>

#include "cpplib/qkbufint.h"
#include "tests/cpplib/bufcheck.h"

namespace {

TEST(BufIntr, StartsEmptyWithDefaults)
{
    const clQKHugeBufIntr buf("OSD");
    EXPECT_FALSE(buf.HasMemory());
    EXPECT_EQ(buf.GetCmdStartAdrs().GetLinear(), 0u);
    EXPECT_EQ(buf.GetCmdStopAdrs().GetLinear(), 0u);
    EXPECT_EQ(buf.GetSpaceId(), 0u);
    EXPECT_EQ(buf.GetBlkAlignment(), 1);
}

TEST(BufIntr, SetParamsResetsTheCommandRangeToTheWholeBuffer)
{
    clQKHugeBufIntr buf;
    ASSERT_EQ(buf.SetParams(0x1000, clAdrs(0xC000u)), 1);
    EXPECT_EQ(buf.GetCmdStartAdrs().GetLinear(), 0xC000u);
    EXPECT_EQ(buf.GetCmdStopAdrs().GetLinear(), 0xCFFFu);
    buf.SetCmdAddresses(clAdrs(0xC100u), clAdrs(0xC1FFu));
    EXPECT_EQ(buf.GetCmdStartAdrs().GetLinear(), 0xC100u);

    // A refused size restores the range that was set before.
    EXPECT_EQ(buf.SetParams(0xFFFFFFFFu, clAdrs(0u)), 0);
    EXPECT_EQ(buf.GetCmdStartAdrs().GetLinear(), 0xC100u);
    EXPECT_EQ(buf.GetCmdStopAdrs().GetLinear(), 0xC1FFu);
}

TEST(BufIntr, CommandRangeMustLieInsideTheBufferWithAnInclusiveStop)
{
    clQKHugeBufIntr buf;
    ASSERT_EQ(buf.SetParams(0x100, clAdrs(0x200u)), 1);
    const auto range = Raised([&] { buf.SetCmdAddresses(clAdrs(0x200u), clAdrs(0x300u)); });
    EXPECT_EQ(Where(range), "clXRange@..\\cpplib\\qkbufint.cpp:70");
    EXPECT_EQ(Raised([&] { buf.SetCmdAddresses(clAdrs(0x1FFu), clAdrs(0x2FFu)); }).line, 70);
    // Unchanged by the refusals.
    EXPECT_EQ(buf.GetCmdStopAdrs().GetLinear(), 0x2FFu);
    buf.SetCmdAddresses(clAdrs(0x2FFu), clAdrs(0x2FFu));
    EXPECT_EQ(buf.GetCmdStartAdrs().GetLinear(), 0x2FFu);

    ASSERT_EQ(buf.SetParams(0, clAdrs(0x200u)), 1);
    const auto empty = Raised([&] { buf.SetCmdAddresses(clAdrs(0x200u), clAdrs(0x200u)); });
    EXPECT_EQ(Where(empty), "clXConstructor@..\\cpplib\\qkbufint.cpp:65");
}

TEST(BufIntr, StreamLoadResetsTheCommandRangeThroughTheVirtualSizing)
{
    clQKHugeBufIntr source("Data");
    ASSERT_EQ(source.SetParams(4, clAdrs(0x10u)), 1);
    std::stringstream stream;
    source.SaveToStream(stream);

    clQKHugeBufIntr target;
    ASSERT_EQ(target.SetParams(0x100, clAdrs(0u)), 1);
    target.SetCmdAddresses(clAdrs(5u), clAdrs(6u));
    target.LoadFromStream(stream);
    EXPECT_EQ(target.GetCmdStartAdrs().GetLinear(), 0x10u);
    EXPECT_EQ(target.GetCmdStopAdrs().GetLinear(), 0x13u);
}

} // namespace
