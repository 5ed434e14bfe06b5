// The main window's rules through a recording stand-in for the window: the
// start-up steps, the status line, the buttons busy and idle, connecting, the
// space views, the exit questions, the settings dialog applied, robot mode,
// "&Flash", the start/stop toggle, the dump editors and the delay a close
// request ends.
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

#include "comm/comports.h"
#include "source/app/qk51main.h"
#include "source/settings/qksettings.h"
#include "tests/comm/uirecorder.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

namespace {

class clFakeWindow : public clQk51Window {
public:
    unsigned long GetWindowId() override { return 7; }
    void SetStatus(const std::string& text, std::uint32_t colour) override
    {
        status = text;
        statusColour = colour;
        statuses.push_back(text);
    }
    std::string GetStatus() override { return status; }
    void SetText(int id, const std::string& text) override { texts[id] = text; }
    void ShowControl(int id, bool shown) override { this->shown[id] = shown; }
    void EnableControl(int id, bool enabled) override { this->enabled[id] = enabled; }
    void PlaceAbortOver(int id) override
    {
        abortOver = id;
        shown[idCancel] = true;
    }
    void SetFrameBusy(bool busy) override { frameBusy = busy; }
    void SetViewsEnabled(bool on) override { viewsEnabled = on; }
    void ResetGauge() override { ++gaugeResets; }
    void ShowIndicator(int picture, const std::string& port) override
    {
        indicator = picture;
        portText = port;
    }
    void FocusControl(int id) override { focus = id; }
    void ShowLinkProblem(const std::string& text) override { linkProblem = text; }
    void Repaint() override {}
    void BuildTabs(const std::vector<clSpcBaseDlg*>& views) override
    {
        tabs.clear();
        for (clSpcBaseDlg* view : views)
            tabs.push_back(view->GetTitle());
    }
    void ApplyButtonStyle(bool flyOver) override { this->flyOver = flyOver; }
    void PostConnect(int port) override { posted.push_back(port); }
    void PlaySound(const clSndActInfo& sound) override { sounds.push_back(sound.key); }
    void WaitMs(int ms) override
    {
        waits.push_back(ms);
        if (onWait)
            onWait();
    }
    void PumpMessages() override {}
    void ShowTipOfDay() override { ++tipBoxes; }
    void OpenDumpWindow(clSpcBaseDlg& view) override { dumps.push_back(view.GetTitle()); }
    void CloseDumpWindows() override { ++dumpCloses; }
    void ClearDumpChanges() override { ++dumpClears; }
    void CheckMenuItem(int id, bool checked) override { checks[id] = checked; }
    clSettingResult RunSettings(const clSettingInput& input) override
    {
        settingInputs.push_back(input);
        clSettingResult result = settings ? *settings : QkUnchangedResult(input);
        return result;
    }
    std::optional<clLoadChoice> AskLoadFile(const clLoadDialogSetup& setup) override
    {
        loadSetups.push_back(setup);
        return load;
    }
    std::optional<clSaveChoice> AskSaveFile(const clSaveDialogSetup& setup) override
    {
        saveSetups.push_back(setup);
        return save;
    }
    clProgressSink* Gauge() override { return nullptr; }
    clQkGaugeIntf* CommGauge() override { return commGauge; }
    clQkGaugeIntf* commGauge = nullptr;

