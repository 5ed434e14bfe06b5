// The facade over qksim: connecting by path and by search, the …Seq
// operations with their progress, a stop from the progress hook, failures
// with their reports and the reconnect after them, the version lists and a
// space buffer writing its edits through to the programmer's memory.
#include <chrono>
#include <random>

#include "comm/qkcommexpt.h"
#include "cpplib/qk51buff.h"
#include "tests/e2e/facadesim.h"

namespace {

std::unique_ptr<clQKHugeBufIntr> RandomBuffer(std::uint32_t size, std::uint32_t start, unsigned seed)
{
    auto buf = std::make_unique<clQKHugeBufIntr>("Data");
    buf->SetParams(size, clAdrs(start));
    buf->SetSpaceId(1);
    std::mt19937 random(seed);
    std::vector<unsigned char> bytes(size);
    for (auto& b : bytes)
        b = static_cast<unsigned char>(random());
    buf->Write(buf->GetStartAdrs(), buf->GetStopAdrs(), bytes.data());
    return buf;
}

std::vector<unsigned char> BytesOf(const clHugeBuffer<unsigned char>& buf)
{
    std::vector<unsigned char> bytes(buf.GetSize());
    buf.Read(buf.GetStartAdrs(), buf.GetStopAdrs(), bytes.data());
    return bytes;
}

TEST_F(FacadeSimTest, ConnectsByPathAndListsEveryVersion)
{
    StartSim({"--fw-version", "V1.50", "--ram-kib", "64", "--flash-kib", "32"});
    clTestComm& comm = Connected();
    TArrayAsVector<clVerInfo> versions;
    comm.GetProtocolVer(versions);
    comm.GetQKVer(versions);
    m_Db.GetVer(versions);
    const TArrayAsVector<clVerInfo> expected = {{"QKComm-2", 3, 1, 0, 0},
                                                {"QKJTAG", 1, 50, 0, 0},
                                                {"Ram Size", 64, 0, 0, 0},
                                                {"Flash Size", 32, 0, 0, 0},
                                                {"QKDB", 3, 32, 0, 0}};
    EXPECT_EQ(versions, expected);
    EXPECT_TRUE(m_Ui.shown.empty());
}

TEST_F(FacadeSimTest, SearchSkipsAnAbsentPortAndTakesTheOneThatAnswers)
{
    StartSim({});
    ComMapPort(43, "/nonexistent/qk-tty");
    clTestComm& comm = Make();
    const QK_PORT_CFG list[] = {{43, 1, 1}, {kComNo, 1, 0}};
    const QK_PORT_CFG found = comm.SearchConnect(2, list, 0);
    EXPECT_EQ(found.m_lPortNo, kComNo);
    EXPECT_EQ(comm.GetProtocol(), clQkProtocol::real);
    EXPECT_EQ(comm.GetPortConfig().m_lComIndex, kComNo - 1);
    EXPECT_TRUE(m_Ui.shown.empty());
    ComMapPort(43, "");
}

TEST_F(FacadeSimTest, OperationsRunInTheirBracketsWithProgress)
{
    StartSim({});
    clTestComm& comm = Connected();
    const auto buf = RandomBuffer(4096, 0x2000, 1);
    comm.SetAddressesSeq(*buf);
    comm.EraseSeq(*buf);
    comm.BlnkChkSeq(*buf);
    comm.WriteSeq(*buf, 0);
    comm.steps.clear();
    const unsigned short sum = comm.ProgramSeq(*buf);
    EXPECT_EQ(sum, buf->Sum(buf->GetStartAdrs(), buf->GetStopAdrs()));
    EXPECT_EQ(comm.Texts(), (std::vector<std::string>{"Programming", "Verifying"}));
    EXPECT_EQ(comm.steps.back().percent, 100u);
    EXPECT_EQ(comm.steps.back().address, 0x2FFFu);
    EXPECT_EQ(comm.ChkSumSeq(*buf), sum);
    comm.VerifySeq(*buf);

    // Read the device back into a buffer of its own.
    auto copy = std::make_unique<clQKHugeBufIntr>("Copy");
    copy->SetParams(4096, clAdrs(0x2000));
    copy->SetSpaceId(1);
    comm.steps.clear();
    comm.ReadSeq(*copy);
    EXPECT_EQ(BytesOf(*copy), BytesOf(*buf));
    EXPECT_EQ(comm.Texts(), std::vector<std::string>{"Reading"});
    EXPECT_EQ(comm.GetSeqID(), opNone);
    EXPECT_TRUE(m_Ui.shown.empty());
}

TEST_F(FacadeSimTest, AStopWhileProgrammingReachesTheProgrammer)
{
    StartSim({"--work-ms", "4000", "--busy-ms", "100"});
    clTestComm& comm = Connected();
    const auto buf = RandomBuffer(256, 0, 2);
    comm.WriteSeq(*buf, 0);
    comm.SetAddressesSeq(*buf);
    // Stopped once the programmer has the program order.
    comm.stopAt = [this](const clProgressStep&) { return FrameLines("RX 02 01 10") == 1; };
    EXPECT_THROW(comm.ProgramSeq(*buf), clXAbort);
    EXPECT_EQ(FrameLines("RX FF"), 1u);
    // A stop is not a failure: no message, and the programmer stays connected.
    EXPECT_TRUE(m_Ui.shown.empty());
    EXPECT_EQ(comm.GetProtocol(), clQkProtocol::real);
    comm.stopAt = nullptr;
    QK_STATUS status;
    comm.GetStatusSeq(status);
    EXPECT_EQ(status.VerifyStartBttn(), 1);
}

TEST_F(FacadeSimTest, AStopInTheSettlingWaitSendsNothingMore)
{
    StartSim({});
    clTestComm& comm = Connected();
    const auto buf = RandomBuffer(256, 0, 2);
    comm.SetAddressesSeq(*buf);
    comm.stopAt = [](const clProgressStep& step) { return step.text == "Programming"; };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(comm.ProgramSeq(*buf), clXAbort);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.5);
    EXPECT_EQ(FrameLines("RX 02 01 10"), 0u);
    EXPECT_EQ(FrameLines("RX FF"), 0u);
    EXPECT_EQ(comm.GetProtocol(), clQkProtocol::real);
}

