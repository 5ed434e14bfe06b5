// qkcli project save / show and qkcli ports, run as real processes on real files.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/qkrun.h"
#include "tests/testutil.h"

namespace {

clRunResult Cli(const std::vector<std::string>& args, const std::vector<std::string>& env = {})
{
    return QkRun(QKCLI_PATH, args, env);
}

class CliProject : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteText(dir.File("fw.hex"), ":0400100001020304E2\r\n:00000001FF");
        WriteBytes(dir.File("font.bin"), {0x10, 0x20, 0x30});
    }
    clTempDir dir;
};

TEST_F(CliProject, AReferenceProjectShowsItsFilesAndSumsFromAnotherFolder)
{
    const auto saved =
        Cli({"project", "save", dir.File("board.qkp"), "--device", "pcd80712", "--space", "Data", "--file",
             dir.File("fw.hex"), "--space", "OSD", "--file", dir.File("font.bin"), "--description", "Board rev B"});
    ASSERT_EQ(saved.status, 0) << saved.err;

    // Run from elsewhere with a relative project path: the files are found
    // beside the project.
    std::filesystem::create_directory(dir.File("elsewhere"));
    const auto shown = QkRun("/bin/sh", {"-c", "cd '" + dir.File("elsewhere") + "' && '" + QKCLI_PATH +
                                                   "' project show ../board.qkp --json"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("\"device\":\"PCD80712\""), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("\"description\":\"Board rev B\""), std::string::npos);
    // Data: 0x80000 bytes of 0xFF but 1, 2, 3, 4 at 0x10: 0x80000 * 0xFF - 4 * 0xFF + 10 mod 65536.
    const unsigned dataSum = (0x80000u * 0xFF - 4 * 0xFF + 10) & 0xFFFF;
    EXPECT_NE(shown.out.find("\"name\":\"Data\",\"file_type\":2,\"file\":\"" + dir.File("fw.hex") +
                             "\",\"start\":0,\"size\":524288,\"sum\":" + std::to_string(dataSum)),
              std::string::npos)
        << shown.out;
    const unsigned osdSum = (0x1000u * 0xFF - 3 * 0xFF + 0x60) & 0xFFFF;
    EXPECT_NE(shown.out.find("\"name\":\"OSD\",\"file_type\":1,\"file\":\"" + dir.File("font.bin") +
                             "\",\"start\":49152,\"size\":4096,\"sum\":" + std::to_string(osdSum)),
              std::string::npos)
        << shown.out;
}

TEST_F(CliProject, AnImageProjectCarriesItsBytesWithoutTheFiles)
{
    ASSERT_EQ(Cli({"project", "save", dir.File("img.qkp"), "--device", "PCD80710", "--file", dir.File("fw.hex"),
                   "--keep", "image"})
                  .status,
              0);
    std::filesystem::remove(dir.File("fw.hex"));
    const auto shown = Cli({"project", "show", dir.File("img.qkp")});
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("Device:      PCD80710 (chip id 1)"), std::string::npos) << shown.out;
    const unsigned sum = (0x60000u * 0xFF - 4 * 0xFF + 10) & 0xFFFF;
    char expected[64];
    std::snprintf(expected, sizeof expected, "254   0x00000000 0x060000 %04X", sum);
    EXPECT_NE(shown.out.find(expected), std::string::npos) << shown.out;
}

TEST_F(CliProject, BadInputsAreRefusedWithoutAProject)
{
    WriteText(dir.File("bad.hex"), ":0200000011224B\r\n:00000001FF");
    const auto warned = Cli({"project", "save", dir.File("p.qkp"), "--device", "1", "--file", dir.File("bad.hex")});
    EXPECT_EQ(warned.status, 1);
    EXPECT_NE(warned.err.find("WARNING:  Record with checksum error encountered in file bad.hex"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("p.qkp")));

    EXPECT_EQ(Cli({"project", "save", dir.File("p.qkp"), "--device", "PCD99"}).status, 1);
    EXPECT_EQ(
        Cli({"project", "save", dir.File("p.qkp"), "--device", "1", "--space", "OSD", "--file", dir.File("font.bin")})
            .status,
        1); // the PCD80710 has no OSD space
    EXPECT_EQ(Cli({"project", "save", dir.File("p.qkp"), "--device", "1", "--keep", "all"}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("p.qkp")));

    WriteText(dir.File("foreign.qkp"), std::string("\x0F") + "RIR-OTHER.W32XX");
    const auto foreign = Cli({"project", "show", dir.File("foreign.qkp")});
    EXPECT_EQ(foreign.status, 1);
    EXPECT_NE(foreign.err.find("This project file is incompatible with the QK-JTAG software version."),
              std::string::npos)
        << foreign.err;
    EXPECT_EQ(Cli({"project", "show", dir.File("missing.qkp")}).status, 1);
}

TEST(CliPorts, ListsWhatTheEnvironmentMaps)
{
    const auto r = Cli({"ports", "--json"}, {"QKJTAG_COM7=/tmp/qk-test-port"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("{\"com\":7,\"path\":\"/tmp/qk-test-port\",\"source\":\"QKJTAG_COM7\",\"driver\":\"\","
                         "\"low_latency\":false,\"latency_timer_ms\":null,"
                         "\"problem\":\"/tmp/qk-test-port does not exist\"}"),
              std::string::npos)
        << r.out;
}

} // namespace