    std::string status;
    std::uint32_t statusColour = 0xFFFFFF;
    std::map<int, std::string> texts;
    std::map<int, bool> shown, enabled, checks;
    int abortOver = 0, focus = 0, indicator = -1, gaugeResets = 0, tipBoxes = 0;
    int dumpCloses = 0, dumpClears = 0;
    bool frameBusy = false, viewsEnabled = true, flyOver = false;
    std::string portText, linkProblem;
    std::vector<std::string> tabs, sounds, dumps, statuses;
    std::vector<int> posted, waits;
    std::optional<clLoadChoice> load;
    std::optional<clSaveChoice> save;
    std::vector<clLoadDialogSetup> loadSetups;
    std::vector<clSaveDialogSetup> saveSetups;
    std::optional<clSettingResult> settings; // the dialog's answer; unchanged when not set
    std::vector<clSettingInput> settingInputs;
    std::function<void()> onWait; // what happens while the window waits
};

// Counts the progress steps of the operations.
class clCountingGauge : public clQkGaugeIntf {
public:
    void Progress(int, const char*) override { ++steps; }
    int steps = 0;
};

// Answers by message number where the test says so.
class clScriptedUi : public clUiRecorder {
public:
    int ShowError(const clBasicErr& err) override
    {
        const int general = clUiRecorder::ShowError(err);
        const auto found = answers.find(err.GetErrNo());
        return found != answers.end() ? found->second : general;
    }
    std::map<unsigned short, int> answers;
};

// A gauge that asks for an abort at the first progress step.
class clAbortingGauge : public clQkGaugeIntf {
public:
    void Progress(int, const char*) override
    {
        ++steps;
        if (comm != nullptr)
            comm->Abort();
    }
    clQkSrvcComm* comm = nullptr;
    int steps = 0;
};

class clFakeScreen : public clStartupScreen {
public:
    void SetText(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

// The program's service and main-window logic in a folder of their own,
// with the ports mapped to nothing so that a search finds no programmer.
class MainLogic : public ::testing::Test {
protected:
    MainLogic() : m_Previous(fs::current_path())
    {
        fs::current_path(dir.Path());
        for (int port = 1; port <= 4; ++port)
            ComMapPort(port, dir.File("no-port-" + std::to_string(port)));
        ui.answer = erIdOk;
    }
    ~MainLogic() override
    {
        m_pMain.reset();
        m_pService.reset();
        QkAppErrMngr().CloseErrMngr();
        ComClearPortMap();
        fs::current_path(m_Previous);
    }

    void Start(std::vector<std::string> switches = {})
    {
        m_Args = {"qkprog"};
        m_Args.insert(m_Args.end(), switches.begin(), switches.end());
        m_Argv.clear();
        for (const auto& a : m_Args)
            m_Argv.push_back(a.c_str());
        m_pService = std::make_unique<clService>(static_cast<int>(m_Argv.size()), m_Argv.data(), settingsPath);
        m_pMain = std::make_unique<clQk51Main>(*m_pService, window);
        m_pMain->StartUp(screen);
    }
    clQk51Main& Main() { return *m_pMain; }
    clService& Service() { return *m_pService; }
    // Saves a project for a device with a description.
    std::string MakeProject(unsigned short chipId, const std::string& description)
    {
        const std::string path = dir.File("board.qkp");
        TBscOptServer options(kQkOptArrayName);
        const clQkOptCatalogue catalogue = QkRegisterOptions(options);
        clDataBase db(GetDLLDBaseInstance());
        clQkSpaces spaces(db, options, catalogue);
        spaces.SetupDevice(chipId);
        const unsigned char mark = 0x5A;
        spaces.Buffer(1).SetByte(clAdrs(0x10u), &mark);
        clQkSettingsStore detached("");
        clQkProject project(options, detached, QkAppErrMngr());
        EXPECT_EQ(project.Save(path, prjSaveImage, description), 1);
        return path;
    }

    clTempDir dir;
    const std::string settingsPath = dir.File("settings.ini");
    clScriptedUi ui;
    clFakeWindow window;
    clFakeScreen screen;

private:
    fs::path m_Previous;
    std::vector<std::string> m_Args;
    std::vector<const char*> m_Argv;
    std::unique_ptr<clService> m_pService;
    std::unique_ptr<clQk51Main> m_pMain;
};

TEST_F(MainLogic, StartUpWithoutSettingsRunsItsStepsAndWaitsOutTheScreen)
{
    Start();
    EXPECT_EQ(screen.texts, (std::vector<std::string>{"Initializing memory", "Reading options", "Loading last project",
                                                      "Please wait..."}));
    ASSERT_EQ(window.waits.size(), 1u);
    EXPECT_GT(window.waits[0], 1000);
    EXPECT_LE(window.waits[0], 2000);
    EXPECT_EQ(Main().GetPort(), 0); // "Scan"
    EXPECT_EQ(Main().GetTipMode(), 2);
    EXPECT_TRUE(window.flyOver);
    EXPECT_FALSE(Main().IsMuted());
    EXPECT_EQ(Main().GetProjectPath(), (dir.Path() / "MyProject.qkp").string());
    EXPECT_EQ(window.texts[idProject], Main().GetProjectPath());
    // No project yet: device 1, nothing to save.
    EXPECT_EQ(Main().GetDevice(), 1);
    EXPECT_EQ(window.texts[idDevice], "PCD80710 (PHILIPS)");
    EXPECT_EQ(window.tabs, (std::vector<std::string>{"Data"}));
    EXPECT_FALSE(Main().IsProjectChanged());
    EXPECT_EQ(window.status, "Not connected");
    EXPECT_EQ(window.statusColour, kColourBlack);
    EXPECT_TRUE(window.shown[idErase]);
    EXPECT_FALSE(window.shown[idFlash]);
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(MainLogic, TheProjectNamedOnTheCommandLineIsLoaded)
{
    const std::string project = MakeProject(2, "Board rev. B");
    Start({"/P:" + project});
    EXPECT_EQ(Main().GetDevice(), 2);
    EXPECT_EQ(window.tabs, (std::vector<std::string>{"Data", "Security", "Config", "OSD", "All"}));
    EXPECT_EQ(window.texts[idDescription], "Board rev. B");
    EXPECT_EQ(Main().GetProjectPath(), project);
    // The device set-up keeps the image the project brought.
    EXPECT_EQ(Service().Spaces().Buffer(1).GetByte(clAdrs(0x10u)), 0x5A);
    EXPECT_EQ(Service().Spaces().Buffer(1).GetByte(clAdrs(0x11u)), 0xFF);
    EXPECT_FALSE(Main().IsProjectChanged());
}

// Not the last project instead: that would program an image nobody asked for.
TEST_F(MainLogic, AProjectOnTheCommandLineThatCannotBeOpenedIsSaidAndNoneOpens)
{
    const std::string project = MakeProject(3, "last");
    clQkSettingsStore settings(settingsPath);
    QkSetLastProject(settings, project);
    Start({"/P:" + dir.File("missing.qkp")});
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "The project named on the command line cannot be opened: " + dir.File("missing.qkp") +
                                    " does not exist. No other project was opened.");
    EXPECT_EQ(Main().GetDevice(), 1);
    EXPECT_NE(Main().GetProjectPath(), project);
    EXPECT_EQ(window.texts[idDescription], "");
}

// A referenced file is checked as a file loaded alone: data that falls
// outside its space is named, not dropped in silence.
TEST_F(MainLogic, AReferencedFileWithDataOutsideItsSpaceIsNamed)
{
    const std::string hex = dir.File("fw.hex");
    WriteText(hex, ":01001000559A\r\n:00000001FF\r\n");
    {
        TBscOptServer options(kQkOptArrayName);
        const clQkOptCatalogue catalogue = QkRegisterOptions(options);
        clDataBase db(GetDLLDBaseInstance());
        clQkSpaces spaces(db, options, catalogue);
        spaces.SetupDevice(1);
        ASSERT_EQ(spaces.LoadFile(1, hex, ftIntelAny, 0, 0x5FFFF), 1);
        clQkSettingsStore detached("");
        clQkProject project(options, detached, QkAppErrMngr());
        ASSERT_EQ(project.Save(dir.File("board.qkp"), prjSaveHexRef, "ref"), 1);
    }
    // The build changed: a record now lies beyond the 384 KiB space.
    WriteText(hex, ":020000040007F3\r\n:0100000055AA\r\n:020000040000FA\r\n:01001000559A\r\n:00000001FF\r\n");
    Start({"/P:" + dir.File("board.qkp")});
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].text.find(hex + " holds data outside the Data space (0x0..0x5FFFF): 0x70000..0x70000"),
              std::string::npos)
        << ui.shown[0].text;
    EXPECT_EQ(Service().Spaces().Buffer(1).GetByte(clAdrs(0x10u)), 0x55);
}

// "Size:" enlarges the Data space only, and only as far as this computer
// holds; more is refused with a message before anything is allocated.
TEST_F(MainLogic, SizeEnlargesTheDataSpaceWithinBounds)
{
    Start({"/Size:1024"});
    EXPECT_EQ(Service().Spaces().Buffer(1).GetSize(), 1024u * 1024u);
    Service().SetupSpaces(2); // the PCD80712: its Config space keeps its size
    EXPECT_EQ(Service().Spaces().Buffer(1).GetSize(), 1024u * 1024u);
    EXPECT_LT(Service().Spaces().Buffer(3).GetSize(), 1024u);
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(MainLogic, ASizeBeyondTheBoundIsRefusedWithAMessage)
{
    Start({"/Size:1048576"});
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text.rfind("The /Size: value 1048576 KB is not taken", 0), 0u) << ui.shown[0].text;
    EXPECT_EQ(Service().Spaces().Buffer(1).GetSize(), 0x60000u);
}

TEST_F(MainLogic, ADamagedProjectIsReportedAndLeavesAnEmptyProject)
{
    WriteText(dir.File("MyProject.qkp"), "XYZ- not a project at all");
    Start();
    ASSERT_EQ(ui.Numbers(), (std::vector<unsigned short>{1010}));
    EXPECT_EQ(ui.shown[0].text, "Invalid file format, or file corrupted.");
    EXPECT_EQ(Main().GetProjectPath(), (dir.Path() / "DEFAULT.qkp").string());
    EXPECT_EQ(window.texts[idProject], Main().GetProjectPath());
    EXPECT_TRUE(Main().IsProjectChanged());
    EXPECT_EQ(Main().GetDevice(), 1);
}

TEST_F(MainLogic, WithoutAProgrammerOnlyTheFileButtonsWork)
{
    Start();
    Main().OnConnect(Main().GetPort(), true);
    // "Cannot connect with QK-JTAG programmer." once, answered Ok: off line.
    EXPECT_EQ(ui.Numbers(), (std::vector<unsigned short>{1}));
    EXPECT_EQ(Main().GetPort(), 0);
    EXPECT_EQ(window.indicator, indNotConnected);
    for (int id : {idProgram, idRead, idChkSum, idVerify, idBlnkChk, idErase})
        EXPECT_FALSE(window.enabled[id]) << id;
    for (int id : {idOpen, idSave, idMemory, idSettings})
        EXPECT_TRUE(window.enabled[id]) << id;
    EXPECT_EQ(window.status, "Not connected");
    EXPECT_EQ(window.tipBoxes, 1); // "Tip Mode" 2
}

#ifndef _WIN32 // ports named by device paths are a POSIX matter
TEST_F(MainLogic, APortThatCannotBeOpenedSaysWhy)
{
    WriteText(dir.File("plain.txt"), "not a port");
    ComMapPort(5, dir.File("plain.txt"));
    Start({"/Com:5"});
    Main().OnConnect(Main().GetPort(), true);
    // The numbered record stays as the library has it; the reason goes beside it.
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "Cannot connect with QK-JTAG programmer.\nEntering off line mode.");
    EXPECT_EQ(window.linkProblem, "Cannot connect with QK-JTAG programmer. " + dir.File("plain.txt") +
                                      " is not a serial device (a regular file)");
    EXPECT_EQ(window.status, "Not connected");
    // A search says it of the last port it tried ("Com:5" ends the table).
    ComMapPort(5, dir.File("gone"));
    Main().OnConnect(0, false);
    EXPECT_EQ(window.linkProblem, "Cannot connect with QK-JTAG programmer. " + dir.File("gone") + " does not exist.");
}
#endif

