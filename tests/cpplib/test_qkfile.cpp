#include <filesystem>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "cpplib/qkfile.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

namespace {

TEST(InputCheck, SaysWhatIsWrongWithAPathWithoutOpeningIt)
{
    clTempDir dir;
    WriteText(dir.File("data.bin"), "x");
    WriteText(dir.File("empty.bin"), "");
    fs::create_directory(dir.File("adir"));
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    fs::create_symlink(dir.File("data.bin"), dir.File("good-link"));
    fs::create_symlink(dir.File("gone"), dir.File("dangling"));

    EXPECT_EQ(QkCheckInputFile(dir.File("data.bin")), "");
    EXPECT_EQ(QkCheckInputFile(dir.File("good-link")), "");
    EXPECT_EQ(QkCheckInputFile(dir.File("empty.bin")), dir.File("empty.bin") + " is empty");
    EXPECT_EQ(QkCheckInputFile(dir.File("empty.bin"), true), "");
    EXPECT_EQ(QkCheckInputFile(dir.File("adir")), dir.File("adir") + " is a directory");
    // A FIFO opened for reading would wait for a writer for ever.
    EXPECT_EQ(QkCheckInputFile(dir.File("fifo")), dir.File("fifo") + " is not a regular file");
    EXPECT_EQ(QkCheckInputFile("/dev/zero"), "/dev/zero is not a regular file");
    EXPECT_EQ(QkCheckInputFile(dir.File("none")), dir.File("none") + " does not exist");
    EXPECT_EQ(QkCheckInputFile(dir.File("dangling")),
              dir.File("dangling") + " is a link to a file that does not exist");
    EXPECT_EQ(QkCheckInputFile(""), "no file name was given");
}

TEST(AtomicFile, ReplacesOnlyRegularFilesAndFollowsLinks)
{
    clTempDir dir;
    const std::string target = dir.File("target.bin");
    WriteText(target, "old");
    ::chmod(target.c_str(), 0640);
    const std::string link = dir.File("link.bin");
    fs::create_symlink("target.bin", link); // relative, as links often are

    std::string error;
    ASSERT_TRUE(QkWriteFileAtomically(link, "new", 3, &error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadText(target), "new");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms(0640));

    // A link to a file still to be made makes it.
    fs::create_symlink(dir.File("later.bin"), dir.File("to-later"));
    ASSERT_TRUE(QkWriteFileAtomically(dir.File("to-later"), "made", 4, &error)) << error;
    EXPECT_EQ(ReadText(dir.File("later.bin")), "made");

    fs::create_directory(dir.File("adir"));
    EXPECT_FALSE(QkWriteFileAtomically(dir.File("adir"), "x", 1, &error));
    EXPECT_EQ(error, dir.File("adir") + " is a directory");
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(QkWriteFileAtomically(dir.File("fifo"), "x", 1, &error));
    EXPECT_TRUE(fs::is_fifo(dir.File("fifo")));
    EXPECT_EQ(QkCheckOutputFile(dir.File("no/such.bin")),
              "cannot write " + dir.File("no/such.bin") + ": the folder " + dir.File("no") + " does not exist");

    // A character device is written directly: /dev/null takes everything,
    // /dev/full nothing, and the failure is told. (Reached through links of
    // our own: a writer that replaced them would replace only the links.)
    fs::create_symlink("/dev/null", dir.File("null"));
    fs::create_symlink("/dev/full", dir.File("full"));
    EXPECT_TRUE(QkWriteFileAtomically(dir.File("null"), "x", 1, &error));
    EXPECT_FALSE(QkWriteFileAtomically(dir.File("full"), "x", 1, &error));
    EXPECT_EQ(error, "cannot write " + dir.File("full") + ": No space left on device");
    EXPECT_TRUE(fs::is_symlink(dir.File("full")));
    EXPECT_EQ(CountFiles(dir.Path()), 8u); // no temporary file left
}

TEST(AtomicFile, TellsTwoNamesOfOneFile)
{
    clTempDir dir;
    WriteText(dir.File("a"), "a");
    WriteText(dir.File("b"), "b");
    fs::create_symlink(dir.File("a"), dir.File("link"));
    EXPECT_TRUE(QkSameFile(dir.File("a"), dir.File("link")));
    EXPECT_TRUE(QkSameFile(dir.File("a"), dir.Path().string() + "/./a"));
    EXPECT_FALSE(QkSameFile(dir.File("a"), dir.File("b")));
    EXPECT_FALSE(QkSameFile(dir.File("a"), dir.File("missing")));
}

} // namespace
