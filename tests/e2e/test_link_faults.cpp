// Bad replies and a dropped line end to end: each becomes its exception and
// numbered error, nothing hangs, and the port can be closed afterwards.
#include <chrono>
#include <functional>

#include "comm/comport.h"
#include "comm/qkcommexpt.h"
#include "tests/e2e/simlink.h"

namespace {

enum clExpect { expTargetFail, expCommExpt, expPowerUp, expAbort };

struct clFaultCase {
    const char* name;
    std::string fault;
    std::function<void(clTestLL2&, const clQKHugeBufIntr&)> operation;
    clExpect expect;
    std::vector<unsigned short> errors; // what the epilog posts
};

void PrintTo(const clFaultCase& c, std::ostream* os)
{
    *os << c.name;
}

class FaultTest : public SimLinkTest, public ::testing::WithParamInterface<clFaultCase> {};

void ExpectThrown(clExpect expect, const std::function<void()>& run)
{
    switch (expect) {
    case expTargetFail: EXPECT_THROW(run(), clQKTargetFail); break;
    case expCommExpt: EXPECT_THROW(run(), clQKCommExpt); break;
    case expPowerUp: EXPECT_THROW(run(), clQKTargetPwrUp); break;
    case expAbort: EXPECT_THROW(run(), clXAbort); break;
    }
}

TEST_P(FaultTest, BecomesItsExceptionAndError)
{
    const clFaultCase& c = GetParam();
    StartSim({"--baud", "0", "--fault", c.fault});
    Connect();
    auto buf = MakeBuffer(256);
    const auto start = std::chrono::steady_clock::now();
    ExpectThrown(c.expect, [&] { Sequence([&] { c.operation(*m_LL, *buf); }); });
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 6.0);
    std::vector<unsigned short> seen;
    for (const auto& e : m_Errors)
        seen.push_back(e.no);
    EXPECT_EQ(seen, c.errors);
    // The link stays usable: the next sequence works.
    Sequence([&] { m_LL->SigChk(); });
}

const clFaultCase kFaultCases[] = {
    {"CountByteOfChecksumReplyWrong",
     "bad-cnt=0x12",
     [](clTestLL2& ll, const clQKHugeBufIntr& b) { ll.ChkSum(b); },
     expTargetFail,
     {7}},
    {"UnknownReplyCodeToErase",
     "reply=0x13:7",
     [](clTestLL2& ll, const clQKHugeBufIntr& b) { ll.Erase(b); },
     expCommExpt,
     {6}},
    {"BlankCheckReplyOneByteShort",
     "short=0x11",
     [](clTestLL2& ll, const clQKHugeBufIntr& b) { ll.BlnkChk(b); },
     expCommExpt,
     {}},
    {"PowerUpReplyAfterConnect",
     "powerup=0x13",
     [](clTestLL2& ll, const clQKHugeBufIntr& b) { ll.Erase(b); },
     expPowerUp,
     {20}},
    {"AbortedAtTheProgrammer",
     "reply=0x13:3",
     [](clTestLL2& ll, const clQKHugeBufIntr& b) { ll.Erase(b); },
     expAbort,
     {}},
    {"ProgramFailsInItsOwnVerify",
     "reply=0x10:16",
     [](clTestLL2& ll, const clQKHugeBufIntr& b) { ll.Program(b); },
     expTargetFail,
     {19}},
    {"WriteFrameRefused",
     "reply=w0x20:1",
     [](clTestLL2& ll, const clQKHugeBufIntr& b) { ll.Write(b, 0); },
     expTargetFail,
     {}},
    {"OneByteAcknowledgementTooLong",
     "bad-cnt=0x23",
     [](clTestLL2& ll, const clQKHugeBufIntr&) { ll.RobotState(); },
     expCommExpt,
     {}},
    {"NoAnswerAtAll", "silent=0x13", [](clTestLL2& ll, const clQKHugeBufIntr& b) { ll.Erase(b); }, expCommExpt, {}},
};

INSTANTIATE_TEST_SUITE_P(Replies, FaultTest, ::testing::ValuesIn(kFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimLinkTest, AnUpdatingProgrammerIsAcceptedAndFlagged)
{
    StartSim({"--baud", "0", "--fault", "reply=0x13:5"});
    Connect();
    EXPECT_FALSE(m_LL->IsFirmwareUpdating());
    auto buf = MakeBuffer(16);
    Sequence([&] { m_LL->Erase(*buf); });
    EXPECT_TRUE(m_LL->IsFirmwareUpdating());
    EXPECT_TRUE(m_Errors.empty());
}

TEST_F(SimLinkTest, ConnectFailsCleanlyOnAWrongHandshakeOrIdentity)
{
    const struct {
        std::vector<std::string> args;
        std::vector<unsigned short> errors;
    } cases[] = {
        {{"--fault", "bad-sync"}, {}},
        {{"--fw-version", "V0.99"}, {16}},
        {{"--name", "QKDEMO"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        std::vector<std::string> args = {"--baud", "0"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        StartSim(args);
        m_Errors.clear();
        EXPECT_THROW(Connect(), clQKCommExpt);
        std::vector<unsigned short> seen;
        for (const auto& e : m_Errors)
            seen.push_back(e.no);
        EXPECT_EQ(seen, c.errors);
        // The device is released: nothing is left open in the port table.
        EXPECT_EQ(m_LL->GetPortId(), -1);
        EXPECT_EQ(ComIsFree(0), 1);
        m_LL.reset();
        m_Sim.Stop();
    }
}

TEST_F(SimLinkTest, ALineDroppedMidTransferEndsInACleanError)
{
    StartSim({"--baud", "0", "--fault", "drop-after=400"});
    Connect();
    auto image = MakeBuffer(384 * 1024);
    FillRandomWithRuns(*image, 9);
    const int port = m_LL->GetPortId();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(Sequence([&] { m_LL->Write(*image, 0); }), clQKCommExpt);
    EXPECT_THROW(m_LL->Prolog(), clQKCommExpt);
    m_LL->Disconnect();
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0);
    EXPECT_EQ(ComIsFree(port), 1);
    EXPECT_EQ(m_Sim.WaitExit(5000), 0);
    // The frame that met the drop was the 400th.
    EXPECT_NE(FrameLog().find("-- line dropped"), std::string::npos);
}

} // namespace
