// qkcli on the files a careless or hostile user gives it: devices, FIFOs,
// links, directories, empty and damaged files. Real processes, real files;
// every run is bounded, so a command that would block fails instead.
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/qkrun.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

namespace {

constexpr int kTimedOut = 124; // what timeout(1) answers for a command it had to stop

clRunResult Cli(const std::vector<std::string>& args)
{
    std::vector<std::string> bounded = {"20", QKCLI_PATH};
    bounded.insert(bounded.end(), args.begin(), args.end());
    return QkRun("/usr/bin/timeout", bounded);
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class CliFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteText(good, ":0400100001020304E2\r\n:00000001FF\r\n");
        fs::create_directory(adir);
        WriteText(empty, "");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    }
    // A character device of our own (1,minor: 3 null, 7 full); false when
    // this machine does not let us make one.
    bool MakeDevice(const std::string& path, unsigned minor)
    {
        return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0;
    }

    clTempDir dir;
    const std::string good = dir.File("good.hex");
    const std::string adir = dir.File("adir");
    const std::string empty = dir.File("empty.bin");
    const std::string fifo = dir.File("fifo");
};

TEST_F(CliFiles, AnOutputThatIsNoRegularFileIsWrittenDirectlyOrRefusedButNeverReplaced)
{
    // A link to a real file: the link stays and the file gets the content.
    const std::string real = dir.File("real.bin");
    const std::string link = dir.File("link.bin");
    WriteText(real, "stale");
    fs::create_symlink(real, link);
    const auto linked = Cli({"convert", good, link});
    ASSERT_EQ(linked.status, 0) << linked.err;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(real), (std::vector<unsigned char>{1, 2, 3, 4}));

    // /dev/full takes nothing: a failure. (Through a link of our own: a
    // writer that replaced it would replace only the link.)
    const std::string fullLink = dir.File("full-link");
    fs::create_symlink("/dev/full", fullLink);
    const auto full = Cli({"convert", good, fullLink, "--to", "bin"});
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(Has(full.err, "cannot write " + fullLink + ": No space left on device")) << full.err;
    EXPECT_TRUE(fs::is_symlink(fullLink));

    // A FIFO or a directory is refused at once, by name.
    const auto toFifo = Cli({"convert", good, fifo, "--to", "bin"});
    EXPECT_EQ(toFifo.status, 1);
    EXPECT_TRUE(Has(toFifo.err, fifo + " is not a regular file")) << toFifo.err;
    EXPECT_TRUE(fs::is_fifo(fifo));
    const auto toDir = Cli({"convert", good, adir + "/"});
    EXPECT_EQ(toDir.status, 1);
    EXPECT_TRUE(Has(toDir.err, adir + "/ is a directory")) << toDir.err;

    // Device nodes of our own, so that a fault could never replace the system's.
    const std::string null = dir.File("null");
    const std::string full2 = dir.File("full");
    if (!MakeDevice(null, 3) || !MakeDevice(full2, 7))
        GTEST_SKIP() << "creating device nodes is not permitted here";
    EXPECT_EQ(Cli({"convert", good, null, "--to", "bin"}).status, 0);
    EXPECT_TRUE(fs::is_character_file(null));
    EXPECT_EQ(Cli({"convert", good, full2, "--to", "intel386"}).status, 1);
    EXPECT_TRUE(fs::is_character_file(full2));
    EXPECT_EQ(Cli({"project", "save", null, "--device", "PCD80710", "--file", good}).status, 0);
    EXPECT_TRUE(fs::is_character_file(null));
    const auto projectFull = Cli({"project", "save", full2, "--device", "PCD80710", "--file", good});
    EXPECT_EQ(projectFull.status, 1);
    EXPECT_TRUE(Has(projectFull.err, "cannot write " + full2)) << projectFull.err;
    EXPECT_TRUE(fs::is_character_file(full2));
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        EXPECT_NE(entry.path().filename().string().rfind(".qk-", 0), 0u) << entry.path();
}

