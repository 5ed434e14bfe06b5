// Device operations end to end: the real protocol layer and serial link
// against qksim on a pseudo-terminal.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <numeric>

#include "comm/comport.h"
#include "comm/qkcommexpt.h"
#include "cpplib/bitrev.h"
#include "tests/e2e/simlink.h"

namespace {

std::size_t CountLines(const std::string& text, const std::string& line)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(line + "\n"); at != std::string::npos; at = text.find(line + "\n", at + 1))
        if (at == 0 || text[at - 1] == '\n')
            ++n;
    return n;
}

std::string Hex(std::uint32_t value, int digits = 2)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

// "12 34 56 78" for a 32-bit value, as the frame log shows it.
std::string HexBytes32(std::uint32_t value)
{
    return Hex(value >> 24) + " " + Hex((value >> 16) & 0xFF) + " " + Hex((value >> 8) & 0xFF) + " " +
           Hex(value & 0xFF);
}

TEST_F(SimLinkTest, ConnectsAndReportsVersionsAndSizes)
{
    // Sizes whose two bytes differ catch a swapped byte order.
    StartSim({"--baud", "0", "--fw-version", "V1.52", "--ram-kib", "0x0312", "--flash-kib", "0x0421"});
    Connect();
    TArrayAsVector<clVerInfo> versions;
    m_LL->GetProtocolVer(versions);
    m_LL->GetQKVer(versions);
    ASSERT_EQ(versions.size(), 4u);
    EXPECT_EQ(versions[0], clVerInfo("QKComm-2", 3, 1, 0, 0));
    EXPECT_EQ(versions[1], clVerInfo("QKJTAG", 1, 52, 0, 0));
    EXPECT_EQ(versions[2], clVerInfo("Ram Size", 0x0312, 0, 0, 0));
    EXPECT_EQ(versions[3], clVerInfo("Flash Size", 0x0421, 0, 0, 0));

    // The programmer keeps serving a host that closes and opens its port again.
    m_LL->Disconnect();
    EXPECT_EQ(m_LL->GetPortId(), -1);
    m_LL->Connect(Port());
    Sequence([&] { m_LL->SigChk(); });
    EXPECT_TRUE(m_Errors.empty());
}

TEST_F(SimLinkTest, DeviceSetupCarriesVppClockAndDelays)
{
    StartSim({"--baud", "0"});
    Connect({"/SDELAY:30"});
    m_LL->SetupDevice(1); // PCD80710: Vpp value 266 gives code 50
    unsigned char doublings = 0;
    const long word = m_LL->ParseFrequency(4000000.0f, doublings);
    ASSERT_GT(word, 0);
    const std::string setup =
        "RX 12 03 22 00 00 00 00 00 0A 32 " + HexBytes32(static_cast<std::uint32_t>(word)) + " 00 00 1E 64 00";
    EXPECT_EQ(CountLines(FrameLog(), setup), 1u) << FrameLog();

    // A new frequency goes out with the next prolog: 100 kHz is doubled twice.
    m_LL->SetFrequency("100k");
    Sequence([] {});
    const long slow = m_LL->ParseFrequency(100000.0f, doublings);
    ASSERT_EQ(doublings, 2);
    const std::string resent =
        "RX 12 03 22 00 00 00 00 00 0A 32 " + HexBytes32(static_cast<std::uint32_t>(slow)) + " 02 00 1E 64 00";
    EXPECT_EQ(CountLines(FrameLog(), resent), 1u) << FrameLog();
}

TEST_F(SimLinkTest, Writes384KiBProgramsVerifiesAndReadsItBack)
{
    StartSim({"--baud", "0"});
    Connect();
    m_LL->SetupDevice(1);
    auto image = MakeBuffer(384 * 1024);
    FillRandomWithRuns(*image, 1);
    const std::uint16_t imageSum = image->Sum(image->GetStartAdrs(), image->GetStopAdrs());

    Sequence([&] { m_LL->Write(*image, 0); });
    m_LL->SetAddresses(*image);
    std::uint16_t programmed = 0;
    Sequence([&] { programmed = m_LL->Program(*image); });
    EXPECT_EQ(programmed, imageSum);
    Sequence([&] { m_LL->Verify(*image); });
    std::uint16_t deviceSum = 0;
    Sequence([&] { deviceSum = m_LL->ChkSum(*image); });
    EXPECT_EQ(deviceSum, imageSum);

    auto back = MakeBuffer(384 * 1024);
    Sequence([&] { m_LL->Read(*back); });
    EXPECT_TRUE(BytesOf(*back) == BytesOf(*image));
    EXPECT_TRUE(m_Errors.empty());

    ASSERT_EQ(m_Sim.Stop(), 0);
    const auto device = ReadBytes(DumpPath());
    const auto bytes = BytesOf(*image);
    ASSERT_GE(device.size(), bytes.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), device.begin()));
}

