// The device update image from sample files in a temporary "Update" folder:
// the bytes at the application, boot and parameter ranges, the parameter
// block itself, and the failures that leave the buffer alone.
#include <filesystem>

#include <gtest/gtest.h>

#include "comm/qkcalc.h"
#include "cpplib/bitrev.h"
#include "qkdb/dbase32.h"
#include "source/project/qkopts.h"
#include "source/settings/updimage.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

namespace {

std::vector<unsigned char> Counting(std::size_t size, unsigned char seed)
{
    std::vector<unsigned char> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(seed + i * 3);
    return bytes;
}

std::vector<unsigned char> Bytes(const clQKHugeBufIntr& buf, std::uint32_t start, std::size_t count)
{
    std::vector<unsigned char> bytes(count);
    buf.Read(clAdrs(start), clAdrs(start + static_cast<std::uint32_t>(count) - 1), bytes.data());
    return bytes;
}

TEST(UpdateImage, FamiliesByDeviceId)
{
    EXPECT_EQ(QkUpdateFamily(6).folder, "Update/80718");
    EXPECT_EQ(QkUpdateFamily(7).application, "Al8072X.bin");
    EXPECT_EQ(QkUpdateFamily(8).boot, "B8070X.bin");
    EXPECT_TRUE(QkUpdateFamily(8).plainCopy);
    const clUpdateFamily other = QkUpdateFamily(2);
    EXPECT_EQ(other.folder, "Update/80712");
    EXPECT_EQ(other.application, "Al80712.bin");
    EXPECT_EQ(other.boot, "B80712.bin");
    EXPECT_FALSE(other.plainCopy);
}

TEST(UpdateImage, ParameterBlockLayout)
{
    clStandAloneParams params;
    params.cmdStart = 0x00012345;
    params.cmdStop = 0x000FFFFF;
    params.timing = 0x0019A2B3;
    params.timingFlag = 2;
    params.deviceValue1 = 0x33;
    params.deviceValue2 = 0x44;
    params.sigChk = 1;
    params.blnkChk = 0;
    params.erase = 1;
    params.description = "Line 3 board, rev B"; // longer than the 15 places
    const auto block = QkStandAloneBlock(params);
    std::array<unsigned char, 63> expected;
    expected.fill(0xFF);
    const unsigned char set[][2] = {
        {16, 0x00}, {17, 0x01}, {18, 0x23}, {19, 0x45}, {21, 0x00}, {22, 0x0F}, {23, 0xFF}, {24, 0xFF},
        {26, 0x00}, {27, 0x19}, {28, 0xA2}, {29, 0xB3}, {32, 0x33}, {33, 2},    {34, 0},    {35, 0x44},
        {37, 1},    {38, 0},    {39, 1},    {42, 0x55}, {43, 0xAA}, {44, 0x79}, {45, 0x97},
    };
    for (const auto& [offset, value] : set)
        expected[offset] = value;
    std::copy_n("Line 3 board, r", 15, expected.begin() + 48);
    EXPECT_EQ(block, expected);

    params.description = "Lab";
    const auto shortText = QkStandAloneBlock(params);
    EXPECT_EQ(shortText[50], 'b');
    EXPECT_EQ(shortText[51], 0xFF);
}

TEST(UpdateImage, ParametersComeFromTheDeviceTheRangeAndTheOptions)
{
    const clDataBase db(GetDLLDBaseInstance());
    const clDBChip chip = db.GetChip(4); // PCD80718: algorithm 3, device id 6
    clQKHugeBufIntr buf("Data");
    buf.SetParams(0x100000, clAdrs(0));
    buf.SetCmdAddresses(clAdrs(0x1000), clAdrs(0x7FFFF));
    const clStandAloneParams params = QkStandAloneParams(chip, buf, {1, 1, 0, 0}, "desc");
    EXPECT_EQ(params.cmdStart, 0x1000u);
    EXPECT_EQ(params.cmdStop, 0x7FFFFu);
    EXPECT_EQ(params.deviceValue1, 3);
    EXPECT_EQ(params.deviceValue2, 6);
    unsigned char doublings = 9;
    EXPECT_EQ(params.timing, static_cast<std::uint32_t>(QkParseFrequency(400000.0f, doublings)));
    EXPECT_NE(params.timing, 0u);
    EXPECT_EQ(params.timingFlag, doublings);
    EXPECT_EQ(params.sigChk, 1);
    EXPECT_EQ(params.blnkChk, 1);
    EXPECT_EQ(params.erase, 0);
}

class UpdateFolder : public ::testing::Test {
protected:
    UpdateFolder()
    {
        fs::create_directories(program.Path() / family.folder);
        WriteBytes((program.Path() / family.folder / family.application).string(), application);
        WriteBytes((program.Path() / family.folder / family.boot).string(), boot);
        buffer.SetParams(0x100000, clAdrs(0));
        const unsigned char zero = 0;
        buffer.Fill(clAdrs(0), clAdrs(0xFFFFF), &zero);
        params.cmdStart = 0x10;
        params.cmdStop = 0xFFFF;
        params.description = "Station 1";
    }
    clUpdateResult Build()
    {
        return QkBuildUpdateImage(program.Path().string(), project.Path().string(), family, params, buffer,
                                  [this](const char* text) { texts.push_back(text); });
    }

