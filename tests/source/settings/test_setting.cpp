// The settings dialog without its window: the device list with its filter,
// vendor choice and counts, the history, the port list and the ports' paths,
// the sound page, one opening of the dialog, and applying its result.
#include <algorithm>

#include <gtest/gtest.h>

#include "comm/comports.h"
#include "qkdb/dbase32.h"
#include "source/project/qkopts.h"
#include "source/settings/qksettings.h"
#include "source/settings/setsession.h"
#include "tests/testutil.h"

namespace {

std::vector<std::string> Names(const clChpSelModel& model)
{
    std::vector<std::string> names;
    for (const clChpRow* row : model.List())
        names.push_back(row->name);
    return names;
}

// Two vendors besides an empty one, listed in the database's display order.
clChpSelModel Sample()
{
    std::vector<clChpVendor> vendors{{1, "ALL"}, {2, "PHILIPS"}, {3, "ATMEL"}};
    std::vector<clChpRow> rows{
        {10, 3, "ATMEL", "AT89C51", "DIP40", 2, 0},
        {11, 2, "PHILIPS", "P87C51FA", "PLCC44", 1, 1},
        {12, 2, "PHILIPS", "P89C51RD", "PLCC44", 1, 2},
        {13, 3, "ATMEL", "AT89S51F", "DIP40", 2, 3},
        {14, 2, "PHILIPS", "PCD80710", "PCD80710 Adapter", 1, 4},
    };
    return clChpSelModel(rows, vendors);
}

TEST(DeviceList, RowsFollowVendorOrderThenTheDisplayList)
{
    const clChpSelModel model = Sample();
    EXPECT_EQ(Names(model), (std::vector<std::string>{"P87C51FA", "P89C51RD", "PCD80710", "AT89C51", "AT89S51F"}));
    const clDataBase db(GetDLLDBaseInstance());
    const auto rows = QkReadDeviceRows(db);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows.front().name, "PCD80703");
    EXPECT_EQ(rows.front().vendor, "PHILIPS");
    EXPECT_EQ(rows.front().adapter, "PCD8070X Adapter");
    EXPECT_EQ(rows.back().name, "PCD80724");
}

TEST(DeviceList, EmptyFilterListsEverythingUnderAllDevices)
{
    const clChpSelModel model = Sample();
    EXPECT_EQ(model.VendorChoice(), (std::vector<std::string>{"all devices", "PHILIPS", "ATMEL"}));
    EXPECT_EQ(model.ChosenVendor(), 0);
    EXPECT_EQ(model.CountsText(), "Total Devices: 5\nTotal Filtered Devices: 5\nTotal Vendor Filtered Device: 5\n"
                                  "Filtered Group devices: 5");
}

TEST(DeviceList, FilterCharactersInOrderAndQuestionMarks)
{
    clChpSelModel model = Sample();
    model.SetFilter("51f");
    EXPECT_EQ(Names(model), (std::vector<std::string>{"P87C51FA", "AT89S51F"}));
    // "5", "1" and "?" need a character after the 1.
    model.SetFilter("51?");
    EXPECT_EQ(Names(model), (std::vector<std::string>{"P87C51FA", "P89C51RD", "AT89S51F"}));
    model.SetFilter("?");
    EXPECT_EQ(model.List().size(), 5u);
}

TEST(DeviceList, VendorOnlyMatchesLeaveOutAllDevicesAndChoiceSurvivesRefilter)
{
    clChpSelModel model = Sample();
    model.ChooseVendor(2); // ATMEL
    EXPECT_EQ(Names(model), (std::vector<std::string>{"AT89C51", "AT89S51F"}));
    model.SetFilter("ATM 51F");
    // Only "vendor device" matches: no "all devices".
    EXPECT_EQ(model.VendorChoice(), (std::vector<std::string>{"ATMEL"}));
    EXPECT_EQ(model.ChosenVendor(), 0);
    EXPECT_EQ(Names(model), (std::vector<std::string>{"AT89S51F"}));
    EXPECT_EQ(model.Counts().filtered, 0u);
    EXPECT_EQ(model.Counts().vendorFiltered, 1u);
    model.SetFilter("51");
    EXPECT_EQ(model.VendorChoice()[static_cast<std::size_t>(model.ChosenVendor())], "ATMEL");
    model.ChooseVendor(7); // out of range: nothing changes
    EXPECT_EQ(model.VendorChoice()[static_cast<std::size_t>(model.ChosenVendor())], "ATMEL");
}