TEST_F(SimLinkTest, WriteSpaceSendsRunsAsFillFrames)
{
    StartSim({"--baud", "0"});
    Connect();
    auto image = MakeBuffer(128 * 1024);
    FillRandomWithRuns(*image, 2);
    Sequence([&] { m_LL->WriteSpace(image->GetStartAdrs(), image->GetStopAdrs(), *image, 0x20, 0, 0); });
    auto back = MakeBuffer(128 * 1024);
    Sequence([&] { m_LL->ReadSpace(back->GetStartAdrs(), back->GetStopAdrs(), *back, 0x20, 0); });
    EXPECT_TRUE(BytesOf(*back) == BytesOf(*image));

    // The 0xFF runs in 128 KiB: 23 (data), 24, 25, 100, 4097, 16384, 20000
    // (two fill frames: 16384 + 3616), 23 (data), 24, 25, 100, and the
    // last 2138 bytes: eleven fill frames.
    const std::string log = FrameLog();
    std::size_t fills = 0;
    for (std::size_t at = log.find("RX 0C 04 20 00"); at != std::string::npos; at = log.find("RX 0C 04 20 00", at + 1))
        ++fills;
    EXPECT_EQ(fills, 11u);
}

TEST_F(SimLinkTest, FramesNeverCrossA64KiBBoundaryAndReadsGo62BytesAtATime)
{
    StartSim({"--baud", "0"});
    Connect();
    // 56 bytes go as 55 + 1; 32 bytes across 0x10000 as 16 + 16.
    auto wide = MakeBuffer(56, 0x100);
    auto across = MakeBuffer(32, 0xFFF0);
    FillRandomWithRuns(*wide, 3);
    FillRandomWithRuns(*across, 4);
    Sequence([&] { m_LL->Write(*wide, 0); });
    Sequence([&] { m_LL->Write(*across, 0); });
    auto back = MakeBuffer(63, 0x100);
    Sequence([&] { m_LL->ReadSpace(back->GetStartAdrs(), back->GetStopAdrs(), *back, 0x20, 0); });

    const std::string log = FrameLog();
    EXPECT_NE(log.find("RX 3F 03 20 00 00 00 01 00 37 "), std::string::npos);
    EXPECT_NE(log.find("RX 09 03 20 00 00 00 01 37 01 "), std::string::npos);
    EXPECT_NE(log.find("RX 18 03 20 00 00 00 FF F0 10 "), std::string::npos);
    EXPECT_NE(log.find("RX 18 03 20 00 00 01 00 00 10 "), std::string::npos);
    EXPECT_EQ(CountLines(log, "RX 08 02 20 00 00 00 01 00 3E"), 1u);
    EXPECT_EQ(CountLines(log, "RX 08 02 20 00 00 00 01 3E 01"), 1u);
    const auto written = BytesOf(*wide);
    EXPECT_TRUE(std::equal(written.begin(), written.end(), BytesOf(*back).begin()));

    // A frame longer than the line carries is refused before a byte goes out;
    // the sync after it proves qksim saw everything sent before.
    const std::vector<unsigned char> args(62, 0x11);
    const std::size_t before = log.size();
    EXPECT_THROW(Sequence([&] { m_LL->ExecCmd(0x30, 62, args.data()); }), clQKCommExpt);
    Sequence([] {});
    EXPECT_EQ(FrameLog().substr(before), "RX FE\nTX 06 00 AA 55 81 18 FF\nRX FE\nTX 06 00 AA 55 81 18 FF\n");
    // A range outside the buffer is refused before a frame goes out, too.
    EXPECT_THROW(m_LL->ReadSpace(clAdrs(0x100), clAdrs(0x200), *back, 0x20, 0), clXRange);
    EXPECT_THROW(m_LL->WriteSpace(clAdrs(0x200), clAdrs(0x100), *back, 0x20, 0, 0), clXIntrErr);
}

