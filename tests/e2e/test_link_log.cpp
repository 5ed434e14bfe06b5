// The communication log, byte for byte, over a real exchange with qksim.
#include "tests/e2e/simlink.h"

namespace {

// Connect: header, port line (COM 42 = 0x2A), sync, identity, device setup,
// option 16, status mode, option 17.
const char kConnectLog[] = "QKJTAG Communication Log File(T - transmit, R - receive, L - length)\r\n"
                           "COMMUNICATION PORT:2A\r\n"
                           "T: L: 01 DATA: FE \r\n"
                           "R: L: 07 DATA: 06 00 AA 55 81 18 FF \r\n"
                           "SEND ORDER: 02\r\n"
                           "T: L: 09 DATA: 08 02 00 00 00 00 00 00 10 \r\n"
                           "R: L: 12 DATA: 11 00 56 31 2E 35 30 00 00 00 00 00 00 00 00 00 00 00 \r\n"
                           "END\r\n"
                           "SEND ORDER: 02\r\n"
                           "T: L: 09 DATA: 08 02 00 01 00 00 00 00 10 \r\n"
                           "R: L: 12 DATA: 11 00 51 4B 4A 54 41 47 00 00 00 00 00 00 00 00 00 00 \r\n"
                           "END\r\n"
                           "SEND ORDER: 03\r\n"
                           "T: L: 13 DATA: 12 03 22 00 00 00 00 00 0A 00 00 0E A1 70 00 00 14 64 00 \r\n"
                           "R: L: 02 DATA: 01 00 \r\n"
                           "END\r\n"
                           "SEND ORDER: 03\r\n"
                           "T: L: 0A DATA: 09 03 01 10 00 00 00 00 01 00 \r\n"
                           "R: L: 02 DATA: 01 00 \r\n"
                           "END\r\n"
                           "SEND ORDER: 03\r\n"
                           "T: L: 0B DATA: 0A 03 21 01 00 00 00 00 02 00 01 \r\n"
                           "R: L: 02 DATA: 01 00 \r\n"
                           "END\r\n"
                           "SEND ORDER: 03\r\n"
                           "T: L: 0A DATA: 09 03 01 11 00 00 00 00 01 01 \r\n"
                           "R: L: 02 DATA: 01 00 \r\n"
                           "END\r\n";

// A sequence with an erase: prolog's sync, then the execute frame.
const char kEraseLog[] = "T: L: 01 DATA: FE \r\n"
                         "R: L: 07 DATA: 06 00 AA 55 81 18 FF \r\n"
                         "COMMAND EXECUTION: 13\r\n"
                         "SEND ORDER: 01\r\n"
                         "T: L: 03 DATA: 02 01 13 \r\n"
                         "R: L: 02 DATA: 01 00 \r\n"
                         "END\r\n";

TEST_F(SimLinkTest, LogHoldsEveryFrameByteForByte)
{
    StartSim({"--baud", "0"});
    const std::string path = m_Dir.File("qkcomm.log");
    Connect({}, path.c_str());
    auto first = MakeBuffer(1);
    Sequence([&] { m_LL->Erase(*first); });
    m_LL->WriteToLog("PGM CYCLE N%1 BEGIN\r\n");
    EXPECT_EQ(ReadText(path), std::string(kConnectLog) + kEraseLog + "PGM CYCLE N%1 BEGIN\r\n");

    // Every connect with the log open starts a new header in the same file.
    m_LL->Disconnect();
    ASSERT_NE(m_LL->InitCommLog(path.c_str()), nullptr);
    m_LL->Connect(Port());
    EXPECT_EQ(ReadText(path), std::string(kConnectLog) + kEraseLog + "PGM CYCLE N%1 BEGIN\r\n" + kConnectLog);
}

TEST_F(SimLinkTest, WithoutTheLogNoFileIsTouched)
{
    StartSim({"--baud", "0"});
    Connect();
    auto first = MakeBuffer(1);
    Sequence([&] { m_LL->Erase(*first); });
    m_LL->WriteToLog("not logged");
    // The frame log is qksim's; nothing else appeared.
    EXPECT_EQ(CountFiles(m_Dir.Path()), 1u);
}

} // namespace