TEST(DeviceList, NothingLeftEmptiesTheListWithZeroCounts)
{
    clChpSelModel model = Sample();
    model.SetFilter("XYZ");
    EXPECT_TRUE(model.VendorChoice().empty());
    EXPECT_EQ(model.ChosenVendor(), -1);
    EXPECT_TRUE(model.List().empty());
    EXPECT_EQ(model.CountsText(), "Total Devices: 5\nTotal Filtered Devices: 0\nTotal Vendor Filtered Device: 0\n"
                                  "Filtered Group devices: 0");
}

TEST(DeviceHistory, NewestFirstWithoutDuplicatesAtMostSeven)
{
    std::vector<std::string> history;
    for (int i = 1; i <= 8; ++i)
        history = QkPushHistory(history, "V D" + std::to_string(i));
    EXPECT_EQ(history, (std::vector<std::string>{"V D8", "V D7", "V D6", "V D5", "V D4", "V D3", "V D2"}));
    history = QkPushHistory(history, "V D4");
    EXPECT_EQ(history, (std::vector<std::string>{"V D4", "V D8", "V D7", "V D6", "V D5", "V D3", "V D2"}));
}

TEST(PortList, ComPortsThenTheCurrentPortAboveNThenScan)
{
    const auto entries = QkPortEntries(4, 12);
    std::vector<std::string> names;
    for (const auto& entry : entries)
        names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4", "COM12", "Scan"}));
    EXPECT_EQ(QkPortEntryIndex(entries, 12), 4);
    EXPECT_EQ(QkPortEntryIndex(entries, 0), 5);
    EXPECT_EQ(QkPortEntries(4, 101).size(), 5u); // 101 is no COM number
    EXPECT_EQ(QkPortEntries(4, 3).size(), 5u);
    EXPECT_EQ(QkPortEntryText(entries[0], "/dev/ttyUSB0"), "COM1 (/dev/ttyUSB0)");
    EXPECT_EQ(QkPortEntryText(entries[5], "/x"), "Scan");
}

#ifndef _WIN32 // ports named by device paths are a POSIX matter
TEST(PortList, PathsAreKeptInTheSettingsAndMappedAtStart)
{
    clTempDir dir;
    clQkSettingsStore store(dir.File("s.ini"));
    QkSetPortPath(store, 2, "/dev/serial/by-id/usb-QK");
    QkSetPortPath(store, 12, "/tmp/qkjtag");
    QkSetPortPath(store, 0, "/dev/nothing");
    QkSetPortPath(store, 101, "/dev/nothing");
    EXPECT_EQ(QkGetPortPaths(store),
              (std::map<int, std::string>{{2, "/dev/serial/by-id/usb-QK"}, {12, "/tmp/qkjtag"}}));
    QkSetPortPath(store, 2, "");
    EXPECT_EQ(QkGetPortPaths(store).size(), 1u);
    QkMapStoredPorts(store);
    EXPECT_EQ(ComPortPath(12), "/tmp/qkjtag");
    ComClearPortMap();

    EXPECT_EQ(QkPortPathProblem(""), "");
    EXPECT_EQ(QkPortPathProblem("/dev/ttyUSB7"), ""); // may come later
    EXPECT_EQ(QkPortPathProblem("ttyUSB0"), "ttyUSB0 is not an absolute path");
    EXPECT_EQ(QkPortPathProblem(dir.Path().string()), dir.Path().string() + " is a directory, not a serial device");
    EXPECT_NE(QkPortPathProblem(dir.File("s.ini")).find("regular file"), std::string::npos);
}
#endif