TEST_F(MainLogic, TheForcedDemoEnablesEveryDeviceButton)
{
    Start({"/Demo"});
    Main().OnConnect(Main().GetPort(), true);
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(window.indicator, indDemo);
    EXPECT_EQ(window.linkProblem, "");
    for (int id : {idProgram, idRead, idChkSum, idVerify, idBlnkChk, idErase, idOpen, idSave, idMemory, idSettings})
        EXPECT_TRUE(window.enabled[id]) << id;
    // The flash button waits for its flag.
    EXPECT_FALSE(window.enabled[idFlash]);
}

TEST_F(MainLogic, AResultStaysOnTheStatusLineUntilTheNextOperation)
{
    Start();
    Main().SetAction(cmdVerify);
    EXPECT_EQ(window.abortOver, idVerify);
    EXPECT_TRUE(window.shown[idCancel]);
    EXPECT_EQ(window.status, "Verifying"); // running from its first step
    EXPECT_EQ(window.statusColour, kColourBlack);
    Main().SetAction(actFailed);
    Main().SetAction(actIdle);
    EXPECT_EQ(window.status, "Failed");
    EXPECT_EQ(window.statusColour, kColourRed);
    EXPECT_FALSE(window.shown[idCancel]);
    // Applying the settings dialog keeps it too.
    Main().ShowReady();
    EXPECT_EQ(window.status, "Failed");
    Main().SetAction(actIdle);
    EXPECT_EQ(window.status, "Not connected");
    EXPECT_EQ(window.statusColour, kColourBlack);
    // Robot runs under the checksum button.
    Main().SetAction(actRobot);
    EXPECT_EQ(window.abortOver, idChkSum);
}

