// The boot library against qksim's boot monitor on a pseudo-terminal: the
// download of com_init with its progress, a monitor that does not identify
// itself, and the paged memory access in frames of 157 and 128 bytes.
#include <gtest/gtest.h>

#include "boot/bootmon.h"
#include "boot/qkboot32.h"
#include "tests/e2e/simproc.h"
#include "tests/testutil.h"

namespace {

constexpr int kPort = 46;

std::vector<double> g_Progress;

void RecordProgress(double percent)
{
    g_Progress.push_back(percent);
}

class BootMonitorTest : public ::testing::Test {
protected:
    void StartMonitor(std::vector<std::string> args = {})
    {
        args.insert(args.begin(), {"--baud", "0", "--boot-monitor", "--frame-log", m_Dir.File("frames.log"),
                                   "--boot-image", m_Dir.File("image.bin")});
        ASSERT_TRUE(m_Sim.Start(args)) << m_Sim.Error();
        com_mapport(kPort, m_Sim.Path().c_str());
        g_Progress.clear();
    }
    void TearDown() override
    {
        m_Sim.Stop();
        com_mapport(kPort, "");
    }
    std::size_t FrameLines(const std::string& text) const
    {
        std::size_t n = 0;
        const std::string log = ReadText(m_Dir.File("frames.log"));
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++n;
        return n;
    }

    clTempDir m_Dir;
    clSimProcess m_Sim;
};

TEST_F(BootMonitorTest, ComInitSendsTheFamilysImageInFramesWithProgressAndStartsIt)
{
    StartMonitor();
    ASSERT_EQ(com_init(kPort, &RecordProgress, 3), 1) << dllError()->m_szText;
    EXPECT_EQ(dllError()->m_iError, 0);
    EXPECT_STREQ(dllError()->m_szText, "No Error");

    const unsigned char* image = nullptr;
    std::size_t size = 0;
    ASSERT_TRUE(QkBootImage(3, image, size));
    EXPECT_EQ(ReadBytes(m_Dir.File("image.bin")), std::vector<unsigned char>(image, image + size));
    EXPECT_EQ(FrameLines("BOOT RX 87 02 F1"), 164u);
    EXPECT_EQ(FrameLines("BOOT RX 6C 02 F1"), 1u);
    ASSERT_EQ(g_Progress.size(), 165u);
    EXPECT_DOUBLE_EQ(g_Progress.front(), 128.0 * 100 / 21093);
    EXPECT_DOUBLE_EQ(g_Progress.back(), 100.0);
    EXPECT_TRUE(std::is_sorted(g_Progress.begin(), g_Progress.end()));
    // The port was let go: another driver can have it.
    CCommDriver other;
    EXPECT_TRUE(other.PlugPortDrv(kPort, 115200, 'n', 8, 1));
}

TEST_F(BootMonitorTest, AMonitorThatDoesNotIdentifyItselfGetsNothing)
{
    StartMonitor({"--fault", "boot-bad-id"});
    EXPECT_EQ(com_init(kPort, &RecordProgress, 1), -1);
    EXPECT_EQ(dllError()->m_iError, bootErrIdentity);
    // Failed or not, the port is let go.
    CCommDriver other;
    EXPECT_TRUE(other.PlugPortDrv(kPort, 115200, 'n', 8, 1));
    EXPECT_EQ(FrameLines("02 F1"), 0u);
    EXPECT_TRUE(g_Progress.empty());
}

TEST_F(BootMonitorTest, AnUnknownFamilyHasNoImage)
{
    StartMonitor();
    EXPECT_EQ(com_init(kPort, &RecordProgress, 5), -1);
    EXPECT_EQ(dllError()->m_iError, bootErrNoImage);
    EXPECT_EQ(FrameLines("02 F1"), 0u);
}

TEST_F(BootMonitorTest, MemoryGoesInPagesOfAtMost157And128Bytes)
{
    StartMonitor();
    CBootMonitor monitor;
    ASSERT_TRUE(monitor.Driver().PlugPortDrv(kPort, 115200, 'n', 8, 1));
    std::uint16_t pages = 0;
    ASSERT_EQ(monitor.PageNumber(&pages), 1);
    EXPECT_EQ(pages, 4);

    std::vector<unsigned char> written(300);
    for (std::size_t i = 0; i < written.size(); ++i)
        written[i] = static_cast<unsigned char>(i * 13);
    ASSERT_EQ(monitor.WriteMem(1, 0x100, written.size(), written.data()), 1);
    EXPECT_EQ(FrameLines("BOOT RX 88 02 F0 01"), 2u);
    EXPECT_EQ(FrameLines("BOOT RX 34 02 F0 01 00 00 02 00 2C"), 1u);

    std::vector<unsigned char> read(300);
    ASSERT_EQ(monitor.ReadMem(1, 0x100, read.size(), read.data()), 1);
    EXPECT_EQ(read, written);
    EXPECT_EQ(FrameLines("BOOT RX 08 01 F0 01 00 00 01 00 9D"), 1u);
    EXPECT_EQ(FrameLines("BOOT RX 08 01 F0 01 00 00 01 9D 8F"), 1u);

    // Past the monitor's pages: its error code 2 is error 15.
    EXPECT_EQ(monitor.ReadMem(9, 0, 1, read.data()), -1);
    EXPECT_EQ(monitor.Error().m_iError, 15);
}

} // namespace
