// The desktop program's rules that need no window: switches and ports,
// address fields, view texts and tabs, tips, titles, the exception guard and
// the progress callback.
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>

#include "comm/comports.h"
#include "cpplib/clexpt.h"
#include "source/app/adrsfield.h"
#include "source/app/exptguard.h"
#include "source/app/qk51main.h"
#include "source/app/qkports.h"
#include "source/app/qkswtch.h"
#include "source/app/spcdlg.h"
#include "source/app/srvccomm.h"
#include "source/app/tipday.h"
#include "source/base/appmngr.h"
#include "source/base/strtable.h"
#include "source/project/qkprj.h"
#include "source/settings/qksettings.h"
#include "tests/testutil.h"

namespace {

// An argument vector that lives as long as the test needs it.
struct clArgs {
    explicit clArgs(std::vector<std::string> args) : strings(std::move(args))
    {
        strings.insert(strings.begin(), "qkprog");
        for (const auto& s : strings)
            pointers.push_back(s.c_str());
    }
    int Count() const { return static_cast<int>(pointers.size()); }
    const char* const* Vector() const { return pointers.data(); }
    std::vector<std::string> strings;
    std::vector<const char*> pointers;
};

std::vector<int> Ports(const clQkPortTable& table)
{
    std::vector<int> ports;
    for (const QK_PORT_CFG& record : table.records)
        ports.push_back(record.m_lPortNo);
    return ports;
}

TEST(PortTable, HoldsPortsOneToNThenTheComPortThenTheEnd)
{
    const clArgs args({"/LastCom:8", "-com:12"});
    const clQkPortTable table = QkBuildPortTable(clQkSwtch(args.Count(), args.Vector()));
    EXPECT_EQ(Ports(table), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 12, -1}));
    EXPECT_EQ(table.usable, 9);
    EXPECT_EQ(table.records[0].m_lPortKind, 1);
    EXPECT_EQ(table.records[0].m_lProtocol, 0);
}

TEST(PortTable, AComPortOutsideTheLimitIsNotAddedButStillStarts)
{
    clTempDir dir;
    const clQkSettingsStore settings(dir.File("s.ini"));
    const clArgs far({"/Com:200"});
    const clQkSwtch switches(far.Count(), far.Vector());
    EXPECT_EQ(Ports(QkBuildPortTable(switches)), (std::vector<int>{1, 2, 3, 4, -1}));
    EXPECT_EQ(QkStartPort(switches, settings), 200);
    // A port inside the table is not added twice.
    const clArgs inside({"/Com:3"});
    EXPECT_EQ(QkBuildPortTable(clQkSwtch(inside.Count(), inside.Vector())).usable, 4);
}

TEST(PortTable, NonsenseLastComGivesFourPorts)
{
    for (const char* value : {"/LastCom:0", "/LastCom:abc", "/LastCom:-3", "/LastCom:5000"}) {
        const clArgs args({value});
        EXPECT_EQ(QkBuildPortTable(clQkSwtch(args.Count(), args.Vector())).usable, 4) << value;
    }
}

TEST(StartPort, ScanWinsOverComAndTheStoredPort)
{
    clTempDir dir;
    clQkSettingsStore settings(dir.File("s.ini"));
    QkSetSetting(settings, kSetComPort, 3);
    const clArgs none({});
    EXPECT_EQ(QkStartPort(clQkSwtch(none.Count(), none.Vector()), settings), 3);
    const clArgs com({"/Com:2"});
    EXPECT_EQ(QkStartPort(clQkSwtch(com.Count(), com.Vector()), settings), 2);
    const clArgs scan({"/Com:2", "/SCAN"});
    EXPECT_EQ(QkStartPort(clQkSwtch(scan.Count(), scan.Vector()), settings), 0);
}

TEST(PortText, NamesTheDevicePathBesideTheComNumber)
{
    ComMapPort(37, "/tmp/qkjtag-link");
    EXPECT_EQ(QkPortText(37), "COM37 (/tmp/qkjtag-link)");
    ComMapPort(37, "");
    EXPECT_EQ(QkPortText(0), "Scan");
}

