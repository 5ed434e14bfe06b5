// What only Windows has: the settings in the registry, file names in UTF-16,
// and C++ exceptions and strings passing between our DLLs, each of which
// carries its own copy of the C++ runtime.
#include <filesystem>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include <windows.h>

#include "cladrs/cladrs.h"
#include "cpplib/qkfile.h"
#include "cpplib/qkpath.h"
#include "err/qkexpt.h"
#include "source/settings/qkreg.h"
#include "tests/testutil.h"

namespace {

// A key of its own below HKEY_CURRENT_USER, removed afterwards.
class Registry : public testing::Test {
protected:
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, subkey.c_str()); }
    std::string subkey = "SOFTWARE\\HALVANE\\QK-JTAG test " + std::to_string(std::random_device{}());
    std::string key = "HKEY_CURRENT_USER\\" + subkey;
};

TEST_F(Registry, ValuesComeBackWithTheirTypeAndOthersGiveTheDefault)
{
    clQkSettingsStore store(key);
    EXPECT_EQ(store.GetNumber("Settings", "xPos", 90), 90u); // no key yet
    store.SetNumber("Settings", "xPos", 1234);
    store.SetString("Hardware", "Com path", "C:\\Prüfung\\ü.qkp");
    EXPECT_EQ(store.GetNumber("Settings", "xPos", 90), 1234u);
    EXPECT_EQ(store.GetString("Hardware", "Com path", ""), "C:\\Prüfung\\ü.qkp");
    EXPECT_EQ(store.GetString("Settings", "xPos", "text"), "text"); // a number is no text
    EXPECT_EQ(store.GetNumber("Hardware", "Com path", 7), 7u);
    EXPECT_EQ(store.GetNumber("Settings", "yPos", 40), 40u);
    EXPECT_EQ(store.Problem(), "");

    // Where the system keeps them: one key per section, REG_DWORD and REG_SZ.
    DWORD value = 0, size = sizeof value, type = 0;
    ASSERT_EQ(
        RegGetValueA(HKEY_CURRENT_USER, (subkey + "\\Settings").c_str(), "xPos", RRF_RT_ANY, &type, &value, &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 1234u);
}

TEST_F(Registry, TheProgramsOwnKeyUnlessTheEnvironmentNamesAnother)
{
    {
        const clEnvVar none(kSettingsEnv, nullptr);
        EXPECT_EQ(QkSettingsPath(), "HKEY_CURRENT_USER\\SOFTWARE\\HALVANE\\QK-JTAG for windows");
    }
    const clEnvVar elsewhere(kSettingsEnv, key.c_str());
    EXPECT_EQ(QkSettingsPath(), key);
}

TEST(WideNames, AFileWithLettersBeyondAsciiIsWrittenReplacedAndRead)
{
    clTempDir dir;
    const std::string name = QkPathText(dir.Path()) + "\\Prüfung ß.bin";
    std::string error;
    ASSERT_TRUE(QkWriteFileAtomically(name, "old", 3, &error)) << error;
    ASSERT_TRUE(QkWriteFileAtomically(name, "new!", 4, &error)) << error;
    EXPECT_EQ(QkCheckInputFile(name), "");
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / L"Prüfung ß.bin"));
    EXPECT_EQ(CountFiles(dir.Path()), 1u); // no temporary file left
    std::FILE* file = QkOpenFile(name, "rb");
    ASSERT_NE(file, nullptr);
    char text[8] = {};
    EXPECT_EQ(std::fread(text, 1, sizeof text, file), 4u);
    std::fclose(file);
    EXPECT_STREQ(text, "new!");
}

TEST(Modules, AnExceptionRaisedInOneDllIsCaughtInAnotherWithItsText)
{
    // clAdrs lives in qkcom32.dll, the exception classes in qkerr32.dll.
    clAdrs address;
    std::istringstream tooShort("abc");
    try {
        address.Load(tooShort);
        FAIL() << "nothing raised";
    } catch (const clBscExpt& e) {
        EXPECT_NE(dynamic_cast<const clXIO*>(&e), nullptr);
        const std::string file = e.GetFile(); // made in one module, freed in this one
        EXPECT_EQ(file, "..\\CPPLIB\\CLUTIL.H");
    }
}

} // namespace
