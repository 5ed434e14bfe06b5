// qkcli link-test against qksim: a reply held as a USB adapter's latency
// timer holds it shows in the round trip and the estimate, and the estimate
// of a line without that delay matches a real program of the whole space.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/e2e/qkrun.h"
#include "tests/e2e/simproc.h"
#include "tests/testutil.h"

namespace {

// The number after "key": in text, from the first place where after occurs.
double JsonNumber(const std::string& text, const std::string& key, const std::string& after = "")
{
    const std::size_t from = after.empty() ? 0 : text.find(after);
    const std::size_t at = from == std::string::npos ? from : text.find("\"" + key + "\":", from);
    return at == std::string::npos ? -1 : std::strtod(text.c_str() + at + key.size() + 3, nullptr);
}

double NumberAfter(const std::string& text, const std::string& words)
{
    const std::size_t at = text.find(words);
    return at == std::string::npos ? -1 : std::strtod(text.c_str() + at + words.size(), nullptr);
}

TEST(CliLinkTest, ALatencyTimerShowsInTheRoundTripTheEstimateAndTheAdvice)
{
    clSimProcess sim;
    ASSERT_TRUE(sim.Start({"--reply-delay-ms", "16"})) << sim.Error();
    const clRunResult r = QkRun(QKCLI_PATH, {"link-test", "--port", sim.Path(), "--device", "PCD80710"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const double roundTrip = NumberAfter(r.out, "round trip ");
    EXPECT_GT(roundTrip, 16.0) << r.out;
    EXPECT_LT(roundTrip, 20.0) << r.out;
    // 7150 frames of 64 bytes, each waiting 16 ms for its reply.
    const double estimate = NumberAfter(r.out, "takes about ");
    EXPECT_GT(estimate, 145) << r.out;
    EXPECT_LT(estimate, 175) << r.out;
    EXPECT_NE(r.out.find("Read back:  the bytes written"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Slow line:  the adapter likely holds short replies"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("setserial " + sim.Path() + " low_latency"), std::string::npos) << r.out;
}

TEST(CliLinkTest, WithoutHeldRepliesTheEstimateIsWithinTenPercentOfARealProgram)
{
    clTempDir dir;
    clSimProcess sim;
    // A faster line than the default keeps the real program short; the
    // estimate measures whatever the line does.
    ASSERT_TRUE(sim.Start({"--baud", "460800", "--frame-log", dir.File("frames.log")})) << sim.Error();
    const clRunResult test = QkRun(QKCLI_PATH, {"link-test", "--port", sim.Path(), "--device", "PCD80703", "--json"});
    ASSERT_EQ(test.status, 0) << test.out << test.err;
    EXPECT_NE(test.out.find("\"slow\":false"), std::string::npos) << test.out;
    EXPECT_NE(test.out.find("\"read_back_same\":true"), std::string::npos) << test.out;
    EXPECT_EQ(JsonNumber(test.out, "count"), 100) << test.out;
    EXPECT_EQ(JsonNumber(test.out, "bytes", "\"write\""), 16384) << test.out;
    const double estimate = JsonNumber(test.out, "seconds", "program_estimate");
    // The test wrote the programmer's memory and read it back, and gave the
    // device no order.
    const std::string frames = ReadText(dir.File("frames.log"));
    EXPECT_EQ(frames.find("RX 02 01 1"), std::string::npos);
    EXPECT_EQ(frames.find("RX 40 03 20 00 00 00 00 00"), frames.find("RX 40 03 20")) << "the first write is at 0";

    std::vector<unsigned char> image(256 * 1024);
    std::uint32_t state = 7;
    for (auto& byte : image) {
        state = state * 1103515245 + 12345;
        byte = static_cast<unsigned char>(state >> 16);
    }
    WriteBytes(dir.File("image.bin"), image);
    const auto start = std::chrono::steady_clock::now();
    const clRunResult program =
        QkRun(QKCLI_PATH, {"program", "--port", sim.Path(), "--device", "PCD80703", "--file", dir.File("image.bin")});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(program.status, 0) << program.out << program.err;
    std::printf("estimate %.1f s, program %.1f s\n", estimate, seconds);
    EXPECT_NEAR(estimate, seconds, seconds * 0.10) << test.out;
}

} // namespace