// Addresses as the fields read them.
TEST(AddressText, IsHexadecimalWithOrWithoutItsMarks)
{
    std::uint32_t value = 0;
    for (const char* text : {"7F00h", "7f00", "0x7F00", " 7F00H "}) {
        ASSERT_TRUE(QkParseHexAddress(text, value)) << text;
        EXPECT_EQ(value, 0x7F00u) << text;
    }
    for (const char* text : {"", "h", "12x", "G0", "123456789", "0x", "7F 00"})
        EXPECT_FALSE(QkParseHexAddress(text, value)) << text;
    EXPECT_EQ(QkFieldText(0x10), "0010h");
    EXPECT_EQ(QkFieldText(0x5FFFF), "5FFFFh");
}

class AddressFields : public ::testing::Test {
protected:
    // Alignment 256, lowest 0, highest 0x7FFF, as in the field rules' example.
    clAdrsFieldRules rules{0, 0x7FFF, 256};
    std::vector<unsigned short> asked;
    bool agree = true;
    clAdrsFieldRules::Ask ask = [this](unsigned short message) {
        asked.push_back(message);
        return agree;
    };
};

TEST_F(AddressFields, StartRoundsDownToItsBlock)
{
    const clAdrsFieldResult r = rules.Start("7F80", 0, 0x7FFF, true, ask);
    EXPECT_FALSE(r.keepFocus);
    EXPECT_EQ(r.start, 0x7F00u);
    EXPECT_EQ(r.stop, 0x7FFFu);
    EXPECT_TRUE(asked.empty());
}

TEST_F(AddressFields, StartPastTheLastBlockAsksAndTakesTheLastBlock)
{
    const clAdrsFieldResult yes = rules.Start("8000", 0, 0x7FFF, true, ask);
    EXPECT_EQ(asked, (std::vector<unsigned short>{kMsgOverflow}));
    EXPECT_EQ(yes.start, 0x7F00u);
    agree = false;
    const clAdrsFieldResult no = rules.Start("8000", 0x100, 0x7FFF, true, ask);
    EXPECT_TRUE(no.keepFocus);
    EXPECT_EQ(no.start, 0x100u); // unchanged
}

TEST_F(AddressFields, StopRoundsUpToTheEndOfItsBlockAndPushesTheStart)
{
    const clAdrsFieldResult r = rules.Stop("10", 0, 0x7FFF, true, ask);
    EXPECT_EQ(r.stop, 0xFFu);
    EXPECT_EQ(r.start, 0u);
    const clAdrsFieldResult pushed = rules.Stop("1FF", 0x400, 0x7FFF, true, ask);
    EXPECT_EQ(pushed.stop, 0x1FFu);
    EXPECT_EQ(pushed.start, 0x100u);
    EXPECT_TRUE(asked.empty());
}

TEST_F(AddressFields, StartPastTheStopMovesTheStop)
{
    const clAdrsFieldResult r = rules.Start("500", 0, 0x1FF, true, ask);
    EXPECT_EQ(r.start, 0x500u);
    EXPECT_EQ(r.stop, 0x5FFu);
}

TEST_F(AddressFields, InvalidTextKeepsTheFieldWhenTypedAndMeansTheEndsOnSetUp)
{
    EXPECT_TRUE(rules.Start("zz", 0x100, 0x1FF, true, ask).keepFocus);
    EXPECT_TRUE(rules.Stop("", 0x100, 0x1FF, true, ask).keepFocus);
    EXPECT_EQ(asked, (std::vector<unsigned short>{kMsgBadStart, kMsgBadStop}));
    asked.clear();
    EXPECT_EQ(rules.Start("zz", 0x100, 0x1FF, false, ask).start, 0u);
    EXPECT_EQ(rules.Stop("", 0x100, 0x1FF, false, ask).stop, 0x7FFFu);
    EXPECT_TRUE(asked.empty());
}

TEST(AddressFieldsAbove, UnderflowAsksAndTakesTheLowestBlock)
{
    const clAdrsFieldRules rules(0x10000, 0x4FFFF, 2048);
    std::vector<unsigned short> asked;
    const auto yes = [&](unsigned short m) {
        asked.push_back(m);
        return true;
    };
    EXPECT_EQ(rules.Start("100", 0x10000, 0x4FFFF, true, yes).start, 0x10000u);
    EXPECT_EQ(rules.Stop("100", 0x10000, 0x4FFFF, true, yes).stop, 0x107FFu);
    EXPECT_EQ(asked, (std::vector<unsigned short>{kMsgUnderflow, kMsgUnderflow}));
}

