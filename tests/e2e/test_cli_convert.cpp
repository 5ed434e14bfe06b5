// qkcli convert as a real process, checked against srec_cat: files srec_cat
// writes load to the bytes it was given, and files qkcli writes read back in
// srec_cat to the source bytes.
#include <cctype>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/qkrun.h"
#include "tests/testutil.h"

namespace {

using Bytes = std::vector<unsigned char>;
const char kSrecCat[] = "/usr/bin/srec_cat";

clRunResult Cli(const std::vector<std::string>& args)
{
    return QkRun(QKCLI_PATH, args);
}

std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

Bytes Random(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto& b : bytes)
        b = static_cast<unsigned char>(random());
    return bytes;
}

// Pieces of data at their addresses, with 0xFF in between: the bytes a
// converter must produce for first..last of the pieces.
struct clImage {
    struct Piece {
        std::uint32_t address;
        Bytes bytes;
    };
    std::vector<Piece> pieces;

    std::uint32_t First() const { return pieces.front().address; }
    std::uint32_t Last() const
    {
        return pieces.back().address + static_cast<std::uint32_t>(pieces.back().bytes.size()) - 1;
    }
    Bytes Filled() const
    {
        Bytes out(Last() - First() + 1, 0xFF);
        for (const Piece& p : pieces)
            std::copy(p.bytes.begin(), p.bytes.end(), out.begin() + (p.address - First()));
        return out;
    }
    // srec_cat arguments that read the pieces from binary files in dir.
    std::vector<std::string> SrecInputs(const clTempDir& dir) const
    {
        std::vector<std::string> args;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const std::string path = dir.File("piece" + std::to_string(i) + ".bin");
            WriteBytes(path, pieces[i].bytes);
            args.insert(args.end(), {path, "-binary", "-offset", Hex(pieces[i].address)});
        }
        return args;
    }
};

// Data below 64 KB with gaps and a single byte: every format can carry it.
clImage LowImage()
{
    return {{{0x100, Random(5000, 1)}, {0x3000, Random(777, 2)}, {0x8000, {0x5A}}}};
}

// Data over page boundaries, starting off any record boundary.
clImage HighImage()
{
    return {{{0xFFF3, Random(40000, 3)}, {0x2FFF0, Random(33, 4)}, {0x3FFFF, Random(2, 5)}}};
}

class ConvertCrossCheck : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QkFileExists(kSrecCat)) << "srec_cat (package srecord) is needed"; }

    static bool QkFileExists(const char* path) { return access(path, X_OK) == 0; }

    // srec_cat writes the image with the given output arguments; qkcli
    // converts that file to binary; the bytes must equal the image. srec_cat
    // ends S-record files with a termination record only when it is given an
    // execution start address; without one qkcli warns (exit status 3) and
    // still converts every byte.
    void ExpectSrecFileLoads(const clImage& image, const std::vector<std::string>& output, bool lowercase = false,
                             bool terminated = true)
    {
        const std::string hexPath = dir.File("srec.out");
        std::vector<std::string> args = image.SrecInputs(dir);
        if (terminated)
            args.push_back("-execution-start-address=" + Hex(image.First()));
        args.push_back("-o");
        args.push_back(hexPath);
        args.insert(args.end(), output.begin(), output.end());
        const auto made = QkRun(kSrecCat, args);
        ASSERT_EQ(made.status, 0) << made.err;
        if (lowercase) {
            std::string text = ReadText(hexPath);
            for (std::size_t i = 0; i < text.size(); ++i)
                if (i > 0 && text[i - 1] != '\n' && std::isxdigit(static_cast<unsigned char>(text[i])) &&
                    !(i >= 1 && text[i - 1] == 'S'))
                    text[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
            WriteText(hexPath, text);
        }
        const std::string binPath = dir.File("qk.bin");
        const auto converted = Cli({"convert", hexPath, binPath, "--to", "bin"});
        ASSERT_EQ(converted.status, terminated ? 0 : 3) << converted.err;
        if (!terminated) {
            EXPECT_NE(converted.err.find("EOF/Terminate record missing"), std::string::npos);
        }
        EXPECT_EQ(ReadBytes(binPath), image.Filled());
    }

    // qkcli writes the image's bytes in a format; srec_cat reads that file
    // back to binary; the bytes must equal the source.
    void ExpectQkFileReadsBack(const clImage& image, const std::string& format, const char* srecInput)
    {
        const std::string source = dir.File("source.bin");
        WriteBytes(source, image.Filled());
        const std::string written = dir.File("qk." + format);
        const auto converted = Cli({"convert", source, written, "--to", format, "--start", Hex(image.First())});
        ASSERT_EQ(converted.status, 0) << converted.err;
        const std::string back = dir.File("back.bin");
        const auto read =
            QkRun(kSrecCat, {written, srecInput, "-offset", "-" + Hex(image.First()), "-o", back, "-binary"});
        ASSERT_EQ(read.status, 0) << read.err;
        EXPECT_EQ(ReadBytes(back), image.Filled()) << format;
    }

    clTempDir dir;
};