TEST_F(MainLogic, BusyGreysEverythingAndIdlePlaysTheActionsSound)
{
    clQkSettingsStore settings(settingsPath);
    settings.SetString(kSectionSounds, "Failed", "1,");
    Start({"/Demo"});
    Main().SetIdle(false);
    EXPECT_TRUE(window.frameBusy);
    EXPECT_FALSE(window.viewsEnabled);
    for (int id : {idProgram, idOpen, idSettings})
        EXPECT_FALSE(window.enabled[id]);
    Main().SetAction(actFailed);
    window.sounds.clear();
    Main().SetIdle(true);
    EXPECT_EQ(window.sounds, (std::vector<std::string>{"Failed"}));
    Main().SetMuted(true);
    Main().SetIdle(true);
    EXPECT_EQ(window.sounds.size(), 1u);
    // A shown error dialog plays its kind's sound.
    Main().SetMuted(false);
    settings.SetString(kSectionSounds, "WarnDlg", "1,");
    Service().Sounds().Load(settings);
    Main().OnErrorShown(erTypeWarning);
    EXPECT_EQ(window.sounds.back(), "WarnDlg");
}

TEST_F(MainLogic, AnAbortedProgramIsNeitherACycleNorAFailure)
{
    clAbortingGauge gauge;
    window.commGauge = &gauge;
    Start({"/Demo", "/TDELAY:0"});
    Main().OnConnect(Main().GetPort(), false);
    // As if the window were closed at the first progress step.
    gauge.comm = &Service().Comm();
    Main().RunOperation(cmdProgram);
    EXPECT_EQ(gauge.steps, 1);
    EXPECT_EQ(window.status, "Aborted");
    EXPECT_EQ(window.statusColour, kColourRed);
    EXPECT_EQ(Main().GetAction(), actIdle);
    EXPECT_EQ(QkGetOpt16(Service().Options(), kOptPgmCycle), 0);
    EXPECT_EQ(QkGetOpt16(Service().Options(), kOptFailure), 0);
    EXPECT_EQ(QkGetOpt16(Service().Options(), kOptSuccess), 0);
    EXPECT_TRUE(window.shown[idProgram]);
    EXPECT_TRUE(Main().IsIdle());
}

TEST_F(MainLogic, ACloseRequestDuringTheDelayEndsTheOperationThere)
{
    clCountingGauge gauge;
    window.commGauge = &gauge;
    Start({"/Demo", "/TDELAY:5000"});
    Main().OnConnect(Main().GetPort(), false);
    window.waits.clear();
    int stepsBefore = -1;
    window.onWait = [&] {
        stepsBefore = gauge.steps;
        EXPECT_FALSE(Main().QueryClose()); // the close box during the wait
    };
    Main().RunOperation(cmdProgram);
    EXPECT_EQ(window.waits, std::vector<int>{5000});
    // Nothing after the wait: programming never started.
    EXPECT_EQ(gauge.steps, stepsBefore);
    EXPECT_EQ(window.status, "Aborted");
    EXPECT_EQ(QkGetOpt16(Service().Options(), kOptFailure), 0);
    EXPECT_FALSE(Service().Comm().IsAbortSet());
    EXPECT_FALSE(Main().IsClosing());
    // The next operation runs as usual.
    window.onWait = nullptr;
    Main().RunOperation(cmdVerify);
    EXPECT_EQ(window.status, "Ready");
}

TEST_F(MainLogic, InfoTextsShowTheViewsRangeAndChecksum)
{
    Start();
    EXPECT_EQ(window.texts[idSizeLabel], "Data size:");
    EXPECT_EQ(window.texts[idSizeValue], "60000h (384K)");
    EXPECT_EQ(window.texts[idChkSumLabel], "Data CheckSum:");
    // 0x60000 erased bytes of 0xFF.
    EXPECT_EQ(window.texts[idChkSumValue], "0000h");
    auto* data = dynamic_cast<clSpcDataDlg*>(Main().CurrentView());
    ASSERT_NE(data, nullptr);
    data->FieldEdited(idDataStop, "0");
    EXPECT_TRUE(data->FieldLeft(idDataStop));
    EXPECT_EQ(data->GetStopText(), "07FFh");
    EXPECT_EQ(window.texts[idSizeValue], "800h (2K)");
    EXPECT_EQ(window.texts[idChkSumValue], "F800h");
    EXPECT_TRUE(data->IsSettingsChanged());
}

TEST_F(MainLogic, ReopeningAViewRestoresItsStoredRange)
{
    Start();
    auto* data = dynamic_cast<clSpcDataDlg*>(Main().CurrentView());
    data->FieldEdited(idDataStart, "1234");
    ASSERT_TRUE(data->PrepareOperation());
    EXPECT_EQ(data->GetCmdStart(), 0x1000u); // alignment 2048
    EXPECT_EQ(Service().Spaces().Buffer(1).GetCmdStartAdrs().GetLinear(), 0x1000u);
    Main().SetupDevice(1, false);
    auto* again = dynamic_cast<clSpcDataDlg*>(Main().CurrentView());
    EXPECT_EQ(again->GetStartText(), "1000h");
    // Another device starts on its whole space.
    Main().SetupDevice(2, true);
    EXPECT_EQ(dynamic_cast<clSpcDataDlg*>(Main().CurrentView())->GetStartText(), "0000h");
}