TEST_F(FacadeSimTest, ABlankCheckFailureShowsTheCellThenDisconnectsAndTheNextSequenceReconnects)
{
    StartSim({"--fault", "nonblank=0x10"});
    clTestComm& comm = Connected();
    const auto buf = RandomBuffer(64, 0, 3);
    comm.SetAddressesSeq(*buf);
    comm.EraseSeq(*buf);
    EXPECT_THROW(comm.BlnkChkSeq(*buf), clQKTargetFail);
    ASSERT_EQ(m_Ui.Numbers(), (std::vector<unsigned short>{3, 2}));
    EXPECT_TRUE(m_Ui.shown[0].hasAddress);
    EXPECT_EQ(m_Ui.shown[0].address, 0x10u);
    EXPECT_EQ(m_Ui.shown[0].text, "Device is not blank.\nDevice value 00 at address 0010h");
    EXPECT_EQ(m_Ui.shown[1].text, "General communication error with the programmer.");
    EXPECT_EQ(comm.GetProtocol(), clQkProtocol::none);

    comm.SigChkSeq();
    EXPECT_EQ(comm.GetProtocol(), clQkProtocol::real);
    EXPECT_EQ(m_Ui.shown.size(), 2u);
}

TEST_F(FacadeSimTest, AVerifyFailureShowsAddressAndBothValues)
{
    StartSim({"--fault", "flip=0x123"});
    clTestComm& comm = Connected();
    const auto buf = RandomBuffer(0x200, 0, 4);
    comm.EraseSeq(*buf);
    comm.WriteSeq(*buf, 0);
    comm.SetAddressesSeq(*buf);
    EXPECT_THROW(comm.ProgramSeq(*buf), clQKTargetFail);
    ASSERT_EQ(m_Ui.Numbers(), (std::vector<unsigned short>{9, 2}));
    const clShown& verify = m_Ui.shown[0];
    EXPECT_EQ(verify.address, 0x123u);
    EXPECT_EQ(verify.buffer, buf->GetByte(clAdrs(0x123)));
    EXPECT_NE(verify.device, verify.buffer);
    char expected[128];
    std::snprintf(expected, sizeof expected,
                  "Data verify has failed at address 0123h\nDevice value: %02Xh\nBuffer value: %02Xh", verify.device,
                  verify.buffer);
    EXPECT_EQ(verify.text, expected);
    EXPECT_EQ(comm.GetProtocol(), clQkProtocol::none);
}