TEST_F(ConvertCrossCheck, IntelFilesOfSrecCatLoadExactly)
{
    for (const clImage& image : {LowImage(), HighImage()}) {
        ExpectSrecFileLoads(image, {"-intel"});
        ExpectSrecFileLoads(image, {"-intel", "-address-length=3"});
        ExpectSrecFileLoads(image, {"-intel", "-crlf", "-Output_Block_Size", "32"});
        ExpectSrecFileLoads(image, {"-intel", "-Output_Block_Size", "7"}, true);
    }
    ExpectSrecFileLoads(LowImage(), {"-intel", "-address-length=2"});
}

TEST_F(ConvertCrossCheck, MotorolaFilesOfSrecCatLoadExactly)
{
    for (const clImage& image : {LowImage(), HighImage()}) {
        ExpectSrecFileLoads(image, {"-motorola", "-address-length=3"});
        ExpectSrecFileLoads(image, {"-motorola", "-address-length=4", "-crlf", "-enable=data-count"});
        ExpectSrecFileLoads(
            image, {"-motorola", "-address-length=4", "-Output_Block_Size", "5", "-header", "built by srec_cat"}, true);
    }
    ExpectSrecFileLoads(LowImage(), {"-motorola", "-address-length=2", "-enable=data-count"});
    ExpectSrecFileLoads(HighImage(), {"-motorola", "-address-length=3"}, false, false);
}

TEST_F(ConvertCrossCheck, EveryFormatQkcliWritesReadsBackInSrecCat)
{
    for (const char* format : {"intel", "intel-seg", "intel386"})
        ExpectQkFileReadsBack(LowImage(), format, "-intel");
    for (const char* format : {"s1", "s2", "s3"})
        ExpectQkFileReadsBack(LowImage(), format, "-motorola");
    ExpectQkFileReadsBack(HighImage(), "intel-seg", "-intel");
    ExpectQkFileReadsBack(HighImage(), "intel386", "-intel");
    ExpectQkFileReadsBack(HighImage(), "s2", "-motorola");
    ExpectQkFileReadsBack(HighImage(), "s3", "-motorola");
}

class ConvertCli : public ::testing::Test {
protected:
    clTempDir dir;
};

TEST_F(ConvertCli, FormatFollowsTheExtensionAndTheInputIsDetected)
{
    const std::string source = dir.File("in.bin");
    WriteBytes(source, Random(100, 9));
    ASSERT_EQ(Cli({"convert", source, dir.File("a.s19"), "--start", "0x10"}).status, 0);
    EXPECT_EQ(ReadText(dir.File("a.s19")).substr(0, 8), "S1130010");
    ASSERT_EQ(Cli({"convert", source, dir.File("a.hex")}).status, 0);
    EXPECT_EQ(ReadText(dir.File("a.hex")).substr(0, 9), ":10000000");
    // Auto-detected back to binary, at the addresses the files hold.
    ASSERT_EQ(Cli({"convert", dir.File("a.s19"), dir.File("b.bin")}).status, 0);
    EXPECT_EQ(ReadBytes(dir.File("b.bin")), ReadBytes(source));
    const auto unknown = Cli({"convert", source, dir.File("a.txt")});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("give --to"), std::string::npos);
}

TEST_F(ConvertCli, RangeAndFillShapeTheOutput)
{
    const std::string hex = dir.File("in.hex");
    WriteText(hex, ":020010001122BB\n:00000001FF\n");
    ASSERT_EQ(Cli({"convert", hex, dir.File("o.bin"), "--start", "0xE", "--stop", "19", "--fill", "0"}).status, 0);
    EXPECT_EQ(ReadBytes(dir.File("o.bin")), (Bytes{0, 0, 0x11, 0x22, 0, 0}));
    const std::string bin = dir.File("in.bin");
    WriteBytes(bin, {1, 2, 3, 4});
    ASSERT_EQ(Cli({"convert", bin, dir.File("o.hex"), "--start", "0x1000", "--stop", "0x1001"}).status, 0);
    EXPECT_EQ(ReadText(dir.File("o.hex")), ":021000000102EB\r\n:00000001FF");
}

