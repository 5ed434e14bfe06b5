// The firmware update from probe to restart: qksim starts as a boot monitor,
// the facade's connect finds it, loads the real boot library, sends the
// image of the device's family and connects to the restarted programmer.
// Each way it can go wrong ends the connect with a report of its own.
#include <filesystem>

#include "comm/qkcommexpt.h"
#include "err/qkwin.h"
#include "tests/e2e/facadesim.h"

extern const QK_RESOURCE g_qkbootImages[];
extern const std::size_t g_qkbootImageCount;

namespace {

// The firmware bytes of an image resource, without their length prefix.
std::vector<unsigned char> ImageBytes(std::uint32_t id)
{
    for (std::size_t i = 0; i < g_qkbootImageCount; ++i)
        if (g_qkbootImages[i].id == id)
            return {g_qkbootImages[i].data + 4, g_qkbootImages[i].data + g_qkbootImages[i].size};
    return {};
}

class FirmwareTest : public FacadeSimTest {
protected:
    void SetUp() override { clBootLibrary::SetRestartWaitMs(200); }

    std::string ImagePath() const { return m_Dir.File("received.bin"); }
    void StartMonitor(std::vector<std::string> args = {})
    {
        args.insert(args.begin(), {"--boot-monitor", "--boot-image", ImagePath()});
        StartSim(args);
    }
    // Connecting fails; message 1 is answered with Ok so that no demo steps in.
    void ExpectConnectFails(clTestComm& comm)
    {
        m_Ui.answer = erIdOk;
        EXPECT_THROW(comm.Connect(QK_PORT_CFG{kComNo, 1, 1}, 0), clQKCommExpt);
        EXPECT_EQ(comm.GetProtocol(), clQkProtocol::none);
    }
};

TEST_F(FirmwareTest, TheImageOfTheDevicesFamilyGoesInAndTheProgrammerComesBack)
{
    StartMonitor();
    clTestComm& comm = Make();
    comm.SetupDevice(5); // PCD80724, device id 7: family 3, image 108
    Connected();
    EXPECT_TRUE(m_Ui.shown.empty());

    const std::vector<unsigned char> image = ImageBytes(108);
    ASSERT_EQ(image.size(), 21093u);
    EXPECT_EQ(ReadBytes(ImagePath()), image);
    // 164 frames of 128 bytes and one of 101, progress after each.
    EXPECT_EQ(FrameLines("BOOT RX 87 02 F1"), 164u);
    EXPECT_EQ(FrameLines("BOOT RX 6C 02 F1"), 1u);
    std::size_t booting = 0;
    for (const auto& step : comm.steps)
        booting += step.text == "Booting" ? 1 : 0;
    EXPECT_EQ(booting, 165u);
    EXPECT_EQ(comm.steps.back().text, "Booting");
    EXPECT_EQ(comm.steps.back().percent, 100u);

    // The restarted programmer works as any other.
    TArrayAsVector<clVerInfo> versions;
    comm.GetQKVer(versions);
    ASSERT_FALSE(versions.empty());
    EXPECT_STREQ(versions[0].GetName(), "QKJTAG");
}

TEST_F(FirmwareTest, AMonitorThatDoesNotIdentifyItselfGetsNoImage)
{
    StartMonitor({"--fault", "boot-bad-id"});
    clTestComm& comm = Make();
    ExpectConnectFails(comm);
    ASSERT_EQ(m_Ui.Numbers(), (std::vector<unsigned short>{28, 1}));
    EXPECT_EQ(m_Ui.shown[0].text, "The firmware update has failed: the boot monitor did not identify itself "
                                  "(boot library error 13).");
    EXPECT_EQ(FrameLines("02 F1"), 0u);
    EXPECT_FALSE(std::filesystem::exists(ImagePath()));
}

TEST_F(FirmwareTest, AMonitorErrorDuringTheDownloadEndsTheConnect)
{
    StartMonitor({"--fault", "boot-error=3"});
    clTestComm& comm = Make();
    ExpectConnectFails(comm);
    ASSERT_EQ(m_Ui.Numbers(), (std::vector<unsigned short>{28, 1}));
    EXPECT_NE(m_Ui.shown[0].text.find("error code 3 (boot library error 16)"), std::string::npos) << m_Ui.shown[0].text;
}

TEST_F(FirmwareTest, AMonitorStillThereAfterTheUpdateIsNotUpdatedAgain)
{
    StartMonitor({"--fault", "boot-stays"});
    clTestComm& comm = Make();
    ExpectConnectFails(comm);
    ASSERT_EQ(m_Ui.Numbers(), (std::vector<unsigned short>{29, 1}));
    EXPECT_EQ(ReadBytes(ImagePath()), ImageBytes(105));
    // One download, not one after another.
    EXPECT_EQ(FrameLines("BOOT RX 02 00 FF"), 1u);
}

TEST_F(FirmwareTest, AMissingBootLibraryIsNamedAndFailsTheConnect)
{
    StartMonitor();
    clBootLibrary::SetPath("/nonexistent/libqkboot32.so");
    clTestComm& comm = Make();
    ExpectConnectFails(comm);
    ASSERT_EQ(m_Ui.shown.size(), 2u);
    EXPECT_EQ(m_Ui.shown[0].caption, "Booting error");
    EXPECT_EQ(m_Ui.shown[0].text, "Can't find /nonexistent/libqkboot32.so");
    EXPECT_EQ(m_Ui.shown[1].no, 1);

    // Answered with Abort, the connect ends on the demo protocol, and says so.
    m_Ui.answer = erIdAbort;
    comm.Connect(QK_PORT_CFG{kComNo, 1, 1}, 0);
    EXPECT_EQ(comm.GetProtocol(), clQkProtocol::demo);
}

TEST_F(FirmwareTest, ABootLibraryWithoutComInitIsAReportedError)
{
    StartMonitor();
    const std::string other = (std::filesystem::path(clBootLibrary::Path()).parent_path() / "libqkerr32.so").string();
    clBootLibrary::SetPath(other.c_str());
    clTestComm& comm = Make();
    ExpectConnectFails(comm);
    ASSERT_EQ(m_Ui.Numbers(), (std::vector<unsigned short>{27, 1}));
    EXPECT_EQ(m_Ui.shown[0].text,
              "The boot library " + other + " has no entry point com_init.\nThe firmware update was not done.");
}

} // namespace
