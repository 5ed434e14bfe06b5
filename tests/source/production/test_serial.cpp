// Serial values and their ledger (on SQLite): how a counter's number is laid
// out, what a list line may hold, and that the ledger gives a value once,
// accounts for every one, and leaves a file that is not its own untouched.
#include <gtest/gtest.h>

#include "source/production/serialcycle.h"
#include "source/production/serialledger.h"
#include "source/production/serialsrc.h"
#include "tests/testutil.h"

namespace {

std::string Encoded(std::uint64_t number, clSerialLayout layout)
{
    clSerialBytes bytes;
    std::string error;
    return QkEncodeSerial(number, layout, bytes, error) ? QkSerialHex(bytes) : "error: " + error;
}

TEST(SerialValues, ACounterIsLaidOutInEveryFormatAndOrder)
{
    EXPECT_EQ(Encoded(0x1A2B3C, {4, clSerialFormat::bin, false}), "3C2B1A00");
    EXPECT_EQ(Encoded(0x1A2B3C, {4, clSerialFormat::bin, true}), "001A2B3C");
    EXPECT_EQ(Encoded(123456, {3, clSerialFormat::bcd, true}), "123456");
    EXPECT_EQ(Encoded(123456, {4, clSerialFormat::bcd, false}), "56341200");
    EXPECT_EQ(Encoded(42, {5, clSerialFormat::text, false}), "3030303432");      // "00042"
    EXPECT_EQ(Encoded(0xBEEF, {6, clSerialFormat::hex, false}), "303042454546"); // "00BEEF"
    EXPECT_EQ(Encoded(~std::uint64_t{0}, {8, clSerialFormat::bin, true}), "FFFFFFFFFFFFFFFF");
    // What does not fit is refused, never cut short.
    EXPECT_EQ(Encoded(256, {1, clSerialFormat::bin, false}).substr(0, 6), "error:");
    EXPECT_EQ(Encoded(100, {1, clSerialFormat::bcd, false}).substr(0, 6), "error:");
    EXPECT_EQ(Encoded(100000, {5, clSerialFormat::text, false}).substr(0, 6), "error:");
}

TEST(SerialValues, ListLinesAreHexBytesOrQuotedText)
{
    clSerialBytes bytes;
    std::string error;
    ASSERT_TRUE(QkParseSerialValue("00:1a:2B-3c 4D", bytes, error)) << error;
    EXPECT_EQ(QkSerialHex(bytes), "001A2B3C4D");
    ASSERT_TRUE(QkParseSerialValue("\"KEY-7\"", bytes, error));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "KEY-7");
    for (const char* bad : {"", "0", "1 23", "XY", "\"\"", "12 G4"})
        EXPECT_FALSE(QkParseSerialValue(bad, bytes, error)) << bad;

    clTempDir dir;
    WriteText(dir.File("keys.txt"), "# keys for line 3\n00 11 22\n\n\"ABC\"\n");
    std::string why;
    auto list = QkMakeSerialSource("list:" + dir.File("keys.txt"), {3, clSerialFormat::bin, false}, why);
    ASSERT_TRUE(list) << why;
    EXPECT_EQ(list->Pool(), "list:keys.txt");
    clSerialValue value;
    ASSERT_TRUE(list->ValueAt(1, value, why));
    EXPECT_EQ(value.shown, "\"ABC\"");
    EXPECT_FALSE(list->ValueAt(2, value, why));
    EXPECT_NE(why.find("used up (2 values)"), std::string::npos) << why;
    // A line of another width is named with its number.
    WriteText(dir.File("bad.txt"), "00 11 22\n00 11\n");
    EXPECT_FALSE(QkMakeSerialSource("list:" + dir.File("bad.txt"), {3, clSerialFormat::bin, false}, why));
    EXPECT_NE(why.find("line 2: it has 2 bytes, --serial-width is 3"), std::string::npos) << why;
    for (const char* bad : {"counter:", "counter:5:0", "counter:-1", "list:", "file:x", "exec:"})
        EXPECT_FALSE(QkMakeSerialSource(bad, {4, clSerialFormat::bin, false}, why)) << bad;
}

