// The facade on its own and on the demo protocol: connect choices and their
// fallbacks, the bracket of the …Seq forms, progress texts and the demo's
// timed runs. The library's reports reach the user interface through the
// error manager it opened when it was loaded.
#include <chrono>
#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include "comm/comports.h"
#include "comm/qkcommexpt.h"
#include "tests/comm/uirecorder.h"
#include "tests/testutil.h"

namespace {

using clClock = std::chrono::steady_clock;

double SecondsSince(clClock::time_point start)
{
    return std::chrono::duration<double>(clClock::now() - start).count();
}

class FacadeTest : public ::testing::Test {
protected:
    clTestComm& Make(const std::vector<std::string>& switches = {}) { return m_Maker.Make(m_Db, switches); }
    clTestComm& Demo()
    {
        clTestComm& comm = Make();
        comm.Connect(QK_PORT_CFG{-1, 0, -1}, 0);
        return comm;
    }
    // A data buffer of size bytes from start, its bytes counting in sevens.
    static std::unique_ptr<clQKHugeBufIntr> Buffer(std::uint32_t size, std::uint32_t start = 0x100)
    {
        auto buf = std::make_unique<clQKHugeBufIntr>("Data");
        buf->SetParams(size, clAdrs(start));
        buf->SetSpaceId(1);
        for (std::uint32_t i = 0; i < size; ++i) {
            const auto b = static_cast<unsigned char>(i * 7);
            buf->SetByte(clAdrs(start + i), &b);
        }
        return buf;
    }

    // The protocol's versions, then the programmer's.
    static TArrayAsVector<clVerInfo> Versions(clQKComm& comm)
    {
        TArrayAsVector<clVerInfo> versions;
        comm.GetProtocolVer(versions);
        comm.GetQKVer(versions);
        return versions;
    }

