#include <cstdlib>
#include <filesystem>
#include <optional>

#include <gtest/gtest.h>

#include "source/app/qktips.h"
#include "source/base/strtable.h"
#include "source/settings/qksettings.h"
#include "source/settings/qksnd.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

namespace {

class Settings : public ::testing::Test {
protected:
    clTempDir dir;
    const std::string path = dir.File("HALVANE/QK-JTAG for windows.ini");
    clQkSettingsStore store{path};
};

TEST_F(Settings, WithoutAFileEveryKeyHasItsDefault)
{
    EXPECT_EQ(QkGetSetting(store, kSetXPos), 90);
    EXPECT_EQ(QkGetSetting(store, kSetYPos), 40);
    EXPECT_EQ(QkGetSetting(store, kSetFlyoverButtons), 1);
    EXPECT_EQ(QkGetSetting(store, kSetTipMode), 2);
    EXPECT_EQ(QkGetSetting(store, kSetMute), 0);
    EXPECT_EQ(QkGetSetting(store, kSetComPort), 0);
    EXPECT_TRUE(QkGetFlag(store, kSetIgnoreStartStop));
    EXPECT_FALSE(QkGetFlag(store, kSetAllowFlash));
    EXPECT_EQ(QkGetLastProject(store), (fs::current_path() / "MyProject.qkp").string());
    EXPECT_TRUE(QkGetDeviceHistory(store).empty());
    clQkActList sounds;
    sounds.Load(store);
    for (const auto& action : sounds.Actions())
        EXPECT_EQ(clQkActList::Format(action), "0,") << action.key;
    // Reading creates nothing.
    EXPECT_FALSE(fs::exists(dir.Path() / "HALVANE"));
}

TEST_F(Settings, EveryKeyReadsBackWhatWasWritten)
{
    QkSetSetting(store, kSetXPos, -20);
    QkSetSetting(store, kSetYPos, 600);
    QkSetSetting(store, kSetFlyoverButtons, 0);
    QkSetSetting(store, kSetTipMode, 1);
    QkSetSetting(store, kSetMute, 1);
    QkSetSetting(store, kSetComPort, 3);
    QkSetFlag(store, kSetIgnoreStartStop, false);
    QkSetFlag(store, kSetAllowFlash, true);
    QkSetLastProject(store, "/work/boards/b.qkp");
    QkSetDeviceHistory(store, {"PHILIPS PCD80710", "ATMEL AT89C51", "", "x", "5", "6", "7", "dropped"});
    clQkActList sounds;
    sounds.Actions()[1].kind = sndWave;
    sounds.Actions()[1].file = "/snd/ready.wav";
    sounds.Actions()[6].kind = sndBeep;
    sounds.Save(store);

    const clQkSettingsStore again(path);
    EXPECT_EQ(QkGetSetting(again, kSetXPos), -20);
    EXPECT_EQ(QkGetSetting(again, kSetYPos), 600);
    EXPECT_EQ(QkGetSetting(again, kSetFlyoverButtons), 0);
    EXPECT_EQ(QkGetSetting(again, kSetTipMode), 1);
    EXPECT_EQ(QkGetSetting(again, kSetMute), 1);
    EXPECT_EQ(QkGetSetting(again, kSetComPort), 3);
    EXPECT_EQ(QkGetSetting(again, kSetIgnoreStartStop), "FALSE");
    EXPECT_EQ(QkGetSetting(again, kSetAllowFlash), "TRUE");
    EXPECT_EQ(QkGetLastProject(again), "/work/boards/b.qkp");
    EXPECT_EQ(QkGetDeviceHistory(again),
              (std::vector<std::string>{"PHILIPS PCD80710", "ATMEL AT89C51", "x", "5", "6", "7"}));
    EXPECT_EQ(again.GetString("Device History", "Device#7", "none"), "7");
    EXPECT_EQ(again.GetString("Actions Sounds", "Ready", ""), "2,/snd/ready.wav");
    EXPECT_EQ(again.GetString("Actions Sounds", "Error", ""), "1,");
    clQkActList loaded;
    loaded.Load(again);
    EXPECT_EQ(loaded.Actions()[1].file, "/snd/ready.wav");
    EXPECT_EQ(loaded.Actions()[1].kind, sndWave);
    EXPECT_EQ(loaded.Actions()[6].kind, sndBeep);
}

TEST_F(Settings, AValueIsFoundOnlyUnderItsOwnTypeAndNameInAnyCase)
{
    store.SetString("Settings", "xPos", "12");
    EXPECT_EQ(QkGetSetting(store, kSetXPos), 90);
    store.SetNumber("Hardware", "COMPORT", 4);
    EXPECT_EQ(QkGetSetting(store, kSetComPort), 4);
    EXPECT_EQ(store.GetString("hardware", "comport", "text"), "text");
    store.SetNumber("HARDWARE", "comPort", 5); // replaces, not adds
    EXPECT_EQ(ReadText(path).find("COMPORT"), std::string::npos);
    EXPECT_EQ(QkGetSetting(store, kSetComPort), 5);
}

TEST_F(Settings, TextsKeepQuotesBackslashesAndLineBreaks)
{
    const std::string text = "C:\\snd\\\"a\" b=c [d]\n\r\tend\x01";
    store.SetString("Actions Sounds", "Startup", text);
    store.SetString("Actions Sounds", "Ready", "");
    EXPECT_EQ(store.GetString("Actions Sounds", "Startup", ""), text);
    EXPECT_EQ(store.GetString("Actions Sounds", "Ready", "default"), "");
}

TEST_F(Settings, BadLinesAreIgnoredAndGoodOnesRead)
{
    fs::create_directories(fs::path(path).parent_path());
    WriteText(path, "xPos=dword:00000001\n" // outside a section
                    "[Settings]\r\n"
                    "xPos=dword:zz\n" // not a number
                    "yPos=dword:00000007\r\n"
                    "lastPrj=\"unterminated\n"
                    "Tip Mode=12\n" // neither type
                    "=dword:00000003\n"
                    "[Broken\n"
                    "Flyover Buttons=dword:00000000\n"
                    "; a comment\n");
    EXPECT_EQ(QkGetSetting(store, kSetXPos), 90);
    EXPECT_EQ(QkGetSetting(store, kSetYPos), 7);
    EXPECT_EQ(QkGetSetting(store, kSetTipMode), 2);
    EXPECT_EQ(QkGetSetting(store, kSetFlyoverButtons), 0);
    EXPECT_NE(QkGetLastProject(store), "unterminated");
    // Writing keeps the good values, and every other line as it was.
    QkSetSetting(store, kSetMute, 1);
    EXPECT_EQ(QkGetSetting(store, kSetYPos), 7);
    EXPECT_EQ(QkGetSetting(store, kSetMute), 1);
    const std::string saved = ReadText(path);
    for (const char* kept : {"xPos=dword:00000001\n", "xPos=dword:zz\n", "Tip Mode=12\n", "[Broken\n", "; a comment\n"})
        EXPECT_NE(saved.find(kept), std::string::npos) << kept << " in\n" << saved;
    EXPECT_TRUE(store.Problem().empty());
}

TEST_F(Settings, AnUnreadableFileGivesDefaultsAndIsNotReplaced)
{
    // A binary file is read as no values.
    fs::create_directories(fs::path(path).parent_path());
    WriteBytes(path, {0x00, 0xFF, '[', 0x0A, 0xC3, '=', 0x00});
    EXPECT_EQ(QkGetSetting(store, kSetXPos), 90);

    // A folder, or a file far larger than settings ever are: defaults, and
    // writes are dropped.
    fs::remove(path);
    fs::create_directories(path);
    QkSetSetting(store, kSetXPos, 1);
    EXPECT_EQ(QkGetSetting(store, kSetXPos), 90);
    EXPECT_TRUE(fs::is_directory(path));
    fs::remove(path);
    WriteText(path, "[Settings]\nxPos=dword:00000005\n" + std::string(2 << 20, ';'));
    EXPECT_EQ(QkGetSetting(store, kSetXPos), 90);
    EXPECT_EQ(store.Problem(), "The settings file " + path + " is larger than 1 MiB: it is neither read nor written.");
    QkSetSetting(store, kSetXPos, 1);
    EXPECT_GT(fs::file_size(path), 2u << 20);

    // No location at all.
    clQkSettingsStore nowhere("");
    nowhere.SetNumber("Settings", "xPos", 1);
    EXPECT_EQ(QkGetSetting(nowhere, kSetXPos), 90);
}

#ifndef _WIN32 // Windows keeps its settings in the registry (tests/windows)
TEST(SettingsPath, TheOverrideComesFirstThenTheConfigFolder)
{
    {
        const clEnvVar settings(kSettingsEnv, "/tmp/elsewhere.ini");
        EXPECT_EQ(QkSettingsPath(), "/tmp/elsewhere.ini");
    }
    const clEnvVar noOverride(kSettingsEnv, nullptr);
    const clEnvVar home("HOME", "/home/u");
    {
        const clEnvVar config("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(QkSettingsPath(), "/cfg/HALVANE/QK-JTAG for windows.ini");
    }
    const clEnvVar relative("XDG_CONFIG_HOME", "rel");
    EXPECT_EQ(QkSettingsPath(), "/home/u/.config/HALVANE/QK-JTAG for windows.ini");
    const clEnvVar noHome("HOME", nullptr);
    EXPECT_EQ(QkSettingsPath(), "");
}
#endif

TEST(ActionSounds, TheActionsComeInOrderWithKeysAndCodes)
{
    const clQkActList list;
    std::vector<std::string> rows;
    for (const auto& a : list.Actions())
        rows.push_back(a.name + "|" + a.key + "|" + std::to_string(a.action));
    EXPECT_EQ(rows, (std::vector<std::string>{"Startup|Startup|18", "Ready|Ready|14", "Abort|Abort|11",
                                              "Failed|Failed|12", "Information Dialog|InfoDlg|16",
                                              "Warning Dialog|WarnDlg|17", "Error Dialog|Error|15"}));
    ASSERT_NE(list.FindAction(15), nullptr);
    EXPECT_EQ(list.FindAction(15)->key, "Error");
    EXPECT_EQ(list.FindAction(13), nullptr);
}

TEST(ActionSounds, StoredValuesAreSplitAtTheFirstComma)
{
    const auto parse = [](const std::string& stored) {
        clSndActInfo info;
        info.kind = sndWave;
        info.file = "old";
        clQkActList::Parse(stored, info);
        return std::to_string(info.kind) + "|" + info.file;
    };
    EXPECT_EQ(parse("2,c:\\snd\\a.wav"), "2|c:\\snd\\a.wav");
    EXPECT_EQ(parse("7,kept.wav"), "0|kept.wav");
    EXPECT_EQ(parse("-1,x"), "0|x");
    EXPECT_EQ(parse("1,a,b.wav"), "1|a,b.wav");
    EXPECT_EQ(parse("1"), "0|");
    EXPECT_EQ(parse(""), "0|");
    EXPECT_EQ(parse("beep,x"), "0|x");
}

TEST(Tips, TheProgramHasThirteenTipsEachOpeningWithATab)
{
    EXPECT_EQ(QkCountTips(), 13);
    for (unsigned id = kFirstTipId; id < kFirstTipId + 13; ++id) {
        EXPECT_EQ(QkLoadString(id)[0], '\t') << id;
    }
    EXPECT_STREQ(QkLoadString(kFirstTipId + 13), "");
}

TEST(Tips, TheHalvingProbeCountsAnyRunOfTips)
{
    for (int n = 0; n <= 300; ++n) {
        const auto exists = [n](unsigned id) { return id >= kFirstTipId && id < kFirstTipId + unsigned(n); };
        EXPECT_EQ(QkCountTips(exists), n);
    }
}

} // namespace