TEST_F(ConvertCli, WarningsGoToStderrAndExitThree)
{
    const std::string hex = dir.File("bad.hex");
    WriteText(hex, ":0200000011224B\n:02000200334485\n");
    const auto r = Cli({"convert", hex, dir.File("o.bin")});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("WARNING:  Record with checksum error encountered in file bad.hex"), std::string::npos);
    EXPECT_NE(r.err.find("WARNING:  EOF/Terminate record missing in file bad.hex"), std::string::npos);
    EXPECT_EQ(ReadBytes(dir.File("o.bin")), (Bytes{0x11, 0x22, 0x33, 0x44}));
}

TEST_F(ConvertCli, StrictStopsAtTheFirstWarningAndWritesNothing)
{
    const std::string hex = dir.File("bad.hex");
    WriteText(hex, ":0200000011224B\n:02000200334485\n:00000001FF\n");
    const auto r = Cli({"convert", hex, dir.File("o.bin"), "--strict"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("checksum error"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("o.bin")));
}

TEST_F(ConvertCli, BadInputsOutputsAndRangesExitOneAndKeepTheOldOutput)
{
    const std::string bin = dir.File("in.bin");
    WriteBytes(bin, Random(0x20000, 4));
    const std::string out = dir.File("keep.s19");
    WriteText(out, "previous");

    const auto reach = Cli({"convert", bin, out});
    EXPECT_EQ(reach.status, 1);
    EXPECT_NE(reach.err.find("--to s1 reaches address 0xFFFF at most"), std::string::npos);
    EXPECT_EQ(ReadText(out), "previous");

    EXPECT_EQ(Cli({"convert", dir.File("missing.hex"), out}).status, 1);
    EXPECT_EQ(Cli({"convert", bin, dir.File("no/folder/x.bin")}).status, 1);
    EXPECT_EQ(Cli({"convert", bin, out, "--start", "0x10", "--stop", "0x1"}).status, 1);
    EXPECT_EQ(Cli({"convert", bin, out, "--fill", "256"}).status, 1);
    EXPECT_EQ(Cli({"convert", bin, out, "--to", "elf"}).status, 1);
    EXPECT_EQ(Cli({"convert", bin}).status, 1);
    EXPECT_EQ(ReadText(out), "previous");

    const std::string empty = dir.File("empty.hex");
    WriteText(empty, ":00000001FF\n");
    const auto nothing = Cli({"convert", empty, dir.File("o.bin")});
    EXPECT_EQ(nothing.status, 1);
    EXPECT_NE(nothing.err.find("holds no data"), std::string::npos);

    // Addresses far apart would need gigabytes: refused with a clear message.
    const std::string far = dir.File("far.s37");
    WriteText(far, "S30600000000AA4F\nS306FFFFFFF0AA62\nS70500000000FA\n");
    const auto wide = Cli({"convert", far, dir.File("o.bin")});
    EXPECT_EQ(wide.status, 1);
    EXPECT_NE(wide.err.find("pick a part with --start/--stop"), std::string::npos);
    EXPECT_EQ(CountFiles(dir.Path()), 4u); // in.bin, keep.s19, empty.hex, far.s37
}

} // namespace

// Killed while it writes: no hidden temporary file stays beside the output.
TEST_F(ConvertCli, AStoppedConversionLeavesNoTemporaryFile)
{
    const std::string source = dir.File("big.bin");
    WriteBytes(source, Random(32 << 20, 3));
    std::filesystem::create_directory(dir.File("out"));
    const auto temporaries = [&] {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.File("out")))
            count += entry.path().filename().string().rfind(".qk-", 0) == 0;
        return count;
    };
    const int pid = QkStart(QKCLI_PATH, {"convert", source, dir.File("out/big.hex")});
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 1000 && temporaries() == 0; ++i)
        usleep(5000);
    ASSERT_EQ(temporaries(), 1) << "the conversion never began its output";
    kill(pid, SIGTERM);
    EXPECT_EQ(QkWaitExit(pid), 128 + SIGTERM);
    EXPECT_EQ(temporaries(), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out/big.hex")));

    // One left by a conversion killed outright long ago goes with the next
    // conversion there; a fresh one (a write under way) stays.
    WriteText(dir.File("out/.qk-Old123"), "half");
    WriteText(dir.File("out/.qk-New123"), "half");
    std::filesystem::last_write_time(dir.File("out/.qk-Old123"),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(2));
    WriteBytes(dir.File("small.bin"), Random(16, 4));
    ASSERT_EQ(QkRun(QKCLI_PATH, {"convert", dir.File("small.bin"), dir.File("out/small.hex")}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out/.qk-Old123")));
    EXPECT_TRUE(std::filesystem::exists(dir.File("out/.qk-New123")));
}