TEST_F(MainLogic, TheSecurityViewKeepsItsLockBitsInTheProject)
{
    Start();
    Main().OnConnect(Main().GetPort(), false); // no programmer
    Main().SetupDevice(2, true);               // PCD80712: 3 lock bits, an encryption space
    Main().OnTabChanged(1);
    auto* security = dynamic_cast<clSpcScrtyDlg*>(Main().CurrentView());
    ASSERT_NE(security, nullptr);
    EXPECT_EQ(security->GetScrtyBitsCnt(), 3);
    EXPECT_TRUE(security->IsEncryptionShown());
    security->ClickLockBit(2, true);
    EXPECT_TRUE(security->IsLockBitSet(2));
    EXPECT_FALSE(security->IsLockBitSet(1));
    EXPECT_EQ(security->GetScrtyBuffer()->GetByte(clAdrs(1u)), 1);
    EXPECT_EQ(QkGetOpt16(Service().Options(), idLockBit2), 1);
    // Without a programmer for its space it offers only the PC-side commands.
    EXPECT_TRUE(security->IsOpAllowed(cmdSettings));
    EXPECT_TRUE(security->IsOpAllowed(cmdOpen));
    EXPECT_FALSE(security->IsOpAllowed(cmdProgram));
    EXPECT_FALSE(security->IsOpAllowed(cmdRead));
    // PCD80703: lock bit 1 only, no encryption space.
    Main().SetupDevice(6, true);
    Main().OnTabChanged(2);
    auto* small = dynamic_cast<clSpcScrtyDlg*>(Main().CurrentView());
    ASSERT_NE(small, nullptr);
    EXPECT_TRUE(small->IsLockBitShown(1));
    EXPECT_FALSE(small->IsLockBitShown(2));
    EXPECT_FALSE(small->IsEncryptionShown());
    EXPECT_FALSE(small->IsOpAllowed(cmdOpen));
}

TEST_F(MainLogic, AllOffersOnlyTheSpacesTheProgrammerTakes)
{
    Start();
    Main().OnConnect(Main().GetPort(), false); // no programmer
    Main().SetupDevice(3, true);               // PCD80716: Data, Config, OSD, lock bits
    EXPECT_EQ(window.tabs, (std::vector<std::string>{"Data", "Config", "OSD", "Security", "All"}));
    Main().OnTabChanged(4);
    auto* all = dynamic_cast<clSpcAllDlg*>(Main().CurrentView());
    ASSERT_NE(all, nullptr);
    ASSERT_EQ(all->Entries().size(), 4u);
    EXPECT_TRUE(all->IsChecked(0) && all->IsChecked(1) && all->IsChecked(2));
    EXPECT_TRUE(all->IsEnabled(0));
    EXPECT_FALSE(all->IsEnabled(1));
    EXPECT_FALSE(all->IsEnabled(2));
    EXPECT_TRUE(all->IsOpAllowed(cmdProgram));
    all->SetChecked(0, false);
    EXPECT_FALSE(all->IsOpAllowed(cmdProgram));
    EXPECT_TRUE(all->IsOpAllowed(cmdErase));
    EXPECT_FALSE(all->IsOpAllowed(cmdRead));
}

TEST_F(MainLogic, ClosingDuringAnOperationOnlyStopsIt)
{
    Start();
    Main().SetIdle(false);
    EXPECT_FALSE(Main().QueryClose());
    EXPECT_TRUE(Service().Comm().IsAbortSet());
    EXPECT_TRUE(ui.shown.empty()); // no quit question
    EXPECT_FALSE(Main().IsClosing());
}

TEST_F(MainLogic, TheQuitQuestionDecidesAndEverySettingIsWritten)
{
    Start({"/Com:3"});
    ui.answer = erIdCancel;
    EXPECT_FALSE(Main().QueryClose());
    EXPECT_EQ(ui.Numbers(), (std::vector<unsigned short>{1005}));
    EXPECT_FALSE(fs::exists(settingsPath));
    ui.answer = erIdOk;
    Main().SetTipMode(0);
    EXPECT_TRUE(Main().QueryClose());
    Main().SavePosition(120, 64);
    const clQkSettingsStore settings(settingsPath);
    EXPECT_EQ(QkGetSetting(settings, kSetComPort), 3);
    EXPECT_EQ(QkGetSetting(settings, kSetTipMode), 0);
    EXPECT_EQ(QkGetSetting(settings, kSetXPos), 120);
    EXPECT_EQ(QkGetSetting(settings, kSetYPos), 64);
    EXPECT_EQ(settings.GetString(kSectionFlags, "Ignore Start Stop", ""), "TRUE");
    EXPECT_EQ(settings.GetString(kSectionFlags, "Allow flash programm", ""), "FALSE");
    EXPECT_EQ(settings.GetString(kSectionSounds, "Startup", "none"), "0,");
    EXPECT_EQ(settings.GetNumber(kSectionSounds, "Mute", 9), 0u);
    // Nothing was changed, so no project was written.
    EXPECT_FALSE(fs::exists(dir.File("MyProject.qkp")));
}

