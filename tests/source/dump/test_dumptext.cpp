// The dump editor's texts, layout and typing, without a buffer or window.
#include <gtest/gtest.h>

#include "source/dump/dumplayout.h"
#include "source/dump/dumptext.h"
#include "source/dump/dumptype.h"

namespace {

using Bytes = std::vector<unsigned char>;

TEST(DumpSearchText, TheShownExampleAndEachKindOfItem)
{
    EXPECT_EQ(QkParseSearchText("0xFF,12h,'B',\"AM\",10"), (Bytes{0xFF, 0x12, 0x42, 0x41, 0x4D, 0x0A}));
    // Blanks and tabs around items, a trailing comma, suffixes in either case,
    // octal by prefix and suffix, the low 8 bits of a big value.
    EXPECT_EQ(QkParseSearchText(" 1Fh ,\t20d, 017 ,17o,0x1234,"), (Bytes{0x1F, 20, 15, 15, 0x34}));
    EXPECT_EQ(QkParseSearchText("'''"), Bytes{'\''});
    EXPECT_EQ(QkParseSearchText("\"a b\""), (Bytes{'a', ' ', 'b'}));
    // C hexadecimal numbers that end in a digit that reads as a suffix.
    EXPECT_EQ(QkParseSearchText("0x0D,0x1d,0xAD"), (Bytes{0x0D, 0x1D, 0xAD}));
}

TEST(DumpSearchText, InvalidTextsGiveNoPattern)
{
    for (const char* text : {"", " ,", ",", "12x", "1,,2", "08", "0x", "h", "\"\"", "'AB'", "12h3", "-1", "1 2",
                             "99999999999999999999999"})
        EXPECT_FALSE(QkParseSearchText(text).has_value()) << text;
    // 33 bytes are more than a pattern holds.
    EXPECT_FALSE(QkParseSearchText("\"" + std::string(33, 'x') + "\"").has_value());
    EXPECT_TRUE(QkParseSearchText("\"" + std::string(32, 'x') + "\"").has_value());
}

TEST(DumpSearchText, ProposedTextsOfASelection)
{
    const Bytes bytes{0x41, 0x00, 0x7F, 0x80, 0x42, 1, 2, 3, 4, 5};
    // Hex column: at most 8 bytes; it parses back to those bytes.
    EXPECT_EQ(QkSearchTextOf(bytes, true), "41h,00h,7Fh,80h,42h,01h,02h,03h,");
    EXPECT_EQ(QkParseSearchText(QkSearchTextOf(bytes, true)), Bytes(bytes.begin(), bytes.begin() + 8));
    EXPECT_EQ(QkSearchTextOf(bytes, false), "\"A.\x7F.B.....\"");
    EXPECT_EQ(QkSearchTextOf(Bytes(40, 'z'), false).size(), 32u);
}

TEST(DumpNumber, FieldNumbersAndTheirRewrittenForm)
{
    EXPECT_EQ(QkParseDumpNumber(" 0x10000 "), 0x10000u);
    EXPECT_EQ(QkParseDumpNumber("0FFFFh"), 0xFFFFu);
    EXPECT_EQ(QkParseDumpNumber("0"), 0u);
    EXPECT_FALSE(QkParseDumpNumber("").has_value());
    EXPECT_FALSE(QkParseDumpNumber("1 0").has_value());
    EXPECT_EQ(QkDumpHexText(0xABC), "ABCh");
    EXPECT_EQ(QkDumpHexText(0), "0h");
}

TEST(DumpLayout, AddressDigitsFollowTheLastAddress)
{
    EXPECT_EQ(clDumpLayout(0, 0x10000, 1, 16).AddressDigits(), 4);
    // Last address 0x10000: 6 digits, shown as 010000h.
    const clDumpLayout six(0, 0x10001, 1, 16);
    EXPECT_EQ(six.AddressDigits(), 6);
    EXPECT_EQ(six.AddressText(0x10000), "010000h");
    EXPECT_EQ(clDumpLayout(0xFF0000, 0x10000, 1, 16).AddressDigits(), 6);
    EXPECT_EQ(clDumpLayout(0xFF0000, 0x10001, 1, 16).AddressText(0x1000000), "01000000h");
}

TEST(DumpLayout, ColumnsLinesAndHitTesting)
{
    // 4 digits + "h" at 8 pixels a character; 16-bit units, 16 bytes a line.
    const clDumpLayout layout(0x100, 0x95, 2, 16);
    EXPECT_EQ(layout.HexX(8), 5 + 5 * 8 + 20);
    EXPECT_EQ(layout.CharX(8), layout.HexX(8) + 8 * 5 * 8 + 10);
    EXPECT_EQ(layout.LineCount(), 10u);
    EXPECT_EQ(layout.LineOf(0x194), 9u);
    EXPECT_EQ(layout.UnitStart(0x103), 0x102u);
    bool hex = false;
    EXPECT_EQ(layout.OffsetAt(layout.UnitX(8, 3) + 2, 8, hex), 6u);
    EXPECT_TRUE(hex);
    EXPECT_EQ(layout.OffsetAt(layout.CharX(8) + 8 * 5 + 1, 8, hex), 5u);
    EXPECT_FALSE(hex);
    // 128-bit units on a narrow line: one unit a line.
    EXPECT_EQ(clDumpLayout(0, 64, 16, 8).BytesPerLine(), 16u);
    // Settings out of range fall back to bytes and wide lines.
    EXPECT_EQ(clDumpLayout(0, 64, 0, 0).UnitSize(), 1u);
    EXPECT_EQ(clDumpLayout(0, 64, 3, 12).BytesPerLine(), 16u);
}

TEST(DumpLayout, UnitsInEitherByteOrderAndAShortLastUnit)
{
    const unsigned char bytes[] = {0x12, 0x34, 0x56, 0x78, 0x9A};
    const clDumpLayout words(0, 5, 2, 8);
    EXPECT_EQ(words.HexText(bytes, 5, false), "1234 5678 9A   ");
    EXPECT_EQ(words.HexText(bytes, 5, true), "3412 7856   9A ");
    EXPECT_EQ(clDumpLayout(0, 5, 4, 8).HexText(bytes, 4, true), "78563412 ");
    EXPECT_EQ(clDumpLayout::CharText(reinterpret_cast<const unsigned char*>("A\x1F\x7F\x80z"), 5), "A.\x7F.z");
}

TEST(DumpTyping, A16BitLittleEndianUnitDigitByDigit)
{
    clDumpTyping typing;
    const char digits[] = "1234";
    const Bytes expected[] = {{0x01, 0x00}, {0x12, 0x00}, {0x23, 0x01}, {0x34, 0x12}};
    for (int i = 0; i < 4; ++i) {
        const auto stroke = typing.Type(digits[i], true, 2, true);
        ASSERT_TRUE(stroke.accepted);
        EXPECT_EQ(Bytes(stroke.bytes.begin(), stroke.bytes.begin() + stroke.count), expected[i]) << i;
        EXPECT_EQ(stroke.unitDone, i == 3);
    }
    // The next unit starts from 0 again.
    const auto next = typing.Type('f', true, 2, false);
    EXPECT_EQ(Bytes(next.bytes.begin(), next.bytes.begin() + 2), (Bytes{0x00, 0x0F}));
}

TEST(DumpTyping, IgnoredCharactersAndWideUnits)
{
    clDumpTyping typing;
    EXPECT_FALSE(typing.Type('g', true, 1, false).accepted);
    EXPECT_FALSE(typing.Type('\x1F', false, 1, false).accepted);
    EXPECT_FALSE(typing.Type('\x80', false, 1, false).accepted);
    const auto ch = typing.Type('~', false, 4, false);
    EXPECT_TRUE(ch.accepted && ch.unitDone);
    EXPECT_EQ(ch.count, 1u);
    // 32 digits fill a 128-bit unit; big endian puts the first digit first.
    clDumpTyping wide;
    clDumpTyping::clStroke last;
    for (char c : std::string("0123456789ABCDEFfedcba9876543210"))
        last = wide.Type(c, true, 16, false);
    EXPECT_TRUE(last.unitDone);
    EXPECT_EQ(last.bytes[0], 0x01);
    EXPECT_EQ(last.bytes[7], 0xEF);
    EXPECT_EQ(last.bytes[15], 0x10);
}

} // namespace