TEST(SerialValues, ACommandsValueIsCheckedLikeAListLine)
{
    std::string why;
    clSerialValue value;
    auto good =
        QkMakeSerialSource("exec:printf '\"K%03d\"\\n' $QKJTAG_SERIAL_SEQ", {4, clSerialFormat::bin, false}, why);
    ASSERT_TRUE(good) << why;
    EXPECT_FALSE(good->Previewable()); // showing the next value must not use up a key
    ASSERT_TRUE(good->ValueAt(7, value, why)) << why;
    EXPECT_EQ(value.shown, "\"K007\"");
    auto narrow = QkMakeSerialSource("exec:echo 00 11", {4, clSerialFormat::bin, false}, why);
    EXPECT_FALSE(narrow->ValueAt(0, value, why));
    EXPECT_NE(why.find("printed \"00 11\": it has 2 bytes"), std::string::npos) << why;
    auto failing = QkMakeSerialSource("exec:exit 3", {4, clSerialFormat::bin, false}, why);
    EXPECT_FALSE(failing->ValueAt(0, value, why));
    EXPECT_NE(why.find("failed"), std::string::npos) << why;
}

class LedgerTest : public ::testing::Test {
protected:
    std::unique_ptr<clSerialSource> Counter(const char* form = "counter:100:10")
    {
        std::string error;
        auto source = QkMakeSerialSource(form, {2, clSerialFormat::bin, true}, error);
        EXPECT_TRUE(source) << error;
        return source;
    }
    clTempDir dir;
    std::string path = dir.File("line.ledger");
};

TEST_F(LedgerTest, EveryValueIsReservedOnceAndAccountedFor)
{
    auto counter = Counter();
    {
        clSerialLedger ledger(path);
        const clLedgerEntry a = ledger.Reserve(*counter, "st1", "/dev/ttyUSB0", "fw.hex", {});
        EXPECT_EQ(a.shown, "100");
        EXPECT_EQ(a.value, "0064");
        ledger.Complete(a, kLedgerVerified, "", "1234");
        const clLedgerEntry b = ledger.Reserve(*counter, "st1", "/dev/ttyUSB0", "fw.hex", {});
        EXPECT_EQ(b.shown, "110");
        ledger.Complete(b, kLedgerFailed, "failed: Erase operation has failed.", "1235");
        // The next one is cut off: the process dies with it reserved.
        EXPECT_EQ(ledger.Reserve(*counter, "st1", "/dev/ttyUSB0", "fw.hex", {}).shown, "120");
        // Another port's reservation is not this port's to clean up.
        EXPECT_EQ(ledger.Reserve(*counter, "st1", "/dev/ttyUSB1", "fw.hex", {}).shown, "130");
    }
    clSerialLedger ledger(path);
    const auto stale = ledger.TakeStale("st1", "/dev/ttyUSB0", counter->Pool(), {});
    ASSERT_EQ(stale.size(), 1u);
    EXPECT_EQ(stale[0].shown, "120");
    // Failed and retired values are never drawn again by default.
    EXPECT_EQ(ledger.Reserve(*counter, "st1", "/dev/ttyUSB0", "fw.hex", {}).shown, "140");
    const clLedgerSummary summary = ledger.Summary();
    EXPECT_EQ(summary.issued, 5);
    EXPECT_EQ(summary.states.at(kLedgerVerified), 1);
    EXPECT_EQ(summary.states.at(kLedgerFailed), 1);
    EXPECT_EQ(summary.states.at(kLedgerRetired), 1);
    EXPECT_EQ(summary.states.at(kLedgerReserved), 2);
    ASSERT_EQ(summary.pools.size(), 1u);
    EXPECT_TRUE(summary.pools[0].gaps.empty());
    EXPECT_EQ(ledger.Entries()[2].reason.rfind("reserved at ", 0), 0u);
}

TEST_F(LedgerTest, PoliciesReuseAStaleOrAFailedValueOfTheSamePool)
{
    auto counter = Counter();
    clSerialLedger ledger(path);
    const clLedgerEntry cut = ledger.Reserve(*counter, "st1", "COM3", "", {});
    clLedgerPolicy reuse;
    reuse.reuseStale = reuse.reuseFailed = true;
    EXPECT_EQ(ledger.TakeStale("st1", "COM3", counter->Pool(), reuse).size(), 1u);
    const clLedgerEntry again = ledger.Reserve(*counter, "st1", "COM3", "", reuse);
    EXPECT_EQ(again.seq, cut.seq);
    ledger.Complete(again, kLedgerProgrammed, "failed: Final verify operation has failed.", "0000");
    const clLedgerEntry failedAgain = ledger.Reserve(*counter, "st1", "COM3", "", reuse);
    EXPECT_EQ(failedAgain.seq, cut.seq);
    ledger.Complete(failedAgain, kLedgerVerified, "", "0000");
    EXPECT_EQ(ledger.Reserve(*counter, "st1", "COM3", "", reuse).seq, cut.seq + 1);
    EXPECT_EQ(ledger.Summary().issued, 2);
}