    clTempDir program;
    clTempDir project;
    clUpdateFamily family = QkUpdateFamily(6);
    // The application runs past the parameter block and into the boot range.
    std::vector<unsigned char> application = Counting(0xF1000, 1);
    std::vector<unsigned char> boot = Counting(0x200, 0x80);
    clStandAloneParams params;
    clQKHugeBufIntr buffer{"Data"};
    std::vector<std::string> texts;
};

TEST_F(UpdateFolder, FilesLandAtTheirRangesAndTheRestIsErased)
{
    const clUpdateResult result = Build();
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.applicationFile, (program.Path() / "Update" / "80718" / "Al80718.bin").string());
    EXPECT_EQ(texts, (std::vector<std::string>{"preparing to load files...", "loading files into RAM..."}));
    EXPECT_EQ(buffer.GetCmdStartAdrs().GetLinear(), 0u);
    EXPECT_EQ(buffer.GetCmdStopAdrs().GetLinear(), 0xFFFFFu);
    EXPECT_EQ(Bytes(buffer, 0, 0x100), std::vector<unsigned char>(application.begin(), application.begin() + 0x100));
    const auto block = QkStandAloneBlock(params);
    EXPECT_EQ(Bytes(buffer, 0xE0000, 63), std::vector<unsigned char>(block.begin(), block.end()));
    // After the block the application goes on.
    EXPECT_EQ(Bytes(buffer, 0xE003F, 1)[0], application[0xE003F]);
    EXPECT_EQ(Bytes(buffer, 0xF0000, 0x200), boot);
    // Under the boot file's end the application goes on, up to its own end.
    EXPECT_EQ(Bytes(buffer, 0xF0200, 1)[0], application[0xF0200]);
    EXPECT_EQ(Bytes(buffer, 0xF1000, 1)[0], 0xFF);
    EXPECT_EQ(Bytes(buffer, 0xF8000, 0x8000), std::vector<unsigned char>(0x8000, 0xFF));
    // The temporary file is gone.
    EXPECT_EQ(CountFiles(project.Path()), 0u);
}

TEST_F(UpdateFolder, OtherFamiliesGoInBitReversed)
{
    family = QkUpdateFamily(1);
    fs::create_directories(program.Path() / family.folder);
    WriteBytes((program.Path() / family.folder / family.application).string(), {0x01, 0x80, 0x0F});
    WriteBytes((program.Path() / family.folder / family.boot).string(), {0x03});
    ASSERT_TRUE(Build().ok);
    EXPECT_EQ(Bytes(buffer, 0, 4), (std::vector<unsigned char>{0x80, 0x01, 0xF0, 0xFF}));
    EXPECT_EQ(Bytes(buffer, 0xF0000, 1)[0], 0xC0);
    EXPECT_EQ(Bytes(buffer, 0xE002A, 4), (std::vector<unsigned char>{QkReverseBits(0x55), QkReverseBits(0xAA),
                                                                     QkReverseBits(0x79), QkReverseBits(0x97)}));
}

TEST_F(UpdateFolder, AMissingFileOrASmallBufferLeavesTheBufferAlone)
{
    fs::remove(program.Path() / family.folder / family.boot);
    clUpdateResult result = Build();
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("B80718.bin"), std::string::npos) << result.error;
    EXPECT_EQ(Bytes(buffer, 0, 16), std::vector<unsigned char>(16, 0));
    EXPECT_EQ(CountFiles(project.Path()), 0u);

    WriteBytes((program.Path() / family.folder / family.boot).string(), boot);
    buffer.SetParams(0x60000, clAdrs(0));
    result = Build();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "The device update image needs the Data space from 0h to FFFFFh; it holds 0h to 5FFFFh.");

    result = QkBuildUpdateImage("", project.Path().string(), family, params, buffer, [](const char*) {});
    EXPECT_EQ(result.error, "Can not find module name!!!");
}

TEST_F(UpdateFolder, TheSpaceRemembersTheApplicationFile)
{
    TBscOptServer options(kQkOptArrayName);
    QkRegisterOptions(options);
    QkRecordUpdateImage(options, 1, "/opt/qk/Update/80718/Al80718.bin");
    std::string file;
    std::uint8_t kind = 0;
    options.Get(QkSpaceOptId(1, spcFileName), file);
    options.Get(QkSpaceOptId(1, spcFileType), kind);
    EXPECT_EQ(file, "/opt/qk/Update/80718/Al80718.bin");
    EXPECT_EQ(kind, 1);
    EXPECT_FALSE(QkProgramFolder().empty());
}

} // namespace