TEST_F(MainLogic, AChangedProjectIsSavedOnlyWhenTheUserSaysSo)
{
    Start();
    Main().CurrentView()->MarkDataChanged();
    ui.answers[1005] = erIdOk;
    // Cancel keeps the window.
    ui.answers[1006] = erIdCancel;
    EXPECT_FALSE(Main().QueryClose());
    EXPECT_EQ(ui.Numbers(), (std::vector<unsigned short>{1005, 1006}));
    // Yes, then the save dialog cancelled: the window stays too.
    ui.answers[1006] = erIdYes;
    EXPECT_FALSE(Main().QueryClose());
    ASSERT_EQ(window.saveSetups.size(), 1u);
    EXPECT_EQ(window.saveSetups[0].types.size(), 1u); // the project only
    EXPECT_EQ(window.saveSetups[0].proposed, (dir.Path() / "MyProject.qkp").string());
    EXPECT_EQ(window.status, "Not connected");
    EXPECT_FALSE(Main().IsClosing());
    // Yes and a file name: saved, closed.
    clSaveChoice choice;
    choice.path = dir.File("saved.qkp");
    choice.saveOption = prjSaveImage;
    choice.description = "kept";
    window.save = choice;
    EXPECT_TRUE(Main().QueryClose());
    EXPECT_EQ(QkReadProjectDescription(choice.path), "kept");
}

TEST_F(MainLogic, NoClosesWithoutWritingAProject)
{
    Start();
    Main().CurrentView()->MarkDataChanged();
    ui.answers[1005] = erIdOk;
    ui.answers[1006] = erIdNo;
    EXPECT_TRUE(Main().QueryClose());
    EXPECT_EQ(ui.Numbers(), (std::vector<unsigned short>{1005, 1006}));
    EXPECT_TRUE(window.saveSetups.empty());
    EXPECT_EQ(CountFiles(dir.Path()), 1u); // the settings file only
}

TEST_F(MainLogic, OpenLoadsADataFileIntoTheCurrentSpace)
{
    Start();
    WriteBytes(dir.File("image.bin"), {0x12, 0x34, 0x56});
    window.load = clLoadChoice{dir.File("image.bin"), 1, initUnchanged};
    Main().OnOpen();
    ASSERT_EQ(window.loadSetups.size(), 1u);
    EXPECT_STREQ(window.loadSetups[0].types[0].filter, "QK-JTAG Project (*.qkp)|*.qkp|");
    EXPECT_FALSE(window.loadSetups[0].clipping);
    const clQKHugeBuffer& data = Service().Spaces().Buffer(1);
    EXPECT_EQ(data.GetByte(clAdrs(1u)), 0x34);
    EXPECT_EQ(data.GetByte(clAdrs(3u)), 0xFF);
    EXPECT_EQ(window.texts[idFile], dir.File("image.bin"));
    EXPECT_EQ(Service().Spaces().FileType(1), 1);
    EXPECT_TRUE(Main().IsProjectChanged());
    EXPECT_EQ(window.status, "Not connected");
    // With "w&ith 0x00" the rest of the space is cleared first.
    window.load = clLoadChoice{dir.File("image.bin"), 1, init00};
    Main().OnOpen();
    EXPECT_EQ(data.GetByte(clAdrs(3u)), 0x00);
}

TEST_F(MainLogic, ANarrowRangeTellsTheLoadDialogAboutClipping)
{
    Start();
    auto* data = dynamic_cast<clSpcDataDlg*>(Main().CurrentView());
    data->FieldEdited(idDataStop, "FFF");
    data->FieldLeft(idDataStop);
    Main().OnOpen();
    ASSERT_EQ(window.loadSetups.size(), 1u);
    EXPECT_TRUE(window.loadSetups[0].clipping);
}

TEST_F(MainLogic, SaveWritesTheRangeAndRemembersTheFile)
{
    Start();
    auto* data = dynamic_cast<clSpcDataDlg*>(Main().CurrentView());
    data->FieldEdited(idDataStop, "7FF");
    data->FieldLeft(idDataStop);
    clSaveChoice choice;
    choice.path = dir.File("out.bin");
    choice.position = 1;
    choice.fileType = 1;
    window.save = choice;
    Main().OnSave();
    EXPECT_EQ(ReadBytes(dir.File("out.bin")).size(), 0x800u);
    EXPECT_EQ(Service().Spaces().FileName(1), dir.File("out.bin"));
    EXPECT_EQ(Service().Spaces().FileType(1), 1);
    // The save list of a range inside the first 64 KB offers every format.
    ASSERT_EQ(window.saveSetups.size(), 1u);
    EXPECT_EQ(window.saveSetups[0].types.size(), 8u);
    EXPECT_FALSE(window.saveSetups[0].hexRefPossible);
    // Saved once, a reference can be kept; the list position is remembered.
    Main().OnSave();
    EXPECT_TRUE(window.saveSetups[1].hexRefPossible);
    EXPECT_EQ(window.saveSetups[1].selected, 1);
}

TEST_F(MainLogic, MemoryOpensTheViewsDumpWindowAndSettingsItsDialog)
{
    Start();
    Main().OnMemory();
    Main().OnSettings();
    EXPECT_EQ(window.dumps, (std::vector<std::string>{"Data"}));
    EXPECT_EQ(window.settingInputs.size(), 1u);
}