TEST_F(FacadeSimTest, ALineThatGoesQuietIsAGeneralCommunicationError)
{
    StartSim({"--fault", "silent=0x12"});
    clTestComm& comm = Connected();
    const auto buf = RandomBuffer(16, 0, 5);
    EXPECT_THROW(comm.ChkSumSeq(*buf), clQKCommExpt);
    EXPECT_EQ(m_Ui.Numbers(), std::vector<unsigned short>{2});
    EXPECT_EQ(comm.GetProtocol(), clQkProtocol::none);
}

TEST_F(FacadeSimTest, ABoundBufferWritesItsEditsToTheProgrammersMemory)
{
    StartSim({});
    clTestComm& comm = Connected();
    clQKHugeBuffer space("Data");
    space.SetSpaceId(1);
    space.SetParams(0x100, clAdrs(0x400));
    space.BindComm(&comm);
    EXPECT_TRUE(space.IsWriteThrough());
    space.SetCmdAddresses(clAdrs(0x410), clAdrs(0x41F));

    const unsigned char value = 0x5A;
    space.SetByte(clAdrs(0x480), &value);
    const unsigned char fill = 0xC3;
    space.Fill(clAdrs(0x490), clAdrs(0x4A7), &fill);
    space.CopyWithin(clAdrs(0x490), clAdrs(0x493), clAdrs(0x4F0));
    // The buffer's own command range is back after every write.
    EXPECT_EQ(space.GetCmdStartAdrs(), clAdrs(0x410));
    EXPECT_EQ(space.GetCmdStopAdrs(), clAdrs(0x41F));

    clHugeBuffer<unsigned char> ram("RAM");
    ram.SetParams(0x100, clAdrs(0x400));
    comm.ReadSpace(clAdrs(0x400), clAdrs(0x4FF), ram, 0x20, 0);
    EXPECT_EQ(ram.GetByte(clAdrs(0x480)), 0x5A);
    EXPECT_EQ(ram.GetByte(clAdrs(0x490)), 0xC3);
    EXPECT_EQ(ram.GetByte(clAdrs(0x4A7)), 0xC3);
    EXPECT_EQ(ram.GetByte(clAdrs(0x4F3)), 0xC3);
    // The fill went as one fill frame, not as data.
    EXPECT_EQ(FrameLines("RX 0C 04 20 00 00 00 04 90 00 00 04 A7 C3"), 1u);
    // The programmer was told the buffer's command range last.
    const std::string log = FrameLog();
    EXPECT_NE(log.rfind("RX 10 03 22 01 00 00 00 00 08 00 00 04 10 00 00 04 1F"), std::string::npos);

    // Bytes read from the programmer are stored, not written back to it.
    const std::size_t memoryWrites = FrameLines("03 20 00");
    comm.ReadSpace(clAdrs(0x400), clAdrs(0x4FF), space, 0x20, 0);
    EXPECT_EQ(FrameLines("03 20 00"), memoryWrites);
    EXPECT_EQ(BytesOf(space), BytesOf(ram));
    EXPECT_TRUE(m_Ui.shown.empty());
}

} // namespace