TEST(SoundPage, EntriesFollowTheKindAndEditsStayOnTheCopy)
{
    clQkActList sounds;
    sounds.Actions()[1].kind = sndWave;
    sounds.Actions()[1].file = "/home/user/sounds/chimes/ready.wav";
    clSndPage page(sounds, true);
    EXPECT_EQ(page.CurrentEntry(), -1);
    page.SelectAction(0);
    EXPECT_EQ(page.Entries([](const std::string&) { return true; }),
              (std::vector<std::string>{"[None]", "[Speaker Beep]"}));
    page.ChooseEntry(2); // no file: no wave entry to choose
    EXPECT_EQ(page.CurrentEntry(), sndNone);
    page.ChooseEntry(1);
    EXPECT_EQ(page.Current()->kind, sndBeep);

    page.SelectAction(1);
    const auto entries = page.Entries([](const std::string& text) { return text.size() <= 20; });
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2], "/.../ready.wav");
    EXPECT_EQ(page.CurrentEntry(), sndWave);
    page.ChooseEntry(0);
    page.SetFile("/tmp/bell.wav");
    EXPECT_EQ(page.Current()->kind, sndWave);
    EXPECT_EQ(page.PlaySound()->file, "/tmp/bell.wav"); // muted or not
    EXPECT_TRUE(page.IsMuted());
    EXPECT_EQ(sounds.Actions()[1].file, "/home/user/sounds/chimes/ready.wav");
}

TEST(SoundPage, PathsLoseLeadingFoldersUntilTheyFit)
{
    auto fitsIn = [](std::size_t n) { return [n](const std::string& text) { return text.size() <= n; }; };
    EXPECT_EQ(QkFitPath("/a/b/c.wav", fitsIn(100)), "/a/b/c.wav");
    EXPECT_EQ(QkFitPath("/aa/bb/cc/d.wav", fitsIn(13)), "/.../cc/d.wav");
    EXPECT_EQ(QkFitPath("/aa/bb/cc/d.wav", fitsIn(2)), "/.../d.wav");
    EXPECT_EQ(QkFitPath("d.wav", fitsIn(2)), "d.wav");
}

class Session : public ::testing::Test {
protected:
    Session()
    {
        input.db = &db;
        input.settings = &store;
        input.device = 1;
        input.port = 12;
        input.lastCom = 4;
    }
    clDataBase db{GetDLLDBaseInstance()};
    clTempDir dir;
    clQkSettingsStore store{dir.File("s.ini")};
    clSettingInput input;
};

TEST_F(Session, OpensOnTheCurrentDeviceAndPort)
{
    clSettingSession session(input);
    EXPECT_EQ(session.ChosenDevice(), 1);
    EXPECT_EQ(session.InfoText().rfind("Device: PCD80710\n", 0), 0u);
    EXPECT_EQ(session.ChosenPort(), 12);
    EXPECT_EQ(session.Ports().size(), 6u);
    const clSettingResult result = session.Accept();
    EXPECT_TRUE(result.accepted);
    EXPECT_EQ(result.device, 0);
    EXPECT_EQ(result.port, -1);
    EXPECT_FALSE(result.reconnect);
    EXPECT_EQ(QkGetDeviceHistory(store), (std::vector<std::string>{"PHILIPS PCD80710"}));
}

TEST_F(Session, FilteringAwayTheChosenDeviceShowsTheCounts)
{
    clSettingSession session(input);
    session.ApplyFilter("8070?");
    EXPECT_EQ(session.ChosenDevice(), 0);
    EXPECT_EQ(session.InfoText(), "Total Devices: 8\nTotal Filtered Devices: 3\nTotal Vendor Filtered Device: 3\n"
                                  "Filtered Group devices: 3");
    session.ChooseDevice(1); // not listed
    EXPECT_EQ(session.ChosenDevice(), 0);
    session.ChooseDevice(7);
    EXPECT_EQ(session.Accept().device, 7);
}