TEST_F(LedgerTest, AValueFromAnotherPoolIsNeverGivenTwice)
{
    auto tens = Counter("counter:100:10");
    auto ones = Counter("counter:105:5");
    clSerialLedger ledger(path);
    ledger.Reserve(*tens, "st1", "COM1", "", {});
    ledger.Reserve(*tens, "st1", "COM1", "", {}); // 110
    ledger.Reserve(*ones, "st1", "COM1", "", {}); // 105
    try {
        ledger.Reserve(*ones, "st1", "COM1", "", {}); // 110 again
        FAIL() << "110 was given twice";
    } catch (const clLedgerError& e) {
        EXPECT_NE(std::string(e.what()).find("110 (006E) was issued before"), std::string::npos) << e.what();
    }
    // The refused draw left nothing behind.
    EXPECT_EQ(ledger.Summary().issued, 3);
}

TEST_F(LedgerTest, AFileThatIsNoLedgerIsRefusedAndLeftAsItWas)
{
    const std::vector<unsigned char> junk(3000, 0x5A);
    WriteBytes(dir.File("junk.db"), junk);
    // Another program's SQLite database.
    {
        clSerialLedger made(dir.File("made.ledger"));
    }
    const std::string foreign = dir.File("foreign.db");
    {
        std::unique_ptr<clLedgerDb> db = QkOpenSqliteLedger(foreign);
        db->Run("CREATE TABLE parts (id INTEGER)");
    }
    const auto foreignBytes = ReadBytes(foreign);
    for (const auto& [file, words] :
         {std::pair{dir.File("junk.db"), "is not a ledger (not an SQLite database)"},
          std::pair{foreign, "is a database of another program"}, std::pair{dir.Path().string(), "is a directory"}}) {
        try {
            clSerialLedger ledger(file);
            ADD_FAILURE() << file << " was taken for a ledger";
        } catch (const clLedgerError& e) {
            EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(ReadBytes(dir.File("junk.db")), junk);
    EXPECT_EQ(ReadBytes(foreign), foreignBytes);
    // Showing a ledger never makes one.
    EXPECT_THROW(clSerialLedger(dir.File("missing.ledger"), false), clLedgerError);
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing.ledger")));
}

TEST_F(LedgerTest, ACyclePatchesTheValueForOneDeviceAndPutsTheImageBack)
{
    clSerialSettings settings;
    settings.source = "counter:0x1234";
    settings.address = 0x11;
    settings.layout = {2, clSerialFormat::bin, true};
    settings.ledger = path;
    settings.policy.reuseFailed = true;
    clSerialSettings read;
    std::string error;
    ASSERT_TRUE(clSerialSettings::FromText(settings.ToText(), read, error)) << error;
    EXPECT_EQ(read.ToText(), settings.ToText());
    EXPECT_FALSE(clSerialSettings::FromText("source=counter:1\nwidth=9\n", read, error));
    EXPECT_NE(error.find("\"width=9\""), std::string::npos) << error;

    clHugeBuffer<unsigned char> image;
    image.SetParams(0x20, clAdrs(0));
    const unsigned char blank = 0xFF;
    image.Fill(clAdrs(0), clAdrs(0x1F), &blank);
    clSerialCycle cycle;
    std::vector<clLedgerEntry> stale;
    EXPECT_NE(cycle.Prepare(settings, 0, 0x11, "COM1", "p.qkp", stale), ""); // the value's last byte is outside
    ASSERT_EQ(cycle.Prepare(settings, 0, 0x1F, "COM1", "p.qkp", stale), "");
    EXPECT_EQ(cycle.Next(), "4660");
    EXPECT_EQ(cycle.Patch(image).shown, "4660");
    EXPECT_EQ(image.GetByte(clAdrs(0x11)), 0x12);
    EXPECT_EQ(image.GetByte(clAdrs(0x12)), 0x34);
    EXPECT_EQ(cycle.Next(), "4661");
    cycle.Restore(image);
    EXPECT_EQ(image.GetByte(clAdrs(0x11)), 0xFF);
    EXPECT_EQ(cycle.Complete(QkSerialState(false, true), "failed: verify", 0x1234), "");
    EXPECT_EQ(cycle.Drawn()->state, kLedgerProgrammed);
    // With reuse the board's value goes to the next one.
    EXPECT_EQ(cycle.Patch(image).shown, "4660");
}

} // namespace