TEST_F(SimLinkTest, VerifyReportsTheFlippedByteWithDeviceAndBufferValues)
{
    StartSim({"--baud", "0", "--fault", "flip=0x1234"});
    Connect();
    auto image = MakeBuffer(0x4000);
    FillRandomWithRuns(*image, 5);
    Sequence([&] { m_LL->Write(*image, 0); });
    m_LL->SetAddresses(*image);
    EXPECT_THROW(Sequence([&] { m_LL->Program(*image); }), clQKTargetFail);
    const unsigned char expected = image->GetByte(clAdrs(0x1234));
    ASSERT_EQ(m_Errors.size(), 1u);
    EXPECT_EQ(m_Errors[0].no, 9);
    EXPECT_EQ(m_Errors[0].address, 0x1234u);
    EXPECT_EQ(m_Errors[0].device, static_cast<unsigned char>(~expected));
    EXPECT_EQ(m_Errors[0].buffer, expected);
}

TEST_F(SimLinkTest, BlankCheckPassesUntilTheNonBlankCellAndEraseClearsTheWholeDevice)
{
    StartSim({"--baud", "0", "--fault", "nonblank=0x321"});
    Connect();
    auto image = MakeBuffer(0x1000);
    FillRandomWithRuns(*image, 6);
    Sequence([&] { m_LL->Write(*image, 0); });
    m_LL->SetAddresses(*image);
    EXPECT_THROW(Sequence([&] { m_LL->Program(*image); }), clQKTargetFail);

    // One byte at 0 is enough for the whole-device erase.
    auto first = MakeBuffer(1);
    m_LL->SetAddresses(*first);
    Sequence([&] { m_LL->Erase(*first); });
    auto below = MakeBuffer(0x321);
    m_LL->SetAddresses(*below);
    m_Errors.clear();
    Sequence([&] { m_LL->BlnkChk(*below); });
    EXPECT_TRUE(m_Errors.empty());

    m_LL->SetAddresses(*image);
    EXPECT_THROW(Sequence([&] { m_LL->BlnkChk(*image); }), clQKTargetFail);
    ASSERT_EQ(m_Errors.size(), 1u);
    EXPECT_EQ(m_Errors[0].no, 3);
    EXPECT_EQ(m_Errors[0].address, 0x321u);
    EXPECT_EQ(m_Errors[0].device, 0x00);

    ASSERT_EQ(m_Sim.Stop(), 0);
    auto device = ReadBytes(DumpPath());
    ASSERT_GT(device.size(), 0x321u);
    device.erase(device.begin() + 0x321);
    EXPECT_TRUE(std::all_of(device.begin(), device.end(), [](unsigned char b) { return b == 0xFF; }));
}

TEST_F(SimLinkTest, ChecksumIsSentHighByteFirst)
{
    StartSim({"--baud", "0"});
    Connect();
    // 18 x 0xFF + 0x46 = 0x1234.
    auto image = MakeBuffer(19);
    const unsigned char ff = 0xFF;
    image->Fill(image->GetStartAdrs(), image->GetStopAdrs(), &ff);
    const unsigned char last = 0x46;
    image->SetByte(clAdrs(18), &last);
    Sequence([&] { m_LL->Write(*image, 0); });
    m_LL->SetAddresses(*image);
    Sequence([&] { m_LL->Program(*image); });
    std::uint16_t sum = 0;
    Sequence([&] { sum = m_LL->ChkSum(*image); });
    EXPECT_EQ(sum, 0x1234);
}

TEST_F(SimLinkTest, BitReversingDevicesStoreEveryByteReversed)
{
    StartSim({"--baud", "0"});
    Connect();
    m_LL->SetupDevice(4); // PCD80718, device id 6
    auto image = MakeBuffer(300);
    FillRandomWithRuns(*image, 7);
    Sequence([&] { m_LL->Write(*image, 1); });
    m_LL->SetAddresses(*image);
    Sequence([&] { m_LL->Program(*image); });
    auto back = MakeBuffer(300);
    Sequence([&] { m_LL->Read(*back); });
    EXPECT_TRUE(BytesOf(*back) == BytesOf(*image));

    ASSERT_EQ(m_Sim.Stop(), 0);
    const auto device = ReadBytes(DumpPath());
    const auto bytes = BytesOf(*image);
    ASSERT_GE(device.size(), bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        ASSERT_EQ(device[i], QkReverseBits(bytes[i])) << "at " << i;
}

TEST_F(SimLinkTest, FillSetsTheProgrammersMemory)
{
    StartSim({"--baud", "0"});
    Connect();
    auto range = MakeBuffer(1000, 0x2000);
    Sequence([&] { m_LL->Fill(*range, 0x5A); });
    auto back = MakeBuffer(1000, 0x2000);
    Sequence([&] { m_LL->ReadSpace(back->GetStartAdrs(), back->GetStopAdrs(), *back, 0x20, 0); });
    const auto bytes = BytesOf(*back);
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](unsigned char b) { return b == 0x5A; }));
    EXPECT_EQ(CountLines(FrameLog(), "RX 0C 04 20 00 00 00 20 00 00 00 23 E7 5A"), 1u);
}