TEST_F(CliFiles, AProjectSavedThroughALinkKeepsTheLink)
{
    const std::string real = dir.File("real.qkp");
    const std::string link = dir.File("link.qkp");
    WriteText(real, "old");
    fs::create_symlink(real, link);
    const auto saved = Cli({"project", "save", link, "--device", "PCD80710", "--file", good});
    ASSERT_EQ(saved.status, 0) << saved.err;
    EXPECT_TRUE(fs::is_symlink(link));
    const auto shown = Cli({"project", "show", real, "--json"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_TRUE(Has(shown.out, "\"device\":\"PCD80710\"")) << shown.out;
}

TEST_F(CliFiles, AnInputThatIsNoUsableFileIsAClearErrorAndNeverBlocks)
{
    const struct {
        std::string path;
        std::string says;
    } inputs[] = {
        {"/dev/zero", "/dev/zero is not a regular file"},
        {fifo, fifo + " is not a regular file"},
        {adir, adir + " is a directory"},
        {dir.File("missing.hex"), dir.File("missing.hex") + " does not exist"},
    };
    for (const auto& input : inputs) {
        const auto converted = Cli({"convert", input.path, dir.File("o.bin"), "--from", "intel"});
        EXPECT_EQ(converted.status, 1) << input.path;
        EXPECT_TRUE(Has(converted.err, input.says)) << converted.err;
        const auto saved = Cli({"project", "save", dir.File("p.qkp"), "--device", "1", "--file", input.path});
        EXPECT_EQ(saved.status, 1) << input.path;
        EXPECT_TRUE(Has(saved.err, input.says)) << saved.err;
        const auto shown = Cli({"project", "show", input.path});
        EXPECT_EQ(shown.status, 1) << input.path;
        EXPECT_TRUE(Has(shown.err, input.says)) << shown.err;
    }
    EXPECT_FALSE(fs::exists(dir.File("o.bin")));
    EXPECT_FALSE(fs::exists(dir.File("p.qkp")));

    const auto emptyData = Cli({"project", "save", dir.File("p.qkp"), "--device", "1", "--file", empty});
    EXPECT_EQ(emptyData.status, 1);
    EXPECT_TRUE(Has(emptyData.err, empty + " is empty")) << emptyData.err;
    const auto emptyProject = Cli({"project", "show", empty});
    EXPECT_EQ(emptyProject.status, 1);
    EXPECT_TRUE(Has(emptyProject.err, empty + " is empty")) << emptyProject.err;
    // convert still fills a range from an empty binary when asked to.
    EXPECT_EQ(Cli({"convert", empty, dir.File("o.bin"), "--start", "0", "--stop", "3"}).status, 0);
}

TEST_F(CliFiles, AProjectWhoseDataFileIsNowUnusableDoesNotOpen)
{
    const std::string data = dir.File("data.hex");
    const std::string project = dir.File("p.qkp");
    WriteText(data, ReadText(good));
    ASSERT_EQ(Cli({"project", "save", project, "--device", "PCD80710", "--file", data}).status, 0);
    ASSERT_EQ(Cli({"project", "show", project}).status, 0);

    WriteText(data, "");
    auto shown = Cli({"project", "show", project});
    EXPECT_EQ(shown.status, 1);
    EXPECT_TRUE(Has(shown.err, data + " is empty")) << shown.err;

    fs::remove(data);
    fs::create_directory(data);
    shown = Cli({"project", "show", project});
    EXPECT_EQ(shown.status, 1);
    EXPECT_TRUE(Has(shown.err, data + " is a directory")) << shown.err;

    fs::remove(data);
    fs::create_symlink("/dev/zero", data);
    shown = Cli({"project", "show", project});
    EXPECT_EQ(shown.status, 1);
    EXPECT_TRUE(Has(shown.err, data + " is not a regular file")) << shown.err;
}

TEST_F(CliFiles, AProjectIsNeverSavedOverItsOwnDataFile)
{
    const std::string before = ReadText(good);
    const auto saved = Cli({"project", "save", good, "--device", "PCD80710", "--file", good});
    EXPECT_EQ(saved.status, 1);
    EXPECT_TRUE(Has(saved.err, good + " is one of its own data files")) << saved.err;
    EXPECT_EQ(ReadText(good), before);

    const std::string link = dir.File("fw-link.qkp");
    fs::create_symlink(good, link);
    EXPECT_EQ(Cli({"project", "save", link, "--device", "PCD80710", "--file", good}).status, 1);
    EXPECT_EQ(ReadText(good), before);
}

TEST_F(CliFiles, ProjectSaveRefusesDataOutsideTheSpaceNamingItsFirstAndLastAddress)
{
    // PCD80710: Data 0x0..0x5FFFF.
    const std::string big = dir.File("big.bin");
    WriteBytes(big, std::vector<unsigned char>(1u << 20, 0x5A));
    const std::string high = dir.File("high.hex");
    WriteText(high, ":020000040007F3\r\n:04000000AABBCCDDEE\r\n:00000001FF\r\n");
    const std::string straddling = dir.File("straddle.hex");
    WriteText(straddling, ":020000040005F5\r\n:10FFF8000102030405060708090A0B0C0D0E0F1071\r\n:00000001FF\r\n");
    const struct {
        std::string file;
        std::string range;
    } cases[] = {
        {big, "0x60000..0xFFFFF"},
        {high, "0x70000..0x70003"},
        {straddling, "0x60000..0x60007"},
    };
    for (const auto& c : cases) {
        const auto saved = Cli({"project", "save", dir.File("p.qkp"), "--device", "PCD80710", "--file", c.file});
        EXPECT_EQ(saved.status, 1) << c.file;
        EXPECT_TRUE(Has(saved.err, c.file + " holds data outside the Data space (0x0..0x5FFFF): " + c.range))
            << saved.err;
    }
    EXPECT_FALSE(fs::exists(dir.File("p.qkp")));
}

TEST_F(CliFiles, ARecordRunningPastTheTopOfTheAddressSpaceWarns)
{
    // 16 bytes from 0xFFFFFFF8: Intel through an 04 record, and S3.
    const std::string intel = dir.File("top.hex");
    WriteText(intel, ":02000004FFFFFC\r\n:10FFF800000102030405060708090A0B0C0D0E0F81\r\n:00000001FF\r\n");
    const std::string srec = dir.File("top.s37");
    WriteText(srec, "S315FFFFFFF8000102030405060708090A0B0C0D0E0F7D\r\nS70500000000FA\r\n");
    for (const std::string& input : {intel, srec}) {
        const auto warned = Cli({"convert", input, dir.File("o.bin")});
        EXPECT_EQ(warned.status, 3) << input << warned.err;
        EXPECT_TRUE(Has(warned.err, "WARNING:  Invalid record incountered in file")) << warned.err;
        // The 8 bytes that exist are kept.
        EXPECT_EQ(ReadBytes(dir.File("o.bin")), (std::vector<unsigned char>{0, 1, 2, 3, 4, 5, 6, 7}));
        const auto strict = Cli({"convert", input, dir.File("s.bin"), "--strict"});
        EXPECT_EQ(strict.status, 1) << input;
        EXPECT_FALSE(fs::exists(dir.File("s.bin")));
    }
}

TEST_F(CliFiles, ADamagedProjectIsInvalidNeverAnInternalText)
{
    const std::string project = dir.File("p.qkp");
    ASSERT_EQ(Cli({"project", "save", project, "--device", "PCD80712", "--file", good}).status, 0);
    const std::string whole = ReadText(project);
    const std::string cut = dir.File("cut.qkp");
    for (std::size_t length = 17; length < whole.size(); length += whole.size() / 40) {
        WriteText(cut, whole.substr(0, length));
        const auto shown = Cli({"project", "show", cut});
        EXPECT_EQ(shown.status, 1) << length;
        EXPECT_TRUE(Has(shown.err, "Invalid file format, or file corrupted.")) << length << ": " << shown.err;
        EXPECT_FALSE(Has(shown.err, "clX")) << shown.err;
    }
    std::string flipped = whole;
    flipped[whole.size() / 2] = static_cast<char>(flipped[whole.size() / 2] ^ 0x10);
    WriteText(cut, flipped);
    EXPECT_EQ(Cli({"project", "show", cut}).status, 1);

    // Saving onto a directory is said in words.
    const auto onDir = Cli({"project", "save", adir, "--device", "1"});
    EXPECT_EQ(onDir.status, 1);
    EXPECT_TRUE(Has(onDir.err, adir + " is a directory")) << onDir.err;
    EXPECT_FALSE(Has(onDir.err, "clX")) << onDir.err;
}

TEST_F(CliFiles, FileNamesReachJsonAsTheyAreAndOptionsAreGivenOnce)
{
    const std::string named = dir.File("p \xC3\xBC.qkp"); // "p ü.qkp"
    ASSERT_EQ(Cli({"project", "save", named, "--device", "1", "--file", good}).status, 0);
    const auto shown = Cli({"project", "show", named, "--json"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_TRUE(Has(shown.out, "\"project\":\"" + named + "\"")) << shown.out;

    const auto twice = Cli({"convert", good, dir.File("o.bin"), "--start", "0", "--start", "0x10"});
    EXPECT_EQ(twice.status, 1);
    EXPECT_TRUE(Has(twice.err, "option --start is given more than once")) << twice.err;
    EXPECT_EQ(Cli({"convert", good, dir.File("o.bin"), "--strict", "--strict"}).status, 1);
    // --space and --file of project save pair up, so they repeat.
    WriteBytes(dir.File("font.bin"), {1, 2, 3});
    EXPECT_EQ(Cli({"project", "save", dir.File("two.qkp"), "--device", "PCD80712", "--space", "Data", "--file", good,
                   "--space", "OSD", "--file", dir.File("font.bin")})
                  .status,
              0);
    EXPECT_EQ(Cli({"project", "save", dir.File("d.qkp"), "--device", "1", "--device", "1"}).status, 1);
}

TEST_F(CliFiles, NothingHereEverTimesOut)
{
    // The runs above are bounded; a FIFO given as every kind of file must not
    // reach the bound either.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"convert", fifo, dir.File("o.bin")}, std::vector<std::string>{"convert", good, fifo},
          std::vector<std::string>{"project", "show", fifo},
          std::vector<std::string>{"project", "save", fifo, "--device", "1"},
          std::vector<std::string>{"project", "save", dir.File("p.qkp"), "--device", "1", "--file", fifo}}) {
        const auto r = Cli(args);
        EXPECT_NE(r.status, kTimedOut) << args[0] << " " << args[1];
        EXPECT_EQ(r.status, 1) << args[0] << " " << args[1] << ": " << r.err;
    }
}

} // namespace
