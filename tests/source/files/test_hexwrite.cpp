#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "source/files/fileformats.h"
#include "tests/source/files/hexfixture.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A buffer at start holding the bytes first, first + 1, ...
void MakeCounting(clQKHugeBuffer& buffer, std::uint32_t start, std::uint32_t size, unsigned char first = 0)
{
    MakeSpace(buffer, start, size);
    Bytes bytes(size);
    for (std::uint32_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(first + i);
    buffer.Write(clAdrs(start), clAdrs(start + size - 1), bytes.data());
}

class HexWrite : public ::testing::Test {
protected:
    clTempDir dir;
    clQKHugeBuffer buffer{"Data"};
};

TEST_F(HexWrite, SixteenBitIntelHasDataRecordsAndTheEndRecordWithCrLf)
{
    MakeCounting(buffer, 0, 0x20);
    EXPECT_EQ(SaveText(dir, buffer, HEXFMT_INTEL_16, 0, 0x1F), ":10000000000102030405060708090A0B0C0D0E0F78\r\n"
                                                               ":10001000101112131415161718191A1B1C1D1E1F68\r\n"
                                                               ":00000001FF");
}

TEST_F(HexWrite, LinearAndSegmentAddressRecordsForTheSecondPage)
{
    MakeCounting(buffer, 0x10000, 0x10);
    EXPECT_EQ(SaveText(dir, buffer, HEXFMT_INTEL_LINEAR, 0x10000, 0x1000F),
              ":020000040001F9\r\n:10000000000102030405060708090A0B0C0D0E0F78\r\n:00000001FF");
    EXPECT_EQ(SaveText(dir, buffer, HEXFMT_INTEL_SEGMENT, 0x10000, 0x1000F),
              ":020000021000EC\r\n:10000000000102030405060708090A0B0C0D0E0F78\r\n:00000001FF");
}

TEST_F(HexWrite, ARangeOverAPageBoundaryGetsAnAddressRecordThere)
{
    MakeCounting(buffer, 0xFC00, 0x800);
    const std::string text = SaveText(dir, buffer, HEXFMT_INTEL_LINEAR, 0xFC00, 0x103FF);
    const auto boundary = text.find(":020000040001F9\r\n:10000000");
    ASSERT_NE(boundary, std::string::npos);
    EXPECT_NE(text.rfind(":10FFF000", boundary), std::string::npos);
}

TEST_F(HexWrite, RecordsNeverCrossAPageBoundary)
{
    // Start 8 bytes below the boundary: the first record holds 8 bytes.
    MakeCounting(buffer, 0xFFF8, 0x20);
    const std::string text = SaveText(dir, buffer, HEXFMT_INTEL_LINEAR, 0xFFF8, 0x10017);
    EXPECT_EQ(text.substr(0, 27), ":08FFF8000001020304050607E5");
    EXPECT_NE(text.find(":020000040001F9\r\n:1000000008090A0B0C0D0E0F1011121314151617F8"), std::string::npos);

    clQKHugeBuffer back("Data");
    MakeSpace(back, 0xFFF8, 0x20);
    ASSERT_EQ(LoadText(dir, text, back, HEXFMT_INTEL_ANY), 1);
    EXPECT_EQ(BufferBytes(back, 0xFFF8, 0x10017), BufferBytes(buffer, 0xFFF8, 0x10017));
}

TEST_F(HexWrite, SeventeenBytesAsS1)
{
    MakeCounting(buffer, 0x100, 0x11);
    EXPECT_EQ(SaveText(dir, buffer, HEXFMT_S1, 0x100, 0x110), "S1130100000102030405060708090A0B0C0D0E0F73\r\n"
                                                              "S104011010DA\r\n"
                                                              "S9030000FC");
}

TEST_F(HexWrite, S2AndS3AddressesAndTerminators)
{
    MakeCounting(buffer, 0x12340, 2, 0xAA);
    EXPECT_EQ(SaveText(dir, buffer, HEXFMT_S2, 0x12340, 0x12341), "S206012340AAAB40\r\nS804000000FB");
}

TEST_F(HexWrite, SavingPastTheBufferStopsAtItsEnd)
{
    MakeCounting(buffer, 0, 4);
    EXPECT_EQ(SaveText(dir, buffer, HEXFMT_INTEL_16, 0, 0xFFFF), ":0400000000010203F6\r\n:00000001FF");
}

TEST_F(HexWrite, AFailedCreateLeavesNothing)
{
    MakeCounting(buffer, 0, 4);
    clHexLoader writer(nullptr, 0);
    EXPECT_EQ(writer.OpenFile(dir.File("no/folder/out.hex").c_str(), HEXFMT_INTEL_16, HEX_WRITE), 0);
    EXPECT_EQ(CountFiles(dir.Path()), 0u);
}

TEST_F(HexWrite, TheTargetChangesOnlyWhenTheFileIsComplete)
{
    MakeCounting(buffer, 0, 0x40);
    const std::string path = dir.File("out.hex");
    WriteText(path, "old contents");
    clHexLoader writer(nullptr, 0);
    ASSERT_EQ(writer.OpenFile(path.c_str(), HEXFMT_INTEL_16, HEX_WRITE), 1);
    ASSERT_EQ(writer.Save(buffer, 0, 0x3F), 1);
    EXPECT_EQ(ReadText(path), "old contents");
    ASSERT_EQ(writer.CloseFile(), 1);
    EXPECT_EQ(ReadText(path).substr(0, 9), ":10000000");
    EXPECT_EQ(CountFiles(dir.Path()), 1u);
}

// Every kind brings random data at random places back to the same bytes.
TEST_F(HexWrite, EveryKindRoundTrips)
{
    struct Case {
        int kind;
        std::uint32_t start, size;
    };
    const Case cases[] = {
        {HEXFMT_INTEL_16, 0x0, 0x10000},
        {HEXFMT_INTEL_16, 0x7FF3, 0x123},
        {HEXFMT_INTEL_SEGMENT, 0xFFF1, 0x20007},
        {HEXFMT_INTEL_SEGMENT, 0xE0000, 0x1FFFF},
        {HEXFMT_INTEL_LINEAR, 0x1FFFF, 0x30003},
        {HEXFMT_INTEL_LINEAR, 0xFFFFF000, 0x1000},
        {HEXFMT_S1, 0x1, 0xFFFF},
        {HEXFMT_S2, 0xFEFFF0, 0x10010},
        {HEXFMT_S3, 0xFFFFFF00, 0x100},
        {HEXFMT_S3, 0x1234567, 0x4321},
    };
    std::mt19937 random(7);
    for (const Case& c : cases) {
        MakeSpace(buffer, c.start, c.size);
        Bytes bytes(c.size);
        for (auto& b : bytes)
            b = static_cast<unsigned char>(random());
        buffer.Write(clAdrs(c.start), clAdrs(c.start + c.size - 1), bytes.data());
        const std::uint32_t last = c.start + c.size - 1;
        const std::string text = SaveText(dir, buffer, c.kind, c.start, last);
        ASSERT_FALSE(text.empty()) << c.kind;

        clWarningsSeen warnings;
        clQKHugeBuffer back("Data");
        MakeSpace(back, c.start, c.size);
        const int readKind = c.kind <= HEXFMT_S_ANY ? HEXFMT_S_ANY : HEXFMT_INTEL_ANY;
        ASSERT_EQ(LoadText(dir, text, back, readKind), 1) << c.kind << " at " << c.start;
        EXPECT_TRUE(warnings.seen.empty()) << c.kind << " at " << c.start;
        EXPECT_EQ(BufferBytes(back, c.start, last), bytes) << c.kind << " at " << c.start;
    }
}

#ifndef _WIN32 // /dev/full
// A full disk is named as the system names it, beside the system's 107.
TEST_F(HexWrite, AFullDiskSaysSo)
{
    clWarningsSeen warnings(erIdAbort);
    MakeSpace(buffer, 0, 0x40000);
    clHexLoader writer(nullptr, 0);
    ASSERT_EQ(writer.OpenFile("/dev/full", QkWriteFormatKind(ftIntelLinear), HEX_WRITE), 1);
    EXPECT_EQ(writer.Save(buffer, 0, 0x3FFFF), 0);
    writer.CloseFile();
    ASSERT_FALSE(warnings.seen.empty());
    EXPECT_EQ(warnings.seen[0].text, "ERROR: Disk Input/Output error.\nNo space left on device");
}
#endif

TEST(SaveList, OffersOnlyKindsThatCarryTheRangeToItsAddress)
{
    auto codes = [](std::uint32_t stop) {
        std::vector<int> out;
        for (const auto& e : QkSaveList(stop))
            out.push_back(e.fileType);
        return out;
    };
    EXPECT_EQ(codes(0xFFFF), (std::vector<int>{0, 1, 3, 4, 5, 7, 8, 9}));
    // Above 64 KB no 16-bit Intel (a reader would put it in the first page)
    // and no S1; beyond 1 MB segments cannot reach; beyond 16 MB S2 cannot.
    EXPECT_EQ(codes(0x10000), (std::vector<int>{0, 1, 4, 5, 8, 9}));
    EXPECT_EQ(codes(0x100000), (std::vector<int>{0, 1, 5, 8, 9}));
    EXPECT_EQ(codes(0x1000000), (std::vector<int>{0, 1, 5, 9}));
    EXPECT_EQ(QkSaveFilter(QkSaveList(0x1000FFF)),
              "QK-JTAG Project (*.qkp)|*.qkp|Binary (*.bin)|*.bin|Intel Hex 386(*.hex)|*.hex|"
              "Motorola Hex S3(*.s3)|*.s3|");
}

} // namespace