TEST_F(MainLogic, SettingsOpenWithTheWindowsValuesAndApplyAfterOk)
{
    Start({"/FREQ", "/LastCom:6"});
    Main().OnConnect(Main().GetPort(), false); // no programmer
    Service().Options().Set(kOptPgmCycle, std::uint16_t{9});
    clSettingResult result;
    result.accepted = true;
    result.device = 3; // PCD80716
    result.port = 5;
    result.frequency = "11.0592M";
    result.flyOver = false;
    result.mute = true;
    result.autoOptions = {0, 1, 1, 0};
    result.ignoreStartStop = true;
    window.settings = result;
    window.posted.clear();
    Main().OnSettings();

    ASSERT_EQ(window.settingInputs.size(), 1u);
    const clSettingInput& input = window.settingInputs[0];
    EXPECT_EQ(input.device, 1);
    EXPECT_EQ(input.port, 0);
    EXPECT_EQ(input.lastCom, 6);
    EXPECT_TRUE(input.showFrequency);
    EXPECT_FALSE(input.admin);
    EXPECT_EQ(input.frequency, "4Mhz");
    EXPECT_EQ(input.software.rfind("QK-JTAG ", 0), 0u);
    EXPECT_EQ(input.comm, &Service().Comm());

    EXPECT_EQ(Main().GetDevice(), 3);
    EXPECT_EQ(window.tabs, (std::vector<std::string>{"Data", "Config", "OSD", "Security", "All"}));
    EXPECT_EQ(QkGetOpt16(Service().Options(), kOptPgmCycle), 0); // a new device starts counting anew
    EXPECT_EQ(QkReadAutoOptions(Service().Options()), result.autoOptions);
    EXPECT_TRUE(Main().IsProjectChanged());
    EXPECT_EQ(Main().GetPort(), 5);
    EXPECT_EQ(window.posted, (std::vector<int>{5})); // no programmer yet: connect there
    EXPECT_EQ(Main().GetFrequency(), "11.0592M");
    EXPECT_TRUE(Main().IsMuted());
    EXPECT_FALSE(window.flyOver);
    EXPECT_EQ(window.status, "Not connected");
    // The next opening starts from what was applied.
    Main().OnSettings();
    EXPECT_EQ(window.settingInputs[1].device, 3);
    EXPECT_EQ(window.settingInputs[1].frequency, "11.0592M");
    EXPECT_EQ(window.settingInputs[1].autoOptions, result.autoOptions);
}

TEST_F(MainLogic, CancelKeepsEverythingButTheReconnectionAskedFor)
{
    Start();
    Main().OnConnect(Main().GetPort(), false); // no programmer
    clSettingResult cancelled = QkUnchangedResult(Main().SettingInput());
    cancelled.device = 2;
    cancelled.autoOptions.erase = 1;
    window.settings = cancelled;
    Main().OnSettings();
    EXPECT_EQ(Main().GetDevice(), 1);
    EXPECT_EQ(QkReadAutoOptions(Service().Options()).erase, 0);
    EXPECT_EQ(window.status, "Not connected");
    // A firmware update asked for inside: connected again even so; no
    // programmer answered, so the reconnection ends as an error.
    ui.shown.clear();
    window.settings->reconnect = true;
    Main().OnSettings();
    EXPECT_EQ(ui.Numbers(), (std::vector<unsigned short>{1}));
    EXPECT_EQ(window.status, "Error");
    EXPECT_EQ(Main().GetAction(), actIdle);
    // "&Ok" while no programmer is connected connects again.
    window.posted.clear();
    clSettingResult ok = QkUnchangedResult(Main().SettingInput());
    ok.accepted = true;
    window.settings = ok;
    Main().OnSettings();
    EXPECT_EQ(window.posted, std::vector<int>{Main().GetPort()});
    EXPECT_EQ(window.status, "Error");
}

TEST_F(MainLogic, AReconnectionThatWorksEndsReady)
{
    Start({"/Demo"});
    Main().OnConnect(Main().GetPort(), false);
    clSettingResult result = QkUnchangedResult(Main().SettingInput());
    result.reconnect = true;
    window.settings = result;
    Main().OnSettings();
    EXPECT_EQ(window.status, "Ready");
    EXPECT_EQ(window.statusColour, kColourGreen);
    // The next operation gets its abort button.
    Main().SetAction(cmdVerify);
    EXPECT_EQ(window.abortOver, idVerify);
    Main().SetAction(actIdle);
    // Another port chosen while connected: the window connects there.
    window.posted.clear();
    result.reconnect = false;
    result.accepted = true;
    result.port = 3;
    window.settings = result;
    Main().OnSettings();
    EXPECT_EQ(window.posted, std::vector<int>{3});
    EXPECT_EQ(Main().GetPort(), 3);
}

TEST_F(MainLogic, TheUpdateImageNeedsASpaceOfOneMegabyte)
{
    Start({"/Demo"});
    clSettingResult result = QkUnchangedResult(Main().SettingInput());
    result.accepted = true;
    result.bootUpdate = true;
    window.settings = result;
    const unsigned char before = Service().Spaces().Buffer(1).GetByte(clAdrs(0u));
    Main().OnSettings();
    // PCD80710's data space ends at 5FFFFh: nothing changes, and the message says why.
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text,
              "The device update image needs the Data space from 0h to FFFFFh; it holds 0h to 5FFFFh.");
    EXPECT_EQ(Service().Spaces().Buffer(1).GetByte(clAdrs(0u)), before);
    EXPECT_EQ(Service().Spaces().FileName(1), "");
    EXPECT_EQ(window.status, "Ready");
}

