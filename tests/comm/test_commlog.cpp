// The communication log's records, byte for byte.
#include <gtest/gtest.h>

#include "comm/commlog.h"
#include "err/qkexpt.h"
#include "tests/testutil.h"

namespace {

TEST(CommLog, RecordsHaveTheirExactLayout)
{
    clTempDir dir;
    const std::string path = dir.File("qkcomm.log");
    clCommLog log;
    ASSERT_TRUE(log.Open(path.c_str()));
    log.LogPort(1);
    log.LogLine("SEND ORDER: ", 2);
    const unsigned char frame[] = {0x08, 0x02, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x01};
    log.Log(logTx, sizeof frame, frame);
    const unsigned char reply[] = {0x03, 0x00, 0x00, 0x80};
    log.Log(logRx, sizeof reply, reply);
    log.WriteText("END\r\n");
    // Boot-monitor traffic is accepted and not written.
    log.Log(logRawTx, 1, frame);
    log.Log(logRawRx, 15, frame);
    log.LogPort(0xAB);
    EXPECT_EQ(ReadText(path), "QKJTAG Communication Log File(T - transmit, R - receive, L - length)\r\n"
                              "COMMUNICATION PORT:01\r\n"
                              "SEND ORDER: 02\r\n"
                              "T: L: 09 DATA: 08 02 00 12 00 00 00 00 01 \r\n"
                              "R: L: 04 DATA: 03 00 00 80 \r\n"
                              "END\r\n"
                              "QKJTAG Communication Log File(T - transmit, R - receive, L - length)\r\n"
                              "COMMUNICATION PORT:AB\r\n");
}

TEST(CommLog, OpeningAppendsAndAClosedLogWritesNothing)
{
    clTempDir dir;
    const std::string path = dir.File("qkcomm.log");
    WriteText(path, "earlier\r\n");
    clCommLog log;
    ASSERT_TRUE(log.Open(path.c_str()));
    log.WriteText("later\r\n");
    log.Close();
    log.WriteText("lost\r\n");
    log.LogLine("SEND ORDER: ", 1);
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(ReadText(path), "earlier\r\nlater\r\n");

    // A log that can't be opened leaves logging off, without an error.
    EXPECT_FALSE(log.Open(dir.Path().string().c_str()));
    EXPECT_FALSE(log.Open(nullptr));
    EXPECT_FALSE(log.IsOpen());
}

TEST(CommLog, AFailingStreamRaisesAnIOError)
{
    clCommLog log;
    ASSERT_TRUE(log.Open("/dev/full"));
    EXPECT_THROW(log.WriteText("no room on this device\r\n"), clXIO);
}

} // namespace
