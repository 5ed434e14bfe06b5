// qkcli's database commands, run as a real process.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/qkrun.h"
#include "tests/testutil.h"

namespace {

clRunResult Cli(const std::vector<std::string>& args)
{
    return QkRun(QKCLI_PATH, args);
}

TEST(CliDevices, ListsTheEightDevicesInDisplayOrder)
{
    const auto r = Cli({"devices"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 9u) << r.out;
    EXPECT_NE(lines[0].find("Vendor"), std::string::npos);
    EXPECT_EQ(lines[1].rfind("PHILIPS", 0), 0u);
    EXPECT_NE(lines[1].find("PCD80703"), std::string::npos);
    EXPECT_NE(lines[1].find("PCD8070X Adapter"), std::string::npos);
    EXPECT_NE(lines[4].find("PCD80710"), std::string::npos);
}

TEST(CliDevices, FilterAndJson)
{
    const auto r = Cli({"devices", "8070?", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"device\":\"PCD80703\""), std::string::npos);
    EXPECT_NE(r.out.find("\"device\":\"PCD80708\""), std::string::npos);
    EXPECT_EQ(r.out.find("PCD80710"), std::string::npos);
    EXPECT_EQ(Cli({"devices", "a", "b"}).status, 1);
}

TEST(CliInfo, ShowsTheRecordAndItsBuffers)
{
    for (const char* name : {"PCD80710", "pcd80710", "1"}) {
        const auto r = Cli({"info", name});
        ASSERT_EQ(r.status, 0) << name << r.err;
        EXPECT_NE(r.out.find("Chip id:          1\n"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("2020   1      Data         0x00000000  0x0005FFFF  2048       0xFF"), std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find("Type: uC (E\xC2\xB2)"), std::string::npos) << "description in UTF-8";
    }
    const auto json = Cli({"info", "PCD80712", "--json"});
    ASSERT_EQ(json.status, 0);
    EXPECT_NE(json.out.find("{\"id\":2037,\"space\":4,\"name\":\"OSD\",\"start\":49152,\"stop\":53247"),
              std::string::npos)
        << json.out;
}

TEST(CliInfo, UnknownDevicesAndBadUsageExitWithOne)
{
    const auto unknown = Cli({"info", "PCD99999"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("no device \"PCD99999\""), std::string::npos);
    EXPECT_EQ(Cli({"info", "9"}).status, 1);
    EXPECT_EQ(Cli({"info"}).status, 1);
    EXPECT_EQ(Cli({"info", "1", "--bogus"}).status, 1);
    EXPECT_EQ(Cli({"nonsense"}).status, 1);
    EXPECT_EQ(Cli({}).status, 1);
}

TEST(CliHelp, EveryCommandExplainsItself)
{
    const auto top = Cli({"--help"});
    EXPECT_EQ(top.status, 0);
    EXPECT_NE(top.out.find("qkcli devices"), std::string::npos);
    for (const char* command : {"devices", "info", "convert", "ports", "versions", "program", "verify", "read",
                                "blank-check", "erase", "checksum", "project"}) {
        const auto help = Cli({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.out.find("Usage: qkcli "), std::string::npos) << command;
        EXPECT_NE(help.out.find("Examples:"), std::string::npos) << command;
    }
    const auto version = Cli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find("QKDB 3.32"), std::string::npos);
}

} // namespace
