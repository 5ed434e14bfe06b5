#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "comm/commswtch.h"

namespace {

// Keeps an argument vector alive for a switch set.
class clArgs {
public:
    clArgs(std::initializer_list<const char*> args) : m_Args{"qkprog"}
    {
        m_Args.insert(m_Args.end(), args.begin(), args.end());
    }
    int Count() const { return static_cast<int>(m_Args.size()); }
    const char* const* Vector() const { return m_Args.data(); }

private:
    std::vector<const char*> m_Args;
};

struct Set {
    explicit Set(std::initializer_list<const char*> list) : args(list), sw(args.Count(), args.Vector()) {}
    clArgs args;
    clCommSwtch sw;
};

TEST(Switches, FlagsNeedAPrefixAndMatchAnyFormInAnyCase)
{
    EXPECT_EQ(Set({"-nv"}).sw.IsSet(qksw::kNoVfy), 1);
    EXPECT_EQ(Set({"/NOVFY"}).sw.IsSet(qksw::kNoVfy), 1);
    EXPECT_EQ(Set({"NV"}).sw.IsSet(qksw::kNoVfy), 0);
    EXPECT_EQ(Set({"/NOVFYX"}).sw.IsSet(qksw::kNoVfy), 0);
    EXPECT_EQ(Set({"/iadp", "/qp", "-Demo"}).sw.IsSet(qksw::kForceDemo), 1);
    EXPECT_EQ(Set({"+nv"}).sw.IsSet(qksw::kNoVfy), 0);
    EXPECT_EQ(Set({"/nv"}).sw.IsSet("no_such_key"), 0);
}

TEST(Switches, FlagAndValueFormsOfTheSameWordStaySeparate)
{
    const Set plain({"/COMMLOG"});
    const char* value = nullptr;
    EXPECT_EQ(plain.sw.IsSet(qksw::kCommLog), 1);
    EXPECT_EQ(plain.sw.GetText(qksw::kCommLogPth, value), 0);

    const Set withPath({"/COMMLOG:c:\\x.log"});
    EXPECT_EQ(withPath.sw.IsSet(qksw::kCommLog), 0);
    ASSERT_EQ(withPath.sw.GetText(qksw::kCommLogPth, value), 1);
    EXPECT_STREQ(value, "c:\\x.log");
}

TEST(Switches, IntegersUseBaseZeroAndMustConvertWholly)
{
    std::int32_t v = -1;
    EXPECT_EQ(Set({"/COMMTO:0x10"}).sw.GetInt(qksw::kMulCommTo, v), 1);
    EXPECT_EQ(v, 16);
    EXPECT_EQ(Set({"/commto:010"}).sw.GetInt(qksw::kMulCommTo, v), 1);
    EXPECT_EQ(v, 8);
    EXPECT_EQ(Set({"/COMMTO:12ab"}).sw.GetInt(qksw::kMulCommTo, v), 0);
    EXPECT_EQ(Set({"-BAUDID9600"}).sw.GetInt(qksw::kCommBaud, v), 1);
    EXPECT_EQ(v, 9600);
    // An empty value converts to 0 and counts as found.
    v = -1;
    EXPECT_EQ(Set({"/PDELAY:"}).sw.GetInt(qksw::kPrgDelay, v), 1);
    EXPECT_EQ(v, 0);
    // Values beyond 32 bits are not silently truncated.
    EXPECT_EQ(Set({"/SDELAY:0x100000000"}).sw.GetInt(qksw::kSectorDelay, v), 0);
    EXPECT_EQ(Set({"/SDELAY:0xFFFFFFFF"}).sw.GetInt(qksw::kSectorDelay, v), 1);
    EXPECT_EQ(v, -1);
    EXPECT_EQ(Set({}).sw.GetInt(qksw::kSectorDelay, v), 0);
}

TEST(Switches, TheFirstMatchingArgumentWins)
{
    std::int32_t v = 0;
    EXPECT_EQ(Set({"/MDELAY:5", "/MDELAY:9"}).sw.GetInt(qksw::kMassDelay, v), 1);
    EXPECT_EQ(v, 5);
    const char* text = nullptr;
    ASSERT_EQ(Set({"/vpp:12", "-VPP:13"}).sw.GetText(qksw::kVpp, text), 1);
    EXPECT_STREQ(text, "12");
}

TEST(Switches, EveryKeyOfTheCommunicationSetAnswersToItsForms)
{
    struct Case {
        const char* key;
        const char* arg;
        bool isValue;
    };
    const Case cases[] = {
        {qksw::kNoVfy, "/NV", false},
        {qksw::kNoFst, "/NF", false},
        {qksw::kCommLog, "/COMMLOG", false},
        {qksw::kIgnoreAdp, "/IGNOREADP", false},
        {qksw::kQuickPulse, "/QUICKPULSE", false},
        {qksw::kFpgm, "/FPGM:1", true},
        {qksw::kVpp, "/VPP:1", true},
        {qksw::kRdBaud, "/RDBAUD:1", true},
        {qksw::kSimBaud, "/SIMBAUD:1", true},
        {qksw::kMulCommTo, "/COMMTO:1", true},
        {qksw::kCommLogPth, "/COMMLOG:1", true},
        {qksw::kForceDemo, "/DEMO", false},
        {qksw::kDelaySmallBuf, "/DSMLBUF", false},
        {qksw::kCommBaud, "/BAUDID1", true},
        {qksw::kNoFb, "/NOFB", false},
        {qksw::kSectorDelay, "/SDELAY:1", true},
        {qksw::kMassDelay, "/MDELAY:1", true},
        {qksw::kVoltageLevel, "/VLEVEL:1", true},
        {qksw::kPrgDelay, "/PDELAY:1", true},
    };
    for (const Case& c : cases) {
        const clArgs args{c.arg};
        const clCommSwtch sw(args.Count(), args.Vector());
        const char* value = nullptr;
        if (c.isValue) {
            ASSERT_EQ(sw.GetText(c.key, value), 1) << c.key;
            EXPECT_STREQ(value, "1") << c.key;
        } else {
            EXPECT_EQ(sw.IsSet(c.key), 1) << c.key;
        }
    }
}

TEST(Switches, NonSwitchArgumentsAreCountedWithTheProgram)
{
    EXPECT_EQ(Set({}).sw.NonSwitchCount(), 1);
    EXPECT_EQ(Set({"file.qkp", "/NV", "COM2", "-x"}).sw.NonSwitchCount(), 3);
}

} // namespace