TEST_F(Session, EightDevicesChosenInTurnLeaveSevenInTheHistory)
{
    const clChpSelModel model(db);
    for (const clChpRow& row : model.Rows()) {
        clSettingSession session(input);
        session.ChooseDevice(row.chipId);
        session.Accept();
    }
    const auto history = QkGetDeviceHistory(store);
    ASSERT_EQ(history.size(), 7u);
    EXPECT_EQ(history.front(), QkHistoryEntry(model.Rows().back()));
    EXPECT_EQ(history.back(), QkHistoryEntry(model.Rows()[1]));
    // A history entry picked from the drop-down chooses its device.
    clSettingSession session(input);
    session.ApplyFilter("zzz");
    session.PickHistory(history[2]);
    EXPECT_EQ(session.ChosenDevice(), model.FindEntry(history[2])->chipId);
}

TEST_F(Session, CancelKeepsOnlyTheReconnection)
{
    clSettingSession session(input);
    session.Edits().flash = true;
    session.ChoosePort(2);
    session.ChooseDevice(3);
    session.RequestReconnect();
    const clSettingResult result = session.Cancel();
    EXPECT_FALSE(result.accepted);
    EXPECT_TRUE(result.reconnect);
    EXPECT_FALSE(result.flash);
    EXPECT_EQ(result.port, -1);
    EXPECT_EQ(result.device, 0);
    EXPECT_TRUE(QkGetDeviceHistory(store).empty());
}

TEST_F(Session, PortPathsAreCheckedKeptAndMapped)
{
    clSettingSession session(input);
    EXPECT_EQ(session.SetPortPath(3, "relative"), "relative is not an absolute path");
    EXPECT_EQ(session.PortPath(3), "");
    EXPECT_EQ(session.SetPortPath(12, "/tmp/qk-sim-link"), "");
    EXPECT_EQ(session.PortText(session.Ports()[4]), "COM12 (/tmp/qk-sim-link)");
    const clSettingResult result = session.Accept();
    EXPECT_TRUE(result.reconnect); // the port in use leads elsewhere now
    EXPECT_EQ(QkGetPortPaths(store).at(12), "/tmp/qk-sim-link");
    EXPECT_EQ(ComPortPath(12), "/tmp/qk-sim-link");
    clSettingSession again(input);
    EXPECT_EQ(again.SetPortPath(12, ""), "");
    EXPECT_TRUE(again.Accept().reconnect);
    EXPECT_NE(ComPortPath(12), "/tmp/qk-sim-link");
    EXPECT_TRUE(QkGetPortPaths(store).empty());
    ComClearPortMap();
}

TEST_F(Session, FrequencyIsCheckedOnlyWhereItIsShown)
{
    EXPECT_TRUE(QkFrequencyValid("4Mhz"));
    EXPECT_TRUE(QkFrequencyValid("400K"));
    EXPECT_FALSE(QkFrequencyValid("fast"));
    EXPECT_FALSE(QkFrequencyValid("999M"));
    EXPECT_FALSE(QkFrequencyValid(std::string(21, '1')));
    clSettingSession session(input);
    session.Edits().frequency = "fast";
    EXPECT_EQ(session.Check(), "");
    input.showFrequency = true;
    clSettingSession shown(input);
    shown.Edits().frequency = "fast";
    EXPECT_EQ(shown.Check(), "Invalid crystal frequency.\nPlease re-type the desired frequency.");
}