    clUiRecorder m_Ui;
    clDataBase m_Db{GetDLLDBaseInstance()};
    clTestCommMaker m_Maker;
};

TEST_F(FacadeTest, AnUnconnectedFacadeSaysSoAndRefusesOperations)
{
    clTestComm& comm = Make();
    EXPECT_EQ(comm.GetProtocol(), clQkProtocol::none);
    EXPECT_EQ(comm.IsCommExist(), 0);
    EXPECT_EQ(Versions(comm), (TArrayAsVector<clVerInfo>(2, clVerInfo("Not Connected", 0, 0, 0, 0))));

    // These few leave an unconnected facade alone.
    int result = 5;
    comm.PgmFlshSeq();
    comm.PgmDConfSeq(result);
    comm.EraseDConfSeq();
    comm.WrPrjDescrSeq("x");
    comm.SetAutoOpt(1, 2, 3);
    EXPECT_EQ(result, 0);

    // A plain operation outside a sequence is the caller's fault: reported
    // as an exception, never the end of the program.
    const auto buf = Buffer(4);
    try {
        comm.BlnkChk(*buf);
        FAIL() << "no exception";
    } catch (const clXIntrErr& e) {
        EXPECT_EQ(e.GetMsg(), "CommEn != 0");
        EXPECT_EQ(e.GetFile(), "..\\comm\\qkcomm.cpp");
    }
    EXPECT_TRUE(m_Ui.shown.empty());
}

TEST_F(FacadeTest, NoPortConnectsTheDemoOnlyWhenMessageOneIsAnsweredWithAbort)
{
    clTestComm& comm = Make();
    EXPECT_THROW(comm.IntrConnect(QK_PORT_CFG{-1, 0, 0}, 0), clQKCommExpt);
    EXPECT_TRUE(m_Ui.shown.empty());

    m_Ui.answer = erIdOk;
    EXPECT_THROW(comm.Connect(QK_PORT_CFG{-1, 0, 0}, 0), clQKCommExpt);
    EXPECT_EQ(m_Ui.Numbers(), std::vector<unsigned short>{1});
    EXPECT_EQ(comm.GetProtocol(), clQkProtocol::none);

    m_Ui.answer = erIdAbort;
    comm.Connect(QK_COMM_PORT{}, 0);
    EXPECT_EQ(m_Ui.Numbers(), (std::vector<unsigned short>{1, 1}));
    EXPECT_EQ(m_Ui.shown[1].text, "Cannot connect with QK-JTAG programmer.\nEntering off line mode.");
    // Whoever asked can tell that no programmer is behind it.
    EXPECT_EQ(comm.GetProtocol(), clQkProtocol::demo);
    EXPECT_EQ(comm.IsCommExist(), 1);
    EXPECT_EQ(comm.GetPortConfig().m_lProtocol, -1);
}

TEST_F(FacadeTest, DemoOnTheCommandLineWinsOverAnyConfiguration)
{
    ComMapPort(41, "/nonexistent/qk-tty");
    clTestComm& comm = Make({"/DEMO"});
    EXPECT_EQ(comm.IsForceDemo(), 1);
    comm.Connect(QK_PORT_CFG{41, 1, 1}, 0);
    EXPECT_EQ(comm.GetProtocol(), clQkProtocol::demo);
    comm.Connect(QK_PORT_CFG{-1, 0, 0}, 0);
    EXPECT_EQ(comm.GetProtocol(), clQkProtocol::demo);
    EXPECT_TRUE(m_Ui.shown.empty());
    ComMapPort(41, "");
}

TEST_F(FacadeTest, SearchFallsBackToTheDemoAndReturnsWhatItConnected)
{
    ComMapPort(41, "/nonexistent/qk-tty-a");
    ComMapPort(43, "/nonexistent/qk-tty-b");
    clTestComm& comm = Make();
    const QK_PORT_CFG list[] = {{41, 1, 1}, {43, 1, 0}};
    const QK_PORT_CFG got = comm.SearchConnect(2, list, 0);
    EXPECT_EQ(got.m_lPortNo, -1);
    EXPECT_EQ(got.m_lProtocol, -1);
    EXPECT_EQ(comm.GetProtocol(), clQkProtocol::demo);
    // One message for the whole search, not one per port.
    EXPECT_EQ(m_Ui.Numbers(), std::vector<unsigned short>{1});

    const QK_COMM_PORT none = comm.SearchConnect(0, static_cast<const QK_COMM_PORT*>(nullptr), 0);
    EXPECT_EQ(none.m_lPortNo, -1);
    EXPECT_EQ(none.m_lProtocol, -1);
    ComMapPort(41, "");
    ComMapPort(43, "");
}

TEST_F(FacadeTest, DemoReportsItsVersionsAndStatus)
{
    clTestComm& comm = Demo();
    EXPECT_EQ(Versions(comm), (TArrayAsVector<clVerInfo>{{"QKComm-Demo", 3, 0, 0, 0}, {"QKDemo", 0, 0, 0, 0}}));
    QK_STATUS status;
    status.SetStartBttnClicked(1);
    comm.GetStatusSeq(status);
    EXPECT_EQ(status.VerifyStartBttn(), 0);
    EXPECT_EQ(comm.IsMultiTaskEn(), 1);
}

TEST_F(FacadeTest, ShortDemoRangeTakesOneStepPerByte)
{
    clTestComm& comm = Demo();
    auto buf = Buffer(10);
    std::vector<unsigned char> before(10), after(10);
    buf->Read(buf->GetStartAdrs(), buf->GetStopAdrs(), before.data());

    const auto start = clClock::now();
    comm.ReadSeq(*buf);
    const double seconds = SecondsSince(start);
    EXPECT_GE(seconds, 0.45);
    EXPECT_LT(seconds, 2.0);

    buf->Read(buf->GetStartAdrs(), buf->GetStopAdrs(), after.data());
    EXPECT_EQ(before, after);
    std::vector<unsigned> percents;
    for (const auto& s : comm.steps)
        percents.push_back(s.percent);
    EXPECT_EQ(percents, (std::vector<unsigned>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 100}));
    EXPECT_EQ(comm.steps.front().address, 0x100u);
    EXPECT_EQ(comm.steps[3].address, 0x102u);
    EXPECT_EQ(comm.steps.back().address, 0x109u);
    EXPECT_EQ(comm.Texts(), std::vector<std::string>{"Reading"});
    EXPECT_EQ(comm.GetSeqID(), opNone);
}

TEST_F(FacadeTest, LongDemoRangeTakesAHundredStepsOfFiftyMilliseconds)
{
    clTestComm& comm = Demo();
    const auto buf = Buffer(1000);
    const auto start = clClock::now();
    comm.EraseSeq(*buf);
    const double seconds = SecondsSince(start);
    EXPECT_GE(seconds, 4.95);
    EXPECT_LT(seconds, 6.5);
    ASSERT_EQ(comm.steps.size(), 102u);
    for (unsigned i = 0; i <= 100; ++i)
        EXPECT_EQ(comm.steps[i].percent, i);
    // Step k ends on the k-th hundredth of the range.
    EXPECT_EQ(comm.steps[1].address, 0x100u + 9);
    EXPECT_EQ(comm.steps[100].address, 0x100u + 999);
    EXPECT_EQ(comm.Texts(), std::vector<std::string>{"Erasing"});
}