TEST(AddressFieldsAbove, TheEndOfTheAddressSpaceDoesNotWrap)
{
    const clAdrsFieldRules rules(0xFFFF0000u, 0xFFFFFFFFu, 0x1000);
    const auto yes = [](unsigned short) { return true; };
    const clAdrsFieldResult r = rules.Stop("FFFFFFF0", 0xFFFF0000u, 0xFFFF0FFFu, true, yes);
    EXPECT_FALSE(r.keepFocus);
    EXPECT_EQ(r.stop, 0xFFFFFFFFu);
    EXPECT_EQ(rules.Start("FFFFF800", 0xFFFF0000u, 0xFFFF0FFFu, true, yes).start, 0xFFFFF000u);
}

TEST(ViewTexts, SizeShowsWholeAndPartKilobytes)
{
    EXPECT_EQ(QkSizeText(0x60000), "60000h (384K)");
    EXPECT_EQ(QkSizeText(0x300), "300h (0.8K)");
    EXPECT_EQ(QkSizeText(1), "1h (0.0K)");
    EXPECT_EQ(QkLockBitCount(7), 3);
    EXPECT_EQ(QkLockBitCount(1), 1);
    EXPECT_EQ(QkLockBitCount(0xF8), 0);
}

std::vector<std::string> TabTitles(unsigned short chipId)
{
    clDataBase db(GetDLLDBaseInstance());
    std::vector<std::string> titles;
    for (const clTabSetup& tab : QkDeviceTabs(db, chipId))
        titles.push_back(tab.title + ":" + std::to_string(tab.space) + ":" + std::to_string(tab.kind));
    return titles;
}

TEST(DeviceTabs, OneTabPerSpaceInDatabaseOrderWithSecurityAndAll)
{
    // PCD80710: a data space only, no "All".
    EXPECT_EQ(TabTitles(1), (std::vector<std::string>{"Data:1:509"}));
    // PCD80712: the encryption space is the security tab.
    EXPECT_EQ(TabTitles(2),
              (std::vector<std::string>{"Data:1:509", "Security:2:511", "Config:3:510", "OSD:4:513", "All:0:512"}));
    // PCD80703: lock bits without a security space still get their tab.
    EXPECT_EQ(TabTitles(6), (std::vector<std::string>{"Data:1:509", "Config:3:510", "Security:2:511", "All:0:512"}));
}

TEST(Tips, TheFirstRunShowsTip2101AndWrapsAround)
{
    clQkTipOfDay tips(2, 12345);
    EXPECT_EQ(tips.GetCount(), 13);
    EXPECT_EQ(tips.GetText(), QkLoadString(2101));
    EXPECT_EQ(tips.GetMode(), 1);
    EXPECT_TRUE(tips.IsShowChecked());
    for (int i = 0; i < 12; ++i)
        tips.Next();
    EXPECT_EQ(tips.GetText(), QkLoadString(2113));
    tips.Next();
    EXPECT_EQ(tips.GetText(), QkLoadString(2101));
    EXPECT_EQ(clQkTipOfDay::ModeOnClose(false), 0);
    EXPECT_EQ(clQkTipOfDay::ModeOnClose(true), 1);
}

TEST(Tips, LaterRunsStartAtTheSeedsTip)
{
    const clQkTipOfDay tips(1, 13 * 100 + 4);
    EXPECT_EQ(tips.GetIndex(), 4);
    EXPECT_EQ(tips.GetText(), QkLoadString(2105));
    EXPECT_FALSE(clQkTipOfDay(0, 0).IsShowChecked());
}

TEST(Tips, WithoutTipStringsTheBoxSaysSo)
{
    clQkTipOfDay tips(2, 1, [](unsigned) { return ""; });
    EXPECT_EQ(tips.GetCount(), 0);
    EXPECT_EQ(tips.GetText(), "No tips available!");
    tips.Next();
    EXPECT_EQ(tips.GetText(), "No tips available!");
}

clGuardKind KindOf(const std::function<void()>& raise)
{
    try {
        raise();
    } catch (...) {
        return QkGuardKind(std::current_exception());
    }
    return clGuardKind::unknown;
}

