// qkcli's helpers on their own: numbers at their limits, the option parser's
// refusals, JSON quoting, and the output formats a file name picks.
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/qkcli/cliargs.h"
#include "tools/qkcli/cliformat.h"
#include "tools/qkcli/clijson.h"
#include "tools/qkcli/clirun.h"

namespace {

TEST(CliNumbers, TakeHexAndDecimalUpTo32BitsAndNothingElse)
{
    std::uint32_t v = 7;
    EXPECT_TRUE(QkParseNumber("4294967295", v));
    EXPECT_EQ(v, 0xFFFFFFFFu);
    EXPECT_TRUE(QkParseNumber("0xffffffff", v));
    EXPECT_EQ(v, 0xFFFFFFFFu);
    EXPECT_TRUE(QkParseNumber("0X10", v));
    EXPECT_EQ(v, 16u);
    EXPECT_TRUE(QkParseNumber("010", v)); // decimal, not octal
    EXPECT_EQ(v, 10u);
    for (const char* bad : {"4294967296", "0x100000000", "-1", "+1", " 1", "1 ", "", "0x", "1e3", "12ab", "0x1g",
                            "99999999999999999999999"}) {
        v = 7;
        EXPECT_FALSE(QkParseNumber(bad, v)) << bad;
    }
}

class CliArgsTest : public ::testing::Test {
protected:
    clCliArgs Parse(std::vector<std::string> words)
    {
        m_Words = std::move(words);
        m_Argv.clear();
        for (std::string& w : m_Words)
            m_Argv.push_back(w.data());
        return clCliArgs(static_cast<int>(m_Argv.size()), m_Argv.data(), 0, {"start", "switch", "file"}, {"json"},
                         {"switch"});
    }

    std::vector<std::string> m_Words;
    std::vector<char*> m_Argv;
};

TEST_F(CliArgsTest, ValuesFlagsPositionalsAndTheEndOfOptions)
{
    const clCliArgs args = Parse({"one", "--start=0x10", "--json", "--switch", "/A", "--switch=/B", "--", "--file"});
    ASSERT_TRUE(args.IsValid()) << args.GetError();
    EXPECT_EQ(args.Value("start"), "0x10");
    EXPECT_TRUE(args.Has("json"));
    EXPECT_EQ(args.Values("switch"), (std::vector<std::string>{"/A", "/B"}));
    // After "--" every word is positional, even one that looks like an option.
    EXPECT_EQ(args.Positional(), (std::vector<std::string>{"one", "--file"}));
    EXPECT_FALSE(args.Has("file"));
    // A value may itself start with dashes.
    const clCliArgs dashed = Parse({"--file", "--weird-name"});
    ASSERT_TRUE(dashed.IsValid());
    EXPECT_EQ(dashed.Value("file"), "--weird-name");
}

TEST_F(CliArgsTest, RefusesWhatItCannotTakeAndSaysWhich)
{
    const struct {
        std::vector<std::string> words;
        const char* says;
    } cases[] = {
        {{"--bogus"}, "--bogus"},
        {{"--start"}, "--start"},                      // no value
        {{"--json=yes"}, "--json"},                    // a flag takes none
        {{"--start", "1", "--start", "2"}, "--start"}, // not repeatable
    };
    for (const auto& c : cases) {
        const clCliArgs args = Parse(c.words);
        EXPECT_FALSE(args.IsValid()) << c.words.front();
        EXPECT_NE(args.GetError().find(c.says), std::string::npos) << args.GetError();
    }
}

TEST(CliJson, EscapesWhatJsonRequiresAndPassesUtf8Through)
{
    EXPECT_EQ(QkJsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(QkJsonString("line\nnext\ttab\r"), "\"line\\nnext\\ttab\\r\"");
    EXPECT_EQ(QkJsonString(std::string("\x01\x1f", 2)), "\"\\u0001\\u001f\"");
    EXPECT_EQ(QkJsonString("p \xc3\xbc.qkp"), "\"p \xc3\xbc.qkp\""); // UTF-8 once, not twice
    // A byte that is not UTF-8 is the system's own Windows-1252 text: the
    // superscript two of "(E²)".
    EXPECT_EQ(QkJsonString("(E\xb2)"), "\"(E\xc2\xb2)\"");
}

TEST(CliJson, NumbersAtTheirLimitsAndNulls)
{
    clJsonObject o;
    o.Add("max", std::numeric_limits<std::int64_t>::max()).Add("min", std::numeric_limits<std::int64_t>::min());
    o.Add("top", static_cast<std::int64_t>(0xFFFFFFFFu)).AddNull("none").AddBool("yes", true);
    o.Add("nan", std::numeric_limits<double>::quiet_NaN()).Add("s", 1.25);
    EXPECT_EQ(o.Text(), "{\"max\":9223372036854775807,\"min\":-9223372036854775808,\"top\":4294967295,"
                        "\"none\":null,\"yes\":true,\"nan\":0.000,\"s\":1.250}");
    clJsonArray list;
    EXPECT_EQ(list.Text(), "[]");
    list.Add(clJsonObject().Add("k", "v")).AddRaw("[]");
    EXPECT_EQ(list.Text(), "[{\"k\":\"v\"},[]]");
}

TEST(CliFormats, TheExtensionPicksAFormatThatCanCarryTheAddresses)
{
    ASSERT_NE(QkFormatByExtension("out.HEX"), nullptr);
    EXPECT_STREQ(QkFormatByExtension("out.HEX")->name, "intel386");
    EXPECT_STREQ(QkFormatByExtension("a.s19")->name, "s1");
    EXPECT_EQ(QkFormatByExtension("a.s19")->highest, 0xFFFFu);
    EXPECT_STREQ(QkFormatByExtension("a.s28")->name, "s2");
    EXPECT_EQ(QkFormatByExtension("a.s28")->highest, 0xFFFFFFu);
    // A dot in a folder name is no extension.
    EXPECT_EQ(QkFormatByExtension("dir.hex/image"), nullptr);
    EXPECT_EQ(QkFormatByExtension("image"), nullptr);
    EXPECT_EQ(QkFormatByExtension("image.txt"), nullptr);
    EXPECT_EQ(QkFormatByName("intel-seg")->highest, 0xFFFFFu);
    EXPECT_EQ(QkFormatByName("S3"), nullptr); // names are as the help writes them
}

TEST(CliRun, ExitStatusAndResultFollowTheOutcome)
{
    clCliRun run;
    run.operation = "verify";
    run.outcome = clCliOutcome::failed;
    EXPECT_EQ(run.ExitStatus(), 2);
    run.outcome = clCliOutcome::error;
    EXPECT_EQ(run.ExitStatus(), 3);
    run.outcome = clCliOutcome::aborted;
    EXPECT_EQ(run.ExitStatus(), 4);
    EXPECT_STREQ(run.ResultText(), "aborted");
    // A trace line marks a missing port, range and image checksum with "-".
    EXPECT_NE(run.TraceLine().find(" verify port=- device= space= range=- image=- result=aborted error=0"),
              std::string::npos)
        << run.TraceLine();
}

} // namespace