// Applying: every step the main window takes, in order.
class clTargetLog : public clSettingTarget {
public:
    void ShowReady() override { steps.push_back("ready"); }
    void Reconnect() override { steps.push_back("reconnect"); }
    void SetFrequency(const std::string& text) override { steps.push_back("frequency " + text); }
    void SetMute(bool mute) override { steps.push_back(mute ? "mute on" : "mute off"); }
    void SetSounds(const clQkActList&) override { steps.push_back("sounds"); }
    void SetFlyOver(bool on) override { steps.push_back(on ? "flyover" : "standard"); }
    void MarkProjectChanged() override { steps.push_back("project changed"); }
    void SetIgnoreStartStop(bool on) override { steps.push_back(on ? "ignore on" : "ignore off"); }
    void SetFlash(bool on) override { steps.push_back(on ? "flash on" : "flash off"); }
    void SetPort(int port) override { steps.push_back("port " + std::to_string(port)); }
    bool HasProtocol() override { return protocol; }
    void PostConnect(int port) override { steps.push_back("connect " + std::to_string(port)); }
    void SelectDevice(unsigned short id) override { steps.push_back("device " + std::to_string(id)); }
    void Refresh() override { steps.push_back("refresh"); }
    void ApplyButtonStyle(bool on) override { steps.push_back(on ? "style flyover" : "style standard"); }
    void BuildUpdateImage() override { steps.push_back("update image"); }

    bool protocol = false;
    std::vector<std::string> steps;
};

TEST(ApplySettings, AnUnchangedDialogTouchesNeitherProjectPortNorDevice)
{
    TBscOptServer options(kQkOptArrayName);
    QkRegisterOptions(options);
    clSettingInput input;
    clTargetLog target;
    QkApplySettings(input, QkUnchangedResult(input), options, target);
    EXPECT_EQ(target.steps,
              (std::vector<std::string>{"ready", "frequency 4Mhz", "mute off", "sounds", "flyover", "ignore on"}));
}

TEST(ApplySettings, EveryChangeInTheStatedOrder)
{
    TBscOptServer options(kQkOptArrayName);
    QkRegisterOptions(options);
    options.Set(QkSpaceOptId(3, spcCLThree), true);
    clSettingInput input;
    clSettingResult result = QkUnchangedResult(input);
    result.reconnect = true;
    result.frequency = "12M";
    result.mute = true;
    result.flyOver = false;
    result.autoOptions.erase = 1;
    result.flash = true;
    result.ignoreStartStop = false;
    result.port = 3;
    result.device = 5;
    result.bootUpdate = true;
    clTargetLog target;
    QkApplySettings(input, result, options, target);
    EXPECT_EQ(target.steps,
              (std::vector<std::string>{"ready", "reconnect", "frequency 12M", "mute on", "sounds", "standard",
                                        "project changed", "ignore off", "flash on", "port 3", "connect 3", "device 5",
                                        "refresh", "style standard", "update image"}));
    EXPECT_EQ(QkReadAutoOptions(options).erase, 1);
    bool three = true;
    std::uint32_t state = 0;
    options.Get(QkSpaceOptId(3, spcCLThree), three);
    options.Get(QkSpaceOptId(3, spcCLState), state);
    EXPECT_FALSE(three);
    EXPECT_EQ(state, 1u);
}

TEST(ApplySettings, APortOfAnActiveProtocolWaitsAndCancelOnlyReconnects)
{
    TBscOptServer options(kQkOptArrayName);
    QkRegisterOptions(options);
    clSettingInput input;
    clSettingResult result = QkUnchangedResult(input);
    result.port = 2;
    clTargetLog target;
    target.protocol = true;
    QkApplySettings(input, result, options, target);
    EXPECT_EQ(std::count(target.steps.begin(), target.steps.end(), "port 2"), 1);
    EXPECT_EQ(std::count(target.steps.begin(), target.steps.end(), "connect 2"), 0);

    clTargetLog cancelled;
    result.reconnect = false;
    QkApplyCancelled(result, cancelled);
    EXPECT_TRUE(cancelled.steps.empty());
    result.reconnect = true;
    QkApplyCancelled(result, cancelled);
    EXPECT_EQ(cancelled.steps, (std::vector<std::string>{"reconnect"}));
}

} // namespace
