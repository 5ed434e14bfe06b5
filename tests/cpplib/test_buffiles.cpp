#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cpplib/qk51buff.h"
#include "err/qkerr.h"
#include "err/uisrv.h"
#include "tests/cpplib/bufcheck.h"
#include "tests/testutil.h"

namespace {

// Records message boxes instead of printing them.
class clRecordingUi : public clUiServices {
public:
    clRecordingUi() { QkSetUi(this); }
    ~clRecordingUi() override { QkSetUi(nullptr); }
    int MessageBox(const char* text, const char* caption, unsigned char option) override
    {
        texts.push_back(text);
        captions.push_back(caption);
        options.push_back(option);
        return erIdOk;
    }
    int ShowError(const clBasicErr&) override { return erIdAbort; }
    std::vector<std::string> texts, captions;
    std::vector<unsigned char> options;
};

std::vector<unsigned char> Contents(const clHugeBuffer<unsigned char>& buf)
{
    std::vector<unsigned char> out(buf.GetSize());
    buf.Read(buf.GetStartAdrs(), buf.GetStopAdrs(), out.data());
    return out;
}

std::vector<unsigned char> Counting(std::size_t n, unsigned char first = 0)
{
    std::vector<unsigned char> out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<unsigned char>(first + i);
    return out;
}

TEST(BufferStream, RoundTripReproducesNameSizeStartAndBytes)
{
    clQKHugeBuffer source("Encryption");
    ASSERT_EQ(source.SetParams(300, clAdrs(adrsSegment, 0x1000, 0x20)), 1);
    const auto bytes = Counting(300, 7);
    source.Write(source.GetStartAdrs(), source.GetStopAdrs(), bytes.data());
    std::stringstream stream;
    source.SaveToStream(stream);
    EXPECT_EQ(stream.str().size(), 1u + 10 + 4 + 10 + 300);
    EXPECT_EQ(stream.str().substr(0, 11), std::string("\x0A") + "Encryption");

    clQKHugeBuffer target;
    target.LoadFromStream(stream);
    EXPECT_STREQ(target.GetName(), "Encryption");
    EXPECT_EQ(target.GetSize(), 300u);
    EXPECT_TRUE(target.GetStartAdrs().SameFields(source.GetStartAdrs()));
    EXPECT_EQ(Contents(target), bytes);
}

TEST(BufferStream, SavingAnEmptyBufferRaises)
{
    clQKHugeBuffer empty("x");
    std::stringstream stream;
    EXPECT_EQ(Where(Raised([&] { empty.SaveToStream(stream); })), "clXConstructor@..\\CPPLIB\\CLBUFFER.H:1132");
}

TEST(BufferStream, ALyingSizeIsRefusedAndTheBufferKept)
{
    clQKHugeBuffer source("Data");
    ASSERT_EQ(source.SetParams(16, clAdrs(0u)), 1);
    std::stringstream good;
    source.SaveToStream(good);
    std::string bytes = good.str();
    // Claim 0xFFFFFFF0 bytes where 16 follow.
    const std::size_t sizeField = 1 + 4;
    bytes[sizeField] = '\xF0';
    bytes[sizeField + 1] = bytes[sizeField + 2] = bytes[sizeField + 3] = '\xFF';

    clQKHugeBuffer target("Kept");
    ASSERT_EQ(target.SetParams(4, clAdrs(0x40u)), 1);
    const unsigned char marker = 0x77;
    target.SetByte(clAdrs(0x40u), &marker);
    std::stringstream lying(bytes);
    EXPECT_EQ(Raised([&] { target.LoadFromStream(lying); }).name, "clXEOF");
    EXPECT_STREQ(target.GetName(), "Kept");
    EXPECT_EQ(target.GetSize(), 4u);
    EXPECT_EQ(target.GetByte(clAdrs(0x40u)), 0x77);

    std::stringstream truncated(good.str().substr(0, 8));
    EXPECT_EQ(Raised([&] { target.LoadFromStream(truncated); }).name, "clXIO");
    EXPECT_EQ(target.GetSize(), 4u);
}

class BinaryRange : public ::testing::Test {
protected:
    void SetUp() override
    {
        buf.SetFill(1, 0xFF);
        ASSERT_EQ(buf.SetParams(0x20, clAdrs(0x100u)), 1);
        path = dir.File("image.bin");
    }
    clTempDir dir;
    std::string path;
    clQKHugeBuffer buf{"Data"};
};

TEST_F(BinaryRange, FileBytesLandAtTheirOffsetFromTheBufferStart)
{
    WriteBytes(path, Counting(0x20));
    ASSERT_EQ(buf.LoadBinRange(path.c_str(), clAdrs(0x104u), clAdrs(0x107u)), 1);
    const auto got = Contents(buf);
    EXPECT_EQ(got[3], 0xFF);
    EXPECT_EQ(got[4], 4);
    EXPECT_EQ(got[7], 7);
    EXPECT_EQ(got[8], 0xFF);
}

TEST_F(BinaryRange, AShortFileFillsOnlyTheLeadingPart)
{
    WriteBytes(path, Counting(6));
    ASSERT_EQ(buf.LoadBinRange(path.c_str(), clAdrs(0x102u), clAdrs(0x10Fu)), 1);
    const auto got = Contents(buf);
    EXPECT_EQ(got[2], 2);
    EXPECT_EQ(got[5], 5);
    EXPECT_EQ(got[6], 0xFF);

    // A file that ends before the range begins loads nothing and succeeds.
    ASSERT_EQ(buf.LoadBinRange(path.c_str(), clAdrs(0x110u), clAdrs(0x11Fu)), 1);
    EXPECT_EQ(Contents(buf)[0x10], 0xFF);
}

TEST_F(BinaryRange, ReversedVariantStoresBitReversedBytes)
{
    WriteBytes(path, {0x01, 0x02, 0xF0, 0x55});
    ASSERT_EQ(buf.LoadBinRangeReversed(path.c_str(), clAdrs(0x100u), clAdrs(0x103u)), 1);
    const auto got = Contents(buf);
    EXPECT_EQ(got[0], 0x80);
    EXPECT_EQ(got[1], 0x40);
    EXPECT_EQ(got[2], 0x0F);
    EXPECT_EQ(got[3], 0xAA);
}

TEST_F(BinaryRange, MissingFileIsShownAndChangesNothing)
{
    clRecordingUi ui;
    const std::string missing = dir.File("absent.bin");
    EXPECT_EQ(buf.LoadBinRange(missing.c_str(), clAdrs(0x100u), clAdrs(0x101u)), 0);
    ASSERT_EQ(ui.texts.size(), 1u);
    EXPECT_EQ(ui.texts[0], missing);
    EXPECT_EQ(ui.captions[0], "File not found!");
    EXPECT_EQ(ui.options[0], erOptOk);
    EXPECT_EQ(Contents(buf), std::vector<unsigned char>(0x20, 0xFF));
}

TEST_F(BinaryRange, BadRangesRaiseWithTheirLines)
{
    WriteBytes(path, Counting(4));
    const char* p = path.c_str();
    EXPECT_EQ(Where(Raised([&] { buf.LoadBinRange(p, clAdrs(0x105u), clAdrs(0x104u)); })),
              "clXRange@..\\cpplib\\qk51buff.cpp:263");
    EXPECT_EQ(Raised([&] { buf.LoadBinRange(p, clAdrs(0xFFu), clAdrs(0x104u)); }).line, 267);
    EXPECT_EQ(Raised([&] { buf.LoadBinRange(p, clAdrs(0x100u), clAdrs(0x120u)); }).line, 267);
    EXPECT_EQ(Raised([&] { buf.LoadBinRangeReversed(p, clAdrs(0x105u), clAdrs(0x104u)); }).line, 339);
    EXPECT_EQ(Raised([&] { buf.LoadBinRangeReversed(p, clAdrs(0x100u), clAdrs(0x120u)); }).line, 343);

    // An empty buffer with a range inside its (empty) start.
    clQKHugeBuffer empty;
    ASSERT_EQ(empty.SetParams(0, clAdrs(0u)), 1);
    EXPECT_EQ(Raised([&] { empty.LoadBinRange(p, clAdrs(0u), clAdrs(0u)); }).line, 267);
}

TEST_F(BinaryRange, SaveWritesExactlyTheRangeAndRefusesBadRanges)
{
    const auto bytes = Counting(0x20, 0x40);
    buf.Write(buf.GetStartAdrs(), buf.GetStopAdrs(), bytes.data());
    const std::string out = dir.File("out.bin");
    ASSERT_EQ(buf.SaveBinRange(out.c_str(), clAdrs(0x110u), clAdrs(0x113u)), 1);
    EXPECT_EQ(ReadBytes(out), (std::vector<unsigned char>{0x50, 0x51, 0x52, 0x53}));

    EXPECT_EQ(Raised([&] { buf.SaveBinRange(out.c_str(), clAdrs(0x113u), clAdrs(0x110u)); }).line, 1306);
    EXPECT_EQ(Raised([&] { buf.SaveBinRange(out.c_str(), clAdrs(0x110u), clAdrs(0x120u)); }).line, 1310);
    clQKHugeBuffer empty;
    EXPECT_EQ(Raised([&] { empty.SaveBinRange(out.c_str(), clAdrs(0u), clAdrs(0u)); }).line, 1300);
    // The earlier file is untouched by the refused saves, and nothing is left beside it.
    EXPECT_EQ(ReadBytes(out).size(), 4u);
    EXPECT_EQ(CountFiles(dir.Path()), 1u);

    EXPECT_EQ(buf.SaveBinRange(dir.File("no/such/folder.bin").c_str(), clAdrs(0x100u), clAdrs(0x101u)), 0);
}

TEST(WholeFile, SizesAnEmptyBufferToTheFileAndClipsToAFullOne)
{
    clTempDir dir;
    const std::string path = dir.File("whole.bin");
    WriteBytes(path, Counting(10, 1));

    clQKHugeBuffer empty("Data");
    ASSERT_EQ(empty.LoadFile(path.c_str()), 1);
    EXPECT_EQ(Contents(empty), Counting(10, 1));

    clQKHugeBuffer small("Data");
    ASSERT_EQ(small.SetParams(4, clAdrs(0x100u)), 1);
    ASSERT_EQ(small.LoadFile(path.c_str()), 1);
    EXPECT_EQ(Contents(small), Counting(4, 1));

    WriteBytes(path, {});
    clQKHugeBuffer none;
    EXPECT_EQ(none.LoadFile(path.c_str()), 1);
    EXPECT_FALSE(none.HasMemory());
    EXPECT_EQ(none.LoadFile(dir.File("absent").c_str()), 0);
}

} // namespace