TEST_F(MainLogic, RobotModeLeavesOnlySettingsUntilTheUserConnectsAgain)
{
    Start({"/Demo"});
    Main().OnConnect(Main().GetPort(), false);
    EXPECT_FALSE(window.shown[idRobot]);
    // "&Robot mode" of the settings offers the button.
    Service().Options().Set(kOptAutoRobot, std::uint16_t{1});
    Main().RefreshButtons();
    EXPECT_TRUE(window.shown[idRobot]);
    EXPECT_TRUE(window.enabled[idRobot]);
    ui.shown.clear();
    Main().OnRobot();
    EXPECT_TRUE(Main().IsRobotActive());
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "QK-JTAG is in 'ROBOT' mode now. When the operation will be finished, reset the "
                                "device and restart communication.");
    EXPECT_EQ(ui.shown[0].caption, "Message");
    const auto onlySettings = [&] {
        for (int id :
             {idOpen, idSave, idMemory, idProgram, idRead, idChkSum, idRobot, idVerify, idBlnkChk, idErase, idFlash})
            EXPECT_FALSE(window.enabled[id]) << id;
        EXPECT_TRUE(window.enabled[idSettings]);
        EXPECT_FALSE(window.viewsEnabled);
    };
    onlySettings();
    EXPECT_TRUE(window.shown[idIndicator]);
    EXPECT_EQ(window.status, "Ready");
    EXPECT_EQ(window.focus, idSettings);
    // Whatever refreshes the buttons keeps them so; the commands do nothing.
    Main().OnTabChanged(0);
    Main().InfoChanged();
    onlySettings();
    Main().RunOperation(cmdProgram);
    EXPECT_EQ(QkGetOpt16(Service().Options(), kOptPgmCycle), 0);
    EXPECT_FALSE(Main().PollStartButton(QkNowMs() + 10000));

    // "&Cancel" keeps robot mode; "&Ok" is the user's reconnection.
    window.posted.clear();
    window.settings = QkUnchangedResult(Main().SettingInput());
    Main().OnSettings();
    EXPECT_TRUE(window.posted.empty());
    EXPECT_TRUE(Main().IsRobotActive());
    window.settings->accepted = true;
    Main().OnSettings();
    ASSERT_EQ(window.posted, std::vector<int>{Main().GetPort()});
    Main().OnConnect(window.posted[0], false);
    EXPECT_FALSE(Main().IsRobotActive());
    EXPECT_TRUE(window.enabled[idProgram]);
    EXPECT_TRUE(window.viewsEnabled);
}

TEST_F(MainLogic, FlashDoesNothingWithoutItsFlag)
{
    Start({"/Demo"});
    Main().OnConnect(Main().GetPort(), false);
    window.statuses.clear();
    window.focus = 0;
    Main().OnFlash();
    EXPECT_TRUE(window.statuses.empty());
    EXPECT_EQ(window.focus, 0);
    EXPECT_FALSE(window.shown[idFlash]);
    // "Allow f&lash programming" in the settings: the button shows and works.
    clSettingResult result = QkUnchangedResult(Main().SettingInput());
    result.accepted = true;
    result.flash = true;
    window.settings = result;
    Main().OnSettings();
    EXPECT_TRUE(Main().IsFlashAllowed());
    EXPECT_TRUE(Main().IsProjectChanged());
    EXPECT_TRUE(window.shown[idFlash]);
    EXPECT_TRUE(window.enabled[idFlash]);
    Main().OnFlash();
    EXPECT_NE(std::find(window.statuses.begin(), window.statuses.end(), "Software updating..."), window.statuses.end());
    EXPECT_TRUE(window.shown[idFlash]);
    EXPECT_EQ(window.focus, idFlash);
    EXPECT_TRUE(Main().IsIdle());
}

TEST_F(MainLogic, IgnoreStartStopTogglesItsCheckMarkWhenIdle)
{
    Start({"/Demo"});
    EXPECT_TRUE(window.checks[idMenuIgnoreStartStop]);
    EXPECT_TRUE(Main().IsIgnoreStartStop());
    Main().ToggleIgnoreStartStop(QkNowMs());
    EXPECT_FALSE(window.checks[idMenuIgnoreStartStop]);
    EXPECT_FALSE(Main().IsIgnoreStartStop());
    EXPECT_TRUE(Main().IsSettingsChanged());
    // Busy: the item is greyed and does nothing.
    Main().SetIdle(false);
    EXPECT_TRUE(window.frameBusy);
    Main().ToggleIgnoreStartStop(QkNowMs());
    EXPECT_FALSE(Main().IsIgnoreStartStop());
    // Never polled while an operation runs.
    EXPECT_FALSE(Main().PollStartButton(QkNowMs() + 10000));
    Main().SetIdle(true);
    // The settings dialog sets it back; the flag is written at exit.
    clSettingResult result = QkUnchangedResult(Main().SettingInput());
    result.accepted = true;
    result.ignoreStartStop = true;
    window.settings = result;
    Main().OnSettings();
    EXPECT_TRUE(window.checks[idMenuIgnoreStartStop]);
}

TEST_F(MainLogic, DumpEditorsMarkTheProjectAndCloseBeforeTheSpacesChange)
{
    Start();
    EXPECT_FALSE(Main().IsProjectChanged());
    // A view setting of the editor is a setting of the project; a typed byte
    // changes its data (and the space's checksum).
    Main().OnDumpChanged(1, false);
    EXPECT_FALSE(Main().IsProjectChanged());
    EXPECT_TRUE(Main().IsSettingsChanged());
    const unsigned char byte = 0x00;
    Service().Spaces().Buffer(1).SetByte(clAdrs(0u), &byte);
    Main().OnDumpChanged(1, true);
    EXPECT_TRUE(Main().IsProjectChanged());
    EXPECT_EQ(window.texts[idChkSumValue], "FF01h"); // one 0xFF less
    // Another space's editor leaves the data view alone.
    Main().SetupDevice(2, true);
    Main().OnDumpChanged(4, true);
    EXPECT_FALSE(Main().CurrentView()->IsDataChanged());

    // Before the spaces are rebuilt, before a project replaces them, and
    // before the project is saved at exit.
    window.dumpCloses = 0;
    Main().SetupDevice(1, true);
    EXPECT_EQ(window.dumpCloses, 1);
    Main().LoadProject(MakeProject(3, "other"));
    EXPECT_GE(window.dumpCloses, 2);
    EXPECT_GE(window.dumpClears, 1); // loaded: nothing changed yet
    const int before = window.dumpCloses;
    ui.answers[kMsgQuit] = erIdOk;
    EXPECT_TRUE(Main().QueryClose());
    EXPECT_EQ(window.dumpCloses, before + 1);
}

} // namespace
