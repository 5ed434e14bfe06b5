// The communication library's records and the status record: numbers,
// types, buttons and texts as the user sees them.
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "comm/qkcommer.h"
#include "comm/qkcomml2.h"
#include "comm/qkcommtypes.h"

namespace {

std::string TextOf(const clBasicErr& err)
{
    char* text = err.GetErrStr();
    std::string s = text != nullptr ? text : "";
    std::free(text);
    return s;
}

TEST(CommRecords, NumberedErrorsTakeTheirTextUpToTwenty)
{
    EXPECT_EQ(TextOf(clQKCommEr(0, 1, erTypeError, erOptOk)),
              "Cannot connect with QK-JTAG programmer.\nEntering off line mode.");
    EXPECT_EQ(TextOf(clQKCommEr(0, 2, erTypeError, erOptAbort)), "General communication error with the programmer.");
    EXPECT_EQ(TextOf(clQKCommEr(0, 18, erTypeError, erOptAbort)),
              "QK-51 programmer firmware version is not supported by QK-51 for Windows software.\n"
              "Please contact Halvane for a firmware update.");
    EXPECT_EQ(TextOf(clQKCommEr(0, 20, erTypeError, erOptAbort)), "Invalid order.");
    // The table goes on to 26, but a numbered error past 20 shows no text.
    EXPECT_STREQ(QkCommMessage(22), "The device is in stand-alone mode (Power-Up)\nReconnect to the device.");
    EXPECT_STREQ(QkCommMessage(26), "Hardware fill error.");
    EXPECT_EQ(QkCommMessage(27), nullptr);
    for (unsigned short no : {21, 22, 26, 27, 500})
        EXPECT_EQ(TextOf(clQKCommEr(0, no, erTypeError, erOptAbort)), "") << no;

    const clQKCommEr er(42, 6, erTypeError, erOptAbort);
    EXPECT_EQ(er.GetPrcssId(), 42u);
    EXPECT_EQ(er.GetErrNo(), 6);
    EXPECT_EQ(er.GetErrType(), erTypeError);
    EXPECT_EQ(er.GetErrOpt(), erOptAbort);
}

TEST(CommRecords, FailureRecordsCarryTheirValuesInTheText)
{
    const clQKCommBlnkErr blank(7, clAdrs(0x1234A), 0x5C);
    EXPECT_EQ(blank.GetErrNo(), 3);
    EXPECT_EQ(blank.GetErrType(), erTypeNote);
    EXPECT_EQ(blank.GetErrOpt(), erOptOk);
    EXPECT_EQ(TextOf(blank), "Device is not blank.\nDevice value 5C at address 1234Ah");
    EXPECT_EQ(TextOf(clQKCommBlnkErr(0, clAdrs(0x10), 0)), "Device is not blank.\nDevice value 00 at address 0010h");

    const clQKCommVrfErr verify(7, clAdrs(0xBEEF), 0x0F, 0xF0);
    EXPECT_EQ(verify.GetErrNo(), 9);
    EXPECT_EQ(verify.GetErrType(), erTypeNote);
    EXPECT_EQ(verify.GetErrOpt(), erOptOk);
    EXPECT_EQ(TextOf(verify), "Data verify has failed at address BEEFh\nDevice value: 0Fh\nBuffer value: F0h");

    const clQKCommPgmErr program(7, 0x5678, 0x0012);
    EXPECT_EQ(program.GetErrNo(), 8);
    EXPECT_EQ(program.GetErrType(), erTypeError);
    EXPECT_EQ(program.GetErrOpt(), erOptAbort);
    EXPECT_EQ(program.GetAddress(), 0x125678u);
    EXPECT_EQ(TextOf(program), "Programming data error at 125678h.");
}

TEST(CommRecords, FirmwareUpdateFailuresSayWhatWentWrong)
{
    const clQKBootErr noEntry(0, clQKBootErr::bootNoEntry, "/lib/x.so");
    EXPECT_EQ(noEntry.GetErrNo(), 27);
    EXPECT_EQ(TextOf(noEntry),
              "The boot library /lib/x.so has no entry point com_init.\nThe firmware update was not done.");
    EXPECT_EQ(TextOf(clQKBootErr(0, clQKBootErr::bootFailed, "the boot monitor did not identify itself", 13)),
              "The firmware update has failed: the boot monitor did not identify itself (boot library error 13).");
    EXPECT_NE(TextOf(clQKBootErr(0, clQKBootErr::bootStillThere)).find("still answers"), std::string::npos);
}

TEST(MonitorProbe, FifteenBytesStartingWithTheCountAnd02_00AreTheMonitors)
{
    unsigned char reply[15] = {14, 0x02, 0x00, 0xFF, 0xAA, 0x55, 0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01, 0x00};
    EXPECT_TRUE(clQKCommLL2::IsMonitorReply(reply, 15));
    // The rest is not looked at.
    std::memset(reply + 3, 0x33, 12);
    EXPECT_TRUE(clQKCommLL2::IsMonitorReply(reply, 15));
    EXPECT_FALSE(clQKCommLL2::IsMonitorReply(reply, 14));
    reply[2] = 0x01;
    EXPECT_FALSE(clQKCommLL2::IsMonitorReply(reply, 15));
    reply[2] = 0x00;
    reply[0] = 13;
    EXPECT_FALSE(clQKCommLL2::IsMonitorReply(reply, 15));
    reply[0] = 14;
    reply[1] = 0x03;
    EXPECT_FALSE(clQKCommLL2::IsMonitorReply(reply, 15));
}

TEST(CommTypes, StatusIsFiveBytesAndCopiesOnlyTheButton)
{
    static_assert(sizeof(QK_STATUS) == 5 && offsetof(QK_STATUS, m_lStartBttn) == 1);
    QK_STATUS status;
    EXPECT_EQ(status.VerifyStartBttn(), 0);
    status.m_ucFlags = 0xF0; // bits the record leaves alone
    status.SetStartBttnClicked(3);
    EXPECT_EQ(status.m_ucFlags, 0xF1);
    EXPECT_EQ(status.StartBttnClicked(), 3);

    const QK_STATUS copy(status);
    EXPECT_EQ(copy.m_ucFlags, 0x01);
    EXPECT_EQ(copy.StartBttnClicked(), 3);

    status.Reset();
    EXPECT_EQ(status.m_ucFlags, 0xF0);
    EXPECT_EQ(status.VerifyStartBttn(), 0);
    EXPECT_EQ(status.StartBttnClicked(), 0);

    static_assert(sizeof(QK_PORT_CFG) == 12 && sizeof(QK_COMM_PORT) == 66);
    static_assert(offsetof(QK_COMM_PORT, m_usHandshake) == 64);
}

} // namespace
