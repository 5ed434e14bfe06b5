#include <gtest/gtest.h>

#include "source/settings/aboutlist.h"

namespace {

TEST(AboutList, VersionsTakeTheirFormByWhatTheyHold)
{
    EXPECT_EQ(QkVersionText("", clVerInfo("QKDB", 3, 32)), "QKDB 3.32");
    EXPECT_EQ(QkVersionText("", clVerInfo("QKComm-2", 3, 1)), "QKComm-2 3.01");
    EXPECT_EQ(QkVersionText("x ", clVerInfo("QKJTAG", 1, 5, 'b', 7)), "x QKJTAG 1.05.b.7");
    EXPECT_EQ(QkVersionText("", clVerInfo("QKDemo", 0, 0)), "QKDemo");
}

TEST(AboutList, GroupsFollowTheirLabelsAndFurtherVersionsAreIndented)
{
    const auto lines = QkAboutLines("QK-JTAG 3.1.0", true, {clVerInfo("QKComm-2", 3, 1)},
                                    {clVerInfo("QKJTAG", 1, 50), clVerInfo("Boot", 1, 0)}, {clVerInfo("QKDB", 3, 32)});
    EXPECT_EQ(lines,
              (std::vector<std::string>{"QK-JTAG 3.1.0", "   Protocol: QKComm-2 3.01", "   Device:   QKJTAG 1.50",
                                        "     -  Boot 1.00", "   DBase:    QKDB 3.32"}));
    const auto offline = QkAboutLines("QK-JTAG 3.1.0", false, {}, {}, {clVerInfo("QKDB", 3, 32)});
    EXPECT_EQ(offline[1], "   Protocol: Not Connected");
    EXPECT_EQ(offline[2], "   Device:   Not Connected");
    // Both size queries unanswered (robot mode): said once.
    const clVerInfo lost("Communication Error", 0, 0);
    const auto robot = QkAboutLines("QK-JTAG 3.1.0", true, {clVerInfo("QKComm-2", 3, 1)},
                                    {clVerInfo("QKJTAG", 1, 50), lost, lost}, {clVerInfo("QKDB", 3, 32)});
    EXPECT_EQ(robot[3], "     -  Communication Error");
    EXPECT_EQ(robot[4], "   DBase:    QKDB 3.32");
}

} // namespace
