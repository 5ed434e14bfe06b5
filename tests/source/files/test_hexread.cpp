#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "source/files/datafile.h"
#include "tests/source/files/hexfixture.h"

namespace {

using Bytes = std::vector<unsigned char>;

class HexRead : public ::testing::Test {
protected:
    clTempDir dir;
    clQKHugeBuffer space{"Data"};
};

TEST_F(HexRead, EndRecordAloneStoresNothingAndSaysNothing)
{
    clWarningsSeen warnings;
    MakeSpace(space, 0, 0x100);
    EXPECT_EQ(LoadText(dir, ":00000001FF", space, HEXFMT_INTEL_ANY), 1);
    EXPECT_TRUE(warnings.seen.empty());
    EXPECT_EQ(BufferBytes(space, 0, 0xFF), Bytes(0x100, 0xFF));
}

TEST_F(HexRead, ChecksumErrorWarnsButKeepsTheRecordAndGoesOn)
{
    clWarningsSeen warnings;
    MakeSpace(space, 0, 0x10);
    const std::string text = ":0200000011224B\r\n" // checksum should be CB
                             ":02000400334483\r\n"
                             ":00000001FF\r\n";
    EXPECT_EQ(LoadText(dir, text, space, HEXFMT_INTEL_ANY), 1);
    EXPECT_EQ(warnings.Numbers(), std::vector<int>{104});
    EXPECT_EQ(BufferBytes(space, 0, 5), (Bytes{0x11, 0x22, 0xFF, 0xFF, 0x33, 0x44}));
}

TEST_F(HexRead, WarningNamesTheFileWithoutItsFolderAndOffersIgnoreAndAbort)
{
    clWarningsSeen warnings;
    MakeSpace(space, 0, 0x10);
    LoadText(dir, ":0200000011224B\n:00000001FF\n", space, HEXFMT_INTEL_ANY, "mine.hex");
    ASSERT_EQ(warnings.seen.size(), 1u);
    EXPECT_EQ(warnings.seen[0].text, "WARNING:  Record with checksum error encountered in file mine.hex");
    EXPECT_EQ(warnings.seen[0].type, erTypeWarning);
    EXPECT_EQ(warnings.seen[0].option, erOptIgnore | erOptAbort);
}

TEST_F(HexRead, SegmentAndLinearRecordsPlaceData)
{
    MakeSpace(space, 0x10000, 0x100);
    EXPECT_EQ(LoadText(dir, ":020000021000EC\n:01001000AA45\n:00000001FF\n", space, HEXFMT_INTEL_ANY), 1);
    EXPECT_EQ(BufferBytes(space, 0x10010, 0x10010), Bytes{0xAA});
    MakeSpace(space, 0x10000, 0x100);
    EXPECT_EQ(LoadText(dir, ":020000040001F9\n:01001000BB34\n:00000001FF\n", space, HEXFMT_INTEL_ANY), 1);
    EXPECT_EQ(BufferBytes(space, 0x10010, 0x10010), Bytes{0xBB});
}

// Legal Intel Hex (a micro:bit universal hex): every address record applies,
// the latest one counts, whichever kind the file or the caller began with.
TEST_F(HexRead, SegmentAndLinearRecordsMixAsTheFormatDefines)
{
    clWarningsSeen warnings;
    MakeSpace(space, 0, 0x30000);
    const std::string text = ":020000021000EC\n" // segment 0x1000: base 0x10000
                             ":01000000AA55\n"
                             ":020000040002F8\n" // linear page 2: base 0x20000
                             ":01000100BB43\n"
                             ":00000001FF\n";
    EXPECT_EQ(LoadText(dir, text, space, HEXFMT_INTEL_ANY), 1);
    EXPECT_EQ(BufferBytes(space, 0x10000, 0x10001), (Bytes{0xAA, 0xFF}));
    EXPECT_EQ(BufferBytes(space, 0x20001, 0x20001), Bytes{0xBB});
    MakeSpace(space, 0, 0x20000);
    EXPECT_EQ(LoadText(dir, ":020000021000EC\n:01000000AA55\n:00000001FF\n", space, HEXFMT_INTEL_LINEAR), 1);
    EXPECT_EQ(BufferBytes(space, 0x10000, 0x10000), Bytes{0xAA});
    EXPECT_TRUE(warnings.seen.empty());
}

TEST_F(HexRead, DataAfterTheEndRecordStaysOutAndIsCounted)
{
    clWarningsSeen warnings;
    MakeSpace(space, 0, 0x100);
    const std::string text = ":0100000011EE\n:00000001FF\n  :0100010022DC\n:020000040000FA\n:0100020033CA";
    EXPECT_EQ(LoadText(dir, text, space, HEXFMT_INTEL_ANY), 1);
    ASSERT_EQ(warnings.Numbers(), std::vector<int>{108});
    EXPECT_NE(warnings.seen[0].text.find("2 data records after the end record of file"), std::string::npos);
    EXPECT_EQ(BufferBytes(space, 0, 2), (Bytes{0x11, 0xFF, 0xFF}));
    // S-records the same; a clean end says nothing.
    EXPECT_EQ(LoadText(dir, "S1050010AABB85\nS9030000FC\nS10500121122B5\n", space, HEXFMT_S_ANY), 1);
    EXPECT_EQ(warnings.Numbers(), (std::vector<int>{108, 108}));
    EXPECT_EQ(LoadText(dir, "S1050010AABB85\nS9030000FC\n\n", space, HEXFMT_S_ANY), 1);
    EXPECT_EQ(warnings.seen.size(), 2u);
}

TEST_F(HexRead, AWarningRepeatedThousandsOfTimesIsShownAFewTimesAndCounted)
{
    clWarningsSeen warnings;
    MakeSpace(space, 0, 0x10);
    const std::string text = ":0100000011EE\n" + std::string(3000, 'x') + "\n:0100010022DC\n:00000001FF\n";
    EXPECT_EQ(LoadText(dir, text, space, HEXFMT_INTEL_ANY), 1);
    EXPECT_EQ(warnings.Numbers(), (std::vector<int>{101, 101, 101, 101, 101, 109}));
    EXPECT_NE(warnings.seen.back().text.find("10 more warnings like these in file"), std::string::npos)
        << warnings.seen.back().text;
    EXPECT_EQ(BufferBytes(space, 0, 1), (Bytes{0x11, 0x22}));
}

TEST_F(HexRead, TextBetweenRecordsWarnsOncePerTwoHundredCharacters)
{
    clWarningsSeen warnings;
    MakeSpace(space, 0, 0x10);
    const std::string text = ":0100000011EE\nthis line is no record\n:0100010022DC\n" + std::string(450, 'x') +
                             "\n:0100020033CA\n:00000001FF\n";
    EXPECT_EQ(LoadText(dir, text, space, HEXFMT_INTEL_ANY), 1);
    // One warning for the short text, three for 450 characters (200 + 200 + 50).
    EXPECT_EQ(warnings.Numbers(), (std::vector<int>{101, 101, 101, 101}));
    EXPECT_EQ(BufferBytes(space, 0, 2), (Bytes{0x11, 0x22, 0x33}));
}

TEST_F(HexRead, ASpaceAboveTheFirstPageTakesSixteenBitFilesIntoItsPage)
{
    MakeSpace(space, 0x20000, 0x1000);
    EXPECT_EQ(LoadText(dir, ":01010000AB53\n:00000001FF\n", space, HEXFMT_INTEL_ANY), 1);
    EXPECT_EQ(BufferBytes(space, 0x20100, 0x20100), Bytes{0xAB});

    // An address record of the file still says where the data goes.
    MakeSpace(space, 0x20000, 0x20000);
    EXPECT_EQ(LoadText(dir, ":020000040003F7\n:01010000CD31\n:00000001FF\n", space, HEXFMT_INTEL_ANY), 1);
    EXPECT_EQ(BufferBytes(space, 0x30100, 0x30100), Bytes{0xCD});
    EXPECT_EQ(BufferBytes(space, 0x20100, 0x20100), Bytes{0xFF});
}

TEST_F(HexRead, OnlyBytesBetweenStartAndStopAreStored)
{
    MakeSpace(space, 0x100, 0x100);
    const std::string path = dir.File("straddle.hex");
    // 16 bytes 0x00..0x0F at 0xF8: straddles start 0x100; and 0x1F8.. straddles stop 0x1FF.
    WriteText(path, ":1000F800000102030405060708090A0B0C0D0E0F80\n"
                    ":1001F800101112131415161718191A1B1C1D1E1F7F\n:00000001FF\n");
    clHexLoader loader(nullptr, 0);
    ASSERT_EQ(loader.OpenFile(path.c_str(), HEXFMT_INTEL_ANY, HEX_READ), 1);
    clOutsideData outside;
    EXPECT_EQ(loader.Load(space, 0x102, 0x1FB, &outside), 1);
    loader.CloseFile();
    EXPECT_EQ(BufferBytes(space, 0x100, 0x10B), (Bytes{0xFF, 0xFF, 10, 11, 12, 13, 14, 15, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(BufferBytes(space, 0x1F8, 0x1FF), (Bytes{0x10, 0x11, 0x12, 0x13, 0xFF, 0xFF, 0xFF, 0xFF}));
    // What was left out, for a caller that must not clip silently.
    ASSERT_TRUE(outside.any);
    EXPECT_EQ(outside.first, 0xF8u);
    EXPECT_EQ(outside.last, 0x207u);
}

TEST_F(HexRead, ADataFileTellsWhatFellOutsideTheSpaceAndRefusesWhatIsNoFile)
{
    clWarningsSeen seen;
    MakeSpace(space, 0x100, 0x100);
    const std::string path = dir.File("big.bin");
    WriteBytes(path, Bytes(0x180, 0x5A));
    clOutsideData outside;
    EXPECT_EQ(QkLoadDataFile(space, path, ftBinary, 0x100, 0x1FF, &outside), 1);
    EXPECT_EQ(BufferBytes(space, 0x1FF, 0x1FF), Bytes{0x5A});
    ASSERT_TRUE(outside.any);
    EXPECT_EQ(outside.first, 0x200u);
    EXPECT_EQ(outside.last, 0x27Fu);

    // A file that fits leaves nothing out.
    WriteBytes(path, Bytes(0x100, 0x11));
    clOutsideData none;
    EXPECT_EQ(QkLoadDataFile(space, path, ftBinary, 0x100, 0x1FF, &none), 1);
    EXPECT_FALSE(none.any);

    // No file to read: reported, nothing loaded.
    WriteText(dir.File("empty.hex"), "");
    EXPECT_EQ(QkLoadDataFile(space, dir.File("empty.hex"), ftIntelAny, 0x100, 0x1FF), 0);
    EXPECT_EQ(QkLoadDataFile(space, dir.Path().string(), ftBinary, 0x100, 0x1FF), 0);
    EXPECT_EQ(QkDetectFileType("/dev/zero"), ftNone);
    ASSERT_EQ(seen.seen.size(), 2u);
    EXPECT_EQ(seen.seen[0].text, dir.File("empty.hex") + " is empty.");
    EXPECT_EQ(seen.seen[1].text, dir.Path().string() + " is a directory.");
    EXPECT_EQ(BufferBytes(space, 0x100, 0x100), Bytes{0x11});
}

TEST_F(HexRead, ARecordRunningPastTheTopOfTheAddressSpaceIsInvalid)
{
    clWarningsSeen seen;
    MakeSpace(space, 0xFFFFFF00u, 0x100);
    // 16 bytes from 0xFFFFFFF8, then a record at 0 that must not join them.
    EXPECT_EQ(LoadText(dir,
                       ":02000004FFFFFC\n:10FFF800000102030405060708090A0B0C0D0E0F81\n"
                       ":020000040000FA\n:0100000042BD\n:00000001FF\n",
                       space, HEXFMT_INTEL_ANY),
              1);
    EXPECT_EQ(BufferBytes(space, 0xFFFFFFF8u, 0xFFFFFFFFu), (Bytes{0, 1, 2, 3, 4, 5, 6, 7}));
    ASSERT_EQ(seen.seen.size(), 1u);
    EXPECT_EQ(seen.seen[0].number, hexErrInvalid);
}

TEST_F(HexRead, MissingEndRecordWarnsOnceAfterStoringTheData)
{
    clWarningsSeen warnings;
    MakeSpace(space, 0, 0x10);
    EXPECT_EQ(LoadText(dir, ":020000001122CB\n:02000200334485\n", space, HEXFMT_INTEL_ANY), 1);
    EXPECT_EQ(warnings.Numbers(), std::vector<int>{106});
    EXPECT_EQ(warnings.seen[0].type, erTypeError);
    EXPECT_EQ(BufferBytes(space, 0, 3), (Bytes{0x11, 0x22, 0x33, 0x44}));

    clWarningsSeen more;
    MakeSpace(space, 0, 0x10);
    EXPECT_EQ(LoadText(dir, "S1050000AABB95\n", space, HEXFMT_S_ANY), 1);
    EXPECT_EQ(more.Numbers(), std::vector<int>{106});
    EXPECT_EQ(BufferBytes(space, 0, 1), (Bytes{0xAA, 0xBB}));
}

TEST_F(HexRead, ATruncatedLastRecordIsAnInvalidRecordAndTheRestStays)
{
    clWarningsSeen warnings;
    MakeSpace(space, 0, 0x10);
    EXPECT_EQ(LoadText(dir, ":020000001122CB\n:0400020033", space, HEXFMT_INTEL_ANY), 1);
    EXPECT_EQ(warnings.Numbers(), std::vector<int>{105});
    EXPECT_EQ(BufferBytes(space, 0, 1), (Bytes{0x11, 0x22}));
}

TEST_F(HexRead, UnknownRecordTypesAndBadDigits)
{
    clWarningsSeen warnings;
    MakeSpace(space, 0, 0x10);
    const std::string text = ":00000006FA\n"   // type 06
                             ":01000000G1EE\n" // not a hex digit
                             ":0100010022DC\n:00000001FF\n";
    EXPECT_EQ(LoadText(dir, text, space, HEXFMT_INTEL_ANY), 1);
    EXPECT_EQ(warnings.Numbers(), (std::vector<int>{102, 105}));
    EXPECT_EQ(BufferBytes(space, 0, 1), (Bytes{0xFF, 0x22}));
}

TEST_F(HexRead, AbortStopsTheLoadAtTheWarning)
{
    clWarningsSeen warnings(erIdAbort);
    MakeSpace(space, 0, 0x800);
    std::string text;
    for (int i = 0; i < 2; ++i)
        text += ":0100000011EE\n"; // fine
    text += ":0100000011EF\n";     // checksum error
    text += ":0100050055A5\n:00000001FF\n";
    EXPECT_EQ(LoadText(dir, text, space, HEXFMT_INTEL_ANY), 0);
    EXPECT_EQ(warnings.Numbers(), std::vector<int>{104});
    EXPECT_EQ(BufferBytes(space, 5, 5), Bytes{0xFF});
}

TEST_F(HexRead, LowerCaseDigitsAndBlankLinesAreAccepted)
{
    clWarningsSeen warnings;
    MakeSpace(space, 0, 0x10);
    EXPECT_EQ(LoadText(dir, "\n\n  :02000000abcd86\r\n\r\n:00000001ff\n", space, HEXFMT_INTEL_ANY), 1);
    EXPECT_TRUE(warnings.seen.empty());
    EXPECT_EQ(BufferBytes(space, 0, 1), (Bytes{0xAB, 0xCD}));
}

TEST_F(HexRead, MotorolaRecordsOfAllSizesWithHeaderAndCount)
{
    clWarningsSeen warnings;
    MakeSpace(space, 0, 0x20000);
    const std::string text = "S00600004844521B\n" // header "HDR"
                             "S1050010AABB85\n"
                             "S5030001FB\n" // record count
                             "S9030000FC\n";
    EXPECT_EQ(LoadText(dir, text, space, HEXFMT_S_ANY), 1);
    EXPECT_TRUE(warnings.seen.empty());
    EXPECT_EQ(BufferBytes(space, 0x10, 0x11), (Bytes{0xAA, 0xBB}));

    MakeSpace(space, 0, 0x20000);
    EXPECT_EQ(LoadText(dir, "S206010020CCDD2F\nS804000000FB\n", space, HEXFMT_S_ANY), 1);
    EXPECT_EQ(BufferBytes(space, 0x10020, 0x10021), (Bytes{0xCC, 0xDD}));
    MakeSpace(space, 0, 0x20000);
    EXPECT_EQ(LoadText(dir, "S30700010030EEFFDA\nS70500000000FA\n", space, HEXFMT_S_ANY), 1);
    EXPECT_EQ(BufferBytes(space, 0x10030, 0x10031), (Bytes{0xEE, 0xFF}));
    EXPECT_TRUE(warnings.seen.empty());
}

// Every S-record data record carries its whole address: S1 and S2 mix (a
// CodeWarrior file). A termination record of a kind no data had still warns.
TEST_F(HexRead, S1AndS2DataMixAndOnlyAStrangeTerminatorWarns)
{
    clWarningsSeen warnings;
    MakeSpace(space, 0, 0x20000);
    const std::string text = "S1050010AABB85\nS206010020CCDD2F\nS10500121122B5\nS804000000FB\n";
    EXPECT_EQ(LoadText(dir, text, space, HEXFMT_S_ANY), 1);
    EXPECT_TRUE(warnings.seen.empty());
    EXPECT_EQ(BufferBytes(space, 0x10, 0x13), (Bytes{0xAA, 0xBB, 0x11, 0x22}));
    EXPECT_EQ(BufferBytes(space, 0x10020, 0x10021), (Bytes{0xCC, 0xDD}));
    MakeSpace(space, 0, 0x100);
    LoadText(dir, "S1050010AABB85\nS70500000000FA\n", space, HEXFMT_S_ANY);
    EXPECT_EQ(warnings.Numbers().front(), 103); // (and then: no termination record of its kind)
}

TEST_F(HexRead, MotorolaSkipsDollarSectionsAndBadCounts)
{
    clWarningsSeen warnings;
    MakeSpace(space, 0, 0x100);
    // A "$...$$S" section before the data, then a record whose count is too
    // small for its address.
    const std::string text = "$comment$$S1050010AABB85\nS101FE\nS10500121122B5\nS9030000FC\n";
    EXPECT_EQ(LoadText(dir, text, space, HEXFMT_S_ANY), 1);
    EXPECT_EQ(warnings.Numbers(), std::vector<int>{105});
    EXPECT_EQ(BufferBytes(space, 0x10, 0x13), (Bytes{0xAA, 0xBB, 0x11, 0x22}));
}

TEST_F(HexRead, DollarsToTheEndOfTheFileStillEnd)
{
    clWarningsSeen warnings;
    MakeSpace(space, 0, 0x100);
    EXPECT_EQ(LoadText(dir, "S1050010AABB85\n$$$ $ $" + std::string(500, '$'), space, HEXFMT_S_ANY), 1);
    EXPECT_EQ(warnings.Numbers(), std::vector<int>{106});
}

#ifndef _WIN32 // a folder opens on POSIX systems only
TEST_F(HexRead, AnUnreadableFileIsADiskError)
{
    clWarningsSeen warnings(erIdAbort);
    MakeSpace(space, 0, 0x10);
    clHexLoader loader(nullptr, 0);
    // A folder opens but cannot be read.
    EXPECT_EQ(loader.OpenFile(dir.Path().string().c_str(), HEXFMT_INTEL_ANY, HEX_READ), 0);
    EXPECT_EQ(warnings.Numbers(), std::vector<int>{107});
    ASSERT_EQ(warnings.seen.size(), 1u);
    EXPECT_EQ(warnings.seen[0].text, "ERROR: Disk Input/Output error.\nIs a directory");
    EXPECT_EQ(warnings.seen[0].option, erOptRetry | erOptAbort);
    EXPECT_EQ(loader.OpenFile(dir.File("missing.hex").c_str(), HEXFMT_INTEL_ANY, HEX_READ), 0);
}
#endif

TEST(HexKinds, ReadKindFollowsTheFileTypeAndTheSpace)
{
    EXPECT_EQ(QkReadFormatKind(ftIntel16, 0), HEXFMT_INTEL_ANY);
    EXPECT_EQ(QkReadFormatKind(ftIntelLinear, 0xFFFFF), HEXFMT_INTEL_ANY);
    EXPECT_EQ(QkReadFormatKind(ftIntelAny, 0x100000), HEXFMT_INTEL_LINEAR);
    EXPECT_EQ(QkReadFormatKind(ftS2, 0x100000), HEXFMT_S_ANY);
    EXPECT_EQ(QkReadFormatKind(ftBinary, 0), HEXFMT_INTEL_ANY);
    EXPECT_EQ(QkWriteFormatKind(ftIntel16), HEXFMT_INTEL_16);
    EXPECT_EQ(QkWriteFormatKind(ftS1), HEXFMT_S1);
    EXPECT_EQ(QkWriteFormatKind(ftProject), 0);
}

} // namespace