TEST_F(SimLinkTest, ServiceOrdersAreAnsweredIncludingOneByteAcknowledgements)
{
    StartSim({"--baud", "0", "--start-button", "0"});
    Connect();
    Sequence([&] {
        m_LL->Robot(1);
        m_LL->RobotState();
        m_LL->Robot(0);
        m_LL->AllowDeviceButtons(1);
        m_LL->AllowDeviceButtons(0);
        m_LL->PgmFlsh();
        m_LL->PgmDConf();
        m_LL->EraseDConf(); // a 255-byte reply
        m_LL->WrPrjDescr("A project description longer than 14");
        m_LL->SetAutoOpt(1, 0, 1);
        m_LL->Ready();
        m_LL->DoReboot();
    });
    EXPECT_TRUE(m_Errors.empty());
    const std::string log = FrameLog();
    EXPECT_EQ(CountLines(log, "TX 00"), 5u);
    // The first 14 characters, then trunc(2 x 14.75 x 0.125) = 3.
    EXPECT_EQ(CountLines(log, "RX 17 03 22 04 00 00 00 00 0F 41 20 70 72 6F 6A 65 63 74 20 64 65 73 63 03"), 1u);

    QK_STATUS status;
    Sequence([&] { m_LL->GetStatus(status); });
    EXPECT_EQ(status.VerifyStartBttn(), 1);
    EXPECT_EQ(status.StartBttnClicked(), 0);
    m_Sim.Signal(SIGUSR1);
    // The press is seen once, by the next status query after it.
    for (int tries = 0; tries < 100 && status.StartBttnClicked() == 0; ++tries)
        Sequence([&] { m_LL->GetStatus(status); });
    EXPECT_EQ(status.StartBttnClicked(), 1);
    Sequence([&] { m_LL->GetStatus(status); });
    EXPECT_EQ(status.StartBttnClicked(), 0);
}

TEST_F(SimLinkTest, BusyRepliesKeepProgramAndVerifyAlive)
{
    StartSim({"--baud", "115200", "--work-ms", "1200", "--busy-ms", "40"});
    Connect();
    auto image = MakeBuffer(4096);
    FillRandomWithRuns(*image, 8);
    Sequence([&] { m_LL->Write(*image, 0); });
    m_LL->SetAddresses(*image);
    int reports = 0;
    m_LL->onProgress = [&](unsigned char, std::uint32_t, unsigned short) { return ++reports, 1; };
    const auto start = std::chrono::steady_clock::now();
    Sequence([&] { m_LL->Program(*image); });
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string log = FrameLog();
    EXPECT_GE(CountLines(log, "TX 01 02"), 20u);
    EXPECT_GE(CountLines(log, "TX 06 02 00 00 00 00 00"), 20u);
    EXPECT_GE(reports, 40); // every busy reply is a chance to report and to stop
    EXPECT_LT(seconds, 5.0);
    EXPECT_TRUE(m_Errors.empty());
}

TEST_F(SimLinkTest, StoppingDuringProgrammingSendsTheAbortByte)
{
    StartSim({"--baud", "115200", "--work-ms", "5000", "--busy-ms", "100"});
    Connect();
    auto image = MakeBuffer(4096);
    Sequence([&] { m_LL->Write(*image, 0); });
    m_LL->SetAddresses(*image);
    int reports = 0;
    m_LL->onProgress = [&](unsigned char, std::uint32_t, unsigned short) { return ++reports < 3 ? 1 : 0; };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(Sequence([&] { m_LL->Program(*image); }), clXAbort);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 2.0);
    const std::string log = FrameLog();
    EXPECT_EQ(CountLines(log, "RX FF"), 1u);
    EXPECT_EQ(CountLines(log, "TX 01 03"), 1u);
    EXPECT_TRUE(m_Errors.empty());

    // Outside programming a stop ends the operation at once, with nothing sent.
    m_LL->onProgress = [](unsigned char, std::uint32_t, unsigned short) { return 0; };
    EXPECT_THROW(Sequence([&] { m_LL->Write(*image, 0); }), clXAbort);
    EXPECT_EQ(CountLines(FrameLog(), "RX FF"), 1u);
}

} // namespace