TEST_F(FacadeTest, DemoProgramRunsTwiceTheSecondAsVerifyAndReturnsTheSum)
{
    clTestComm& comm = Demo();
    const auto buf = Buffer(5);
    const auto start = clClock::now();
    const unsigned short sum = comm.ProgramSeq(*buf);
    EXPECT_GE(SecondsSince(start), 1.45); // the settling wait, then two runs of 5 steps
    EXPECT_EQ(sum, buf->Sum(buf->GetStartAdrs(), buf->GetStopAdrs()));
    EXPECT_EQ(comm.Texts(), (std::vector<std::string>{"Programming", "Verifying"}));
    // The settling wait asks at 0 % every 50 ms; then the two runs of 7 steps.
    ASSERT_GE(comm.steps.size(), 2u * 7 + 19);
    for (std::size_t i = 0; i + 2 * 7 < comm.steps.size(); ++i)
        EXPECT_EQ(comm.steps[i].percent, 0u);
    EXPECT_EQ(comm.ChkSumSeq(*buf), sum);
}

TEST_F(FacadeTest, AZeroProgressAnswerStopsBeforeAnythingIsTouched)
{
    clTestComm& comm = Demo();
    auto buf = Buffer(10);
    comm.stopAt = [](const clProgressStep&) { return true; };
    const auto start = clClock::now();
    EXPECT_THROW(comm.VerifySeq(*buf), clXAbort);
    EXPECT_LT(SecondsSince(start), 0.5);
    EXPECT_EQ(comm.steps.size(), 1u);
    // A stop the user asked for is not a failure: no message, still connected.
    EXPECT_TRUE(m_Ui.shown.empty());
    EXPECT_EQ(comm.GetProtocol(), clQkProtocol::demo);
    comm.stopAt = nullptr;
    comm.FillSeq(*buf, 0xAA);
    EXPECT_EQ(comm.Texts().back(), "Memory cleaning");
}

TEST_F(FacadeTest, TheGlobalTextReplacesTheOperationsText)
{
    clTestComm& comm = Demo();
    const auto buf = Buffer(2);
    comm.SetGlobalText("Loading");
    comm.BlnkChkSeq(*buf);
    comm.ClearGlobalText();
    comm.BlnkChkSeq(*buf);
    EXPECT_EQ(comm.Texts(), (std::vector<std::string>{"Loading", "Blank Checking"}));
}

TEST_F(FacadeTest, AReversedCommandRangeIsRefusedWithoutLosingTheConnection)
{
    clTestComm& comm = Demo();
    auto buf = Buffer(16);
    buf->SetCmdAddresses(clAdrs(0x108), clAdrs(0x104));
    EXPECT_THROW(comm.BlnkChkSeq(*buf), clXIntrErr);
    EXPECT_TRUE(m_Ui.shown.empty());
    EXPECT_EQ(comm.GetProtocol(), clQkProtocol::demo);
    EXPECT_TRUE(comm.steps.empty());
}

TEST_F(FacadeTest, LogSwitchesCreateTheNamedFileEmpty)
{
    clTempDir dir;
    const std::string path = dir.File("trace.log");
    WriteText(path, "old contents");
    clTestComm& comm = Make({"/COMMLOG:" + path});
    EXPECT_EQ(comm.IsLogEnabled(), 1);
    EXPECT_EQ(comm.GetLogPath(), path);
    EXPECT_EQ(ReadText(path), "");
    comm.Connect(QK_PORT_CFG{-1, 0, -1}, 0); // the demo writes nothing to it
    EXPECT_EQ(ReadText(path), "");

    EXPECT_EQ(Make({"/COMMLOG:" + dir.File("no/such/folder/x.log")}).IsLogEnabled(), 0);
    EXPECT_EQ(Make({"/COMMLOG:" + std::string(300, 'x')}).IsLogEnabled(), 0);
    EXPECT_EQ(Make().IsLogEnabled(), 0);
    EXPECT_EQ(Make({"/PDELAY:7"}).GetPrgDelay(), 7);
    EXPECT_EQ(Make({"/PDELAY:x"}).GetPrgDelay(), 2);
}

} // namespace
