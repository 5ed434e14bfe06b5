// Time-outs, version texts and the clock synthesizer.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "comm/qkcalc.h"

namespace {

TEST(TransferTimeout, SmallTransfersGetAboutThreeAndAHalfSeconds)
{
    // ((9 x 10 / 917503 x 0.0694 ms x 100) + 1.5) x 1000 + 2016 = 3516.7 ms = 63 ticks.
    EXPECT_EQ(QkTransferTicks(9, 2, 8, 115200), 63);
    EXPECT_EQ(QkTransferTicks(0, 0x23, 8, 1200), 63);
    EXPECT_EQ(QkTransferTicks(64, 3, 8, 115200), 63);
}

TEST(TransferTimeout, LargeOrdersGrowWithTheirFactor)
{
    // 0xDFFFF bytes of order 22 (factor 1000): 10 x 0.0694 x 1000 = 694.4 s,
    // + 1.5 s + 2.016 s = 697960 ms = 12690 ticks.
    EXPECT_EQ(QkTransferTicks(0xDFFFF, 22, 8, 115200), 12690);
    EXPECT_GT(QkTransferTicks(0xDFFFF, 0x10, 8, 115200), 63);
    EXPECT_LT(QkTransferTicks(0xDFFFF, 0x10, 8, 115200), QkTransferTicks(0xDFFFF, 4, 8, 115200));
    // Slow rates stretch the same count.
    EXPECT_GT(QkTransferTicks(393216, 0x10, 8, 1200), 50 * QkTransferTicks(393216, 0x10, 8, 115200) / 2);
    EXPECT_EQ(QkTransferTicks(0xFFFFFFFF, 22, 8, 50), std::numeric_limits<int>::max());
}

TEST(VersionText, PartsComeFromTheirPositions)
{
    EXPECT_EQ(QkVerFromText("P", "V3.01"), clVerInfo("P", 3, 1, 0, 0));
    EXPECT_EQ(QkVerFromText("P", "3.01"), clVerInfo("P", 0, 0, 0, 0));
    EXPECT_EQ(QkVerFromText("P", ""), clVerInfo("P", 0, 0, 0, 0));
    EXPECT_EQ(QkVerFromText("P", "V7"), clVerInfo("P", 7, 0, 0, 0));
    EXPECT_EQ(QkVerFromText("P", "V2-10"), clVerInfo("P", 2, 0, 0, 0));
    // Rebuild from position 5, alpha from position 7 (clVerInfo takes alpha first).
    EXPECT_EQ(QkVerFromText("P", "V1.52b"), clVerInfo("P", 1, 52, 0, 'b'));
    EXPECT_EQ(QkVerFromText("P", "V2.10xyz"), clVerInfo("P", 2, 10, 'z', 'x'));

    EXPECT_EQ(QkVersionNumber("V3.01"), 301);
    EXPECT_EQ(QkVersionNumber("V0.99"), 99);
    EXPECT_EQ(QkVersionNumber("V1.2.3.4"), 123);
    EXPECT_EQ(QkVersionNumber(""), 0);
}

TEST(Frequency, TextsReadAsHertz)
{
    EXPECT_FLOAT_EQ(QkFrequencyFromText("4M"), 4e6f);
    EXPECT_FLOAT_EQ(QkFrequencyFromText("100k"), 1e5f);
    EXPECT_FLOAT_EQ(QkFrequencyFromText("12.5 mhz"), 12.5e6f);
    EXPECT_FLOAT_EQ(QkFrequencyFromText("2500"), 2500.0f);
    EXPECT_FLOAT_EQ(QkFrequencyFromText("0M"), 0.0f);
    EXPECT_FLOAT_EQ(QkFrequencyFromText("fast"), 0.0f);
    EXPECT_FLOAT_EQ(QkFrequencyFromText(nullptr), 0.0f);
}

// The word's fields: reference divider u (bits 4-10), output divider 2^s
// (bits 11-14), feedback v (bits 15-21).
struct clSynth {
    long u, v, s;
    bool high;
    explicit clSynth(long word)
        : u(((word >> 4) & 0x7F) + 2), v(((word >> 15) & 0x7F) + 3), s((word >> 11) & 0xF), high((word & 8) != 0)
    {}
    double Hertz() const { return (2.0 * 2500000 * v / u) / std::pow(2, s) * 10; }
};

TEST(Frequency, TheSynthesizerWordComesCloseToTheTarget)
{
    for (const float target : {390625.0f, 1e6f, 4e6f, 12.5e6f, 33e6f, 89e6f}) {
        SCOPED_TRACE(target);
        unsigned char doublings = 99;
        const long word = QkParseFrequency(target, doublings);
        ASSERT_GT(word, 0);
        EXPECT_EQ(doublings, 0);
        EXPECT_EQ(word & ~0x3FFFF8L, 0);
        const clSynth synth(word);
        EXPECT_NEAR(synth.Hertz(), target, target * 0.01);
        EXPECT_EQ(synth.high, 2.0 * 2500000 * synth.v / synth.u > 8000000);
    }
    // Slow clocks are doubled into range first.
    unsigned char doublings = 0;
    const long slow = QkParseFrequency(100000.0f, doublings);
    EXPECT_EQ(doublings, 2);
    EXPECT_NEAR(clSynth(slow).Hertz(), 400000.0, 4000.0);
}

TEST(Frequency, OutOfRangeGivesNoWordAndNeverLoops)
{
    unsigned char doublings = 0;
    EXPECT_EQ(QkParseFrequency(100e6f, doublings), -2);
    EXPECT_EQ(QkParseFrequency(0.0f, doublings), -2);
    EXPECT_EQ(QkParseFrequency(-5.0f, doublings), -2);
    EXPECT_EQ(QkParseFrequency(std::nanf(""), doublings), -2);
    EXPECT_EQ(QkParseFrequency(std::numeric_limits<float>::infinity(), doublings), -2);
    EXPECT_GT(QkParseFrequency(1.0f, doublings), 0);
    EXPECT_EQ(doublings, 19);
}

} // namespace