TEST(ExceptionGuard, SortsWhatEscapesIntoTheFourTexts)
{
    const clBscExpt* none = nullptr;
    EXPECT_EQ(KindOf([&] { QkRaise<clXIO>(none, "x", 1); }), clGuardKind::disk);
    EXPECT_EQ(KindOf([&] { QkRaise<clXAlloc>(none, "x", 1); }), clGuardKind::memory);
    EXPECT_EQ(KindOf([] { throw std::bad_alloc(); }), clGuardKind::memory);
    EXPECT_EQ(KindOf([] { throw clXIntrErr("CommEn != 0"); }), clGuardKind::internal);
    EXPECT_EQ(KindOf([&] { QkRaise<clXRange>(none, "x", 1); }), clGuardKind::system);
    EXPECT_EQ(KindOf([] { throw std::runtime_error("x"); }), clGuardKind::system);
    EXPECT_EQ(KindOf([] { throw 42; }), clGuardKind::unknown);
    EXPECT_STREQ(QkGuardText(clGuardKind::memory), "Not enough memory is availabe, program will shut down.");
    EXPECT_STREQ(QkGuardText(clGuardKind::disk), "Disk operation error was found (log file).");
    EXPECT_STREQ(QkGuardText(clGuardKind::unknown), "");
}

TEST(Titles, ProgressAndMinimisedFrame)
{
    EXPECT_EQ(QkProgressTitle(0, "Programming"), "QK-JTAG - Programming");
    EXPECT_EQ(QkProgressTitle(42, "Programming"), "QK-JTAG - Programming 42%");
    EXPECT_EQ(QkFrameTitle(false, "Failed"), "QK-JTAG - Halvane Windows Programmer");
    EXPECT_EQ(QkFrameTitle(true, "Failed"), "QK-JTAG - Failed");
    EXPECT_EQ(QkFrameTitle(true, std::string(400, 'x')).size(), 255u);
}

TEST(Titles, LongPathsLoseTheirLeadingFolders)
{
    const auto fits20 = [](const std::string& s) { return s.size() <= 20; };
    EXPECT_EQ(QkShortenPath("/a/b.hex", fits20), "/a/b.hex");
    EXPECT_EQ(QkShortenPath("/home/user/projects/board/fw.hex", fits20), "/.../board/fw.hex");
    EXPECT_EQ(QkShortenPath("/home/a-very-long-file-name.hex", fits20), "/.../a-very-long-file-name.hex");
}

TEST(ProjectDescription, IsReadFromTheFileForThePreview)
{
    clTempDir dir;
    TBscOptServer options(kQkOptArrayName);
    QkRegisterOptions(options);
    clQkSettingsStore settings(dir.File("s.ini"));
    clQkProject project(options, settings, QkAppErrMngr());
    ASSERT_EQ(project.Save(dir.File("p.qkp"), prjSaveOnly, "Board rev. B"), 1);
    EXPECT_EQ(QkReadProjectDescription(dir.File("p.qkp")), "Board rev. B");
    WriteText(dir.File("bad.qkp"), "not a project");
    EXPECT_EQ(QkReadProjectDescription(dir.File("bad.qkp")), "");
    EXPECT_EQ(QkReadProjectDescription(dir.File("missing.qkp")), "");
}

class clRecordingGauge : public clQkGaugeIntf {
public:
    void Progress(int percent, const char* text) override { steps.emplace_back(percent, text ? text : "(null)"); }
    std::vector<std::pair<int, std::string>> steps;
};

TEST(ServiceComm, ProgressMovesTheGaugeAndAnAbortStopsOnce)
{
    clDataBase db(GetDLLDBaseInstance());
    const clArgs args({});
    clQkSrvcComm comm(args.Count(), args.Vector(), db);
    clRecordingGauge gauge;
    comm.SetGauge(&gauge);
    comm.SetWindow(0x5101);
    EXPECT_EQ(comm.GetPrcssId(), 0x5101u);
    EXPECT_EQ(comm.CommProgress(10, clAdrs(0u), "Programming"), 1);
    comm.Abort();
    EXPECT_EQ(comm.CommProgress(20, clAdrs(0u), "Programming"), 0);
    EXPECT_FALSE(comm.IsAbortSet());
    EXPECT_EQ(comm.CommProgress(30, clAdrs(0u), nullptr), 1);
    ASSERT_EQ(gauge.steps.size(), 3u);
    EXPECT_EQ(gauge.steps[1], (std::pair<int, std::string>{20, "Programming"}));
    EXPECT_EQ(gauge.steps[2].second, "(null)");
}

} // namespace
