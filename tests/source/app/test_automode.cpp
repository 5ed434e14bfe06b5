// Production use without the window: statistics, the start-button poll,
// robot mode and "&Flash", against a facade that records its calls.
#include <gtest/gtest.h>

#include "comm/qkcommexpt.h"
#include "source/app/automode.h"
#include "source/project/qkopts.h"

namespace {

using namespace qkmode;

const char* const kArgs[] = {"qkprog"};

// The facade's calls of these commands, each answered as the test says.
class clCallLog : public clQKComm {
public:
    explicit clCallLog(clDataBase& db) : clQKComm(1, kArgs, db) {}

    void RobotSeq(int on) override { Call("robot " + std::to_string(on)); }
    void SetAutoOptSeq(int a, int b, int c) override
    {
        Call("auto " + std::to_string(a) + std::to_string(b) + std::to_string(c));
    }
    void RobotStateSeq() override { Call("robot state"); }
    void PgmFlshSeq() override { Call("flash"); }
    void PgmDConfSeq(int& result) override
    {
        Call("config");
        result = configResult;
    }

    std::vector<std::string> calls;
    std::string failAt; // the call that raises
    std::function<void()> raise;
    int configResult = 1;

private:
    void Call(const std::string& what)
    {
        calls.push_back(what);
        if (what == failAt)
            raise();
    }
};

class clHostLog : public clModeHost {
public:
    explicit clHostLog(clQKComm& comm) : m_Comm(comm) { QkRegisterOptions(options); }

    clQKComm& Comm() override { return m_Comm; }
    clOptSrvInterface& Options() override { return options; }
    bool IsClosing() override { return closing; }
    void SetAction(int action) override { Step("action " + std::to_string(action)); }
    void SetIdle(bool idle) override { Step(idle ? "idle" : "busy"); }
    void SetStatus(const std::string& text, std::uint32_t) override { Step("status " + text); }
    void ShowControl(int id, bool shown) override { Step((shown ? "show " : "hide ") + std::to_string(id)); }
    void EnableControl(int id, bool enabled) override
    {
        if (!enabled)
            disabled.push_back(id);
    }
    void FocusControl(int id) override { Step("focus " + std::to_string(id)); }
    void ReadStatus() override { Step("status read"); }
    void ShowMessage(const std::string& text, const std::string& caption) override
    {
        Step("box " + caption + ": " + text);
    }
    void Reconnect() override { Step("reconnect"); }
    void PostConnect() override { Step("connect anew"); }

    TBscOptServer options{kQkOptArrayName};
    bool closing = false;
    std::vector<std::string> steps;
    std::vector<int> disabled;

private:
    void Step(const std::string& step) { steps.push_back(step); }
    clQKComm& m_Comm;
};

class Modes : public ::testing::Test {
protected:
    clDataBase db{GetDLLDBaseInstance()};
    clCallLog comm{db};
    clHostLog host{comm};
};

TEST(StartPoll, OnlyWhenAllowedLinkedIdleAndSpaced)
{
    clStartPoll poll;
    clStartPoll::clWindowState state{false, true, actFailed, true};
    EXPECT_TRUE(poll.IsDue(state, 1000));
    for (const int action : {0, 13, 14})
        EXPECT_TRUE(poll.IsDue({false, true, action, true}, 1000)) << action;
    for (const int action : {4, 5, 6, 7, 8, 9, 10, 11, 18, 19})
        EXPECT_FALSE(poll.IsDue({false, true, action, true}, 1000)) << action;
    EXPECT_FALSE(poll.IsDue({true, true, actIdle, true}, 1000));   // "Ignore Start Stop"
    EXPECT_FALSE(poll.IsDue({false, false, actIdle, true}, 1000)); // no link
    EXPECT_FALSE(poll.IsDue({false, true, actIdle, false}, 1000)); // a command runs

    int reads = 0;
    auto pressed = [&reads](QK_STATUS& status) {
        ++reads;
        status.SetStartBttnClicked(1);
    };
    EXPECT_TRUE(poll.Run(state, pressed, 1000));
    EXPECT_FALSE(poll.Run(state, pressed, 1500)); // exactly 500 ms later: not yet
    EXPECT_TRUE(poll.Run(state, pressed, 1501));
    EXPECT_EQ(reads, 2);
    poll.Restart(5000); // the flag went off: the first poll comes 500 ms later
    EXPECT_FALSE(poll.IsDue(state, 5400));
    EXPECT_TRUE(poll.IsDue(state, 5501));
}

TEST(StartPoll, AStatusWithoutAPressOrAFailureOrANestedPassPostsNothing)
{
    clStartPoll poll;
    const clStartPoll::clWindowState state{false, true, actIdle, true};
    EXPECT_FALSE(poll.Run(
        state, [](QK_STATUS& status) { status.Reset(); }, 1000));
    EXPECT_EQ(poll.LastPollMs(), 1000);
    EXPECT_FALSE(poll.Run(
        state, [](QK_STATUS& status) { status.SetStartBttnClicked(0); }, 2000));
    // A failed read leaves the poll time: the next pass polls again.
    EXPECT_FALSE(poll.Run(
        state, [](QK_STATUS&) { throw clQKCommExpt(); }, 3000));
    EXPECT_EQ(poll.LastPollMs(), 2000);
    bool nested = true;
    EXPECT_TRUE(poll.Run(
        state,
        [&](QK_STATUS& status) {
            nested = poll.Run(
                state, [](QK_STATUS& s) { s.SetStartBttnClicked(1); }, 3001);
            status.SetStartBttnClicked(1);
        },
        3001));
    EXPECT_FALSE(nested);
}

TEST_F(Modes, RobotSendsItsCallsShowsTheBoxAndLocksAllButSettings)
{
    QkWriteAutoOptions(host.options, {1, 0, 1, 1});
    clRobotMode robot;
    robot.Run(host);
    EXPECT_EQ(comm.calls, (std::vector<std::string>{"robot 1", "auto 110", "robot state"}));
    EXPECT_EQ(host.steps, (std::vector<std::string>{"hide 153", "busy", "action 19", "action 14",
                                                    std::string("box Message: ") + kRobotMessage, "idle", "show 153",
                                                    "action 0", "status read", "focus 135"}));
    EXPECT_TRUE(robot.IsActive());
    EXPECT_EQ(host.disabled, clRobotMode::LockedButtons());
    EXPECT_EQ(std::count(host.disabled.begin(), host.disabled.end(), ctlSettings), 0);
    robot.Reconnected();
    EXPECT_FALSE(robot.IsActive());
}

TEST_F(Modes, ARobotThatFailedSaysFailedNotRobotButWaitsForAReconnection)
{
    comm.failAt = "auto 000";
    comm.raise = [] { throw clQKCommExpt(); };
    clRobotMode robot;
    robot.Run(host);
    EXPECT_EQ(comm.calls, (std::vector<std::string>{"robot 0", "auto 000"}));
    EXPECT_EQ(std::count(host.steps.begin(), host.steps.end(), "action 12"), 1);
    for (const auto& step : host.steps)
        EXPECT_EQ(step.find("box"), std::string::npos);
    EXPECT_TRUE(robot.IsActive());
    host.closing = true;
    host.steps.clear();
    robot.Run(host);
    EXPECT_TRUE(host.steps.empty());
}

TEST_F(Modes, FlashStoresTheProjectOnlyWhileAllowed)
{
    QkRunFlash(false, host);
    EXPECT_TRUE(comm.calls.empty());
    EXPECT_TRUE(host.steps.empty());

    QkWriteAutoOptions(host.options, {0, 1, 1, 0});
    QkRunFlash(true, host);
    EXPECT_EQ(comm.calls, (std::vector<std::string>{"auto 011", "flash", "config"}));
    EXPECT_EQ(host.steps,
              (std::vector<std::string>{std::string("status ") + kFlashStatus, "hide 133", "busy", "action 5",
                                        "action 14", "idle", "action 0", "show 133", "status read", "focus 133"}));
}

TEST_F(Modes, FlashFailuresEndByWhatWasRaised)
{
    comm.configResult = 0; // the configuration was not programmed
    QkRunFlash(true, host);
    EXPECT_EQ(host.steps[4], "action 12");

    struct {
        std::function<void()> raise;
        std::vector<std::string> steps;
    } cases[] = {
        {[] { throw clXAbort(); }, {"action 11"}},
        {[] { throw clQKTargetFail(); }, {"action 12"}},
        {[] { throw clQKCommExpt(); }, {"action 13", "reconnect"}},
        {[] { throw clQKTargetErr(); }, {"action 13", "reconnect"}},
        {[] { throw clQKTargetPwrUp(); }, {"action 13", "connect anew"}},
    };
    for (auto& c : cases) {
        host.steps.clear();
        comm.failAt = "flash";
        comm.raise = c.raise;
        QkRunFlash(true, host);
        std::vector<std::string> expected{std::string("status ") + kFlashStatus, "hide 133", "busy", "action 5"};
        expected.insert(expected.end(), c.steps.begin(), c.steps.end());
        expected.insert(expected.end(), {"idle", "action 0", "show 133", "status read", "focus 133"});
        EXPECT_EQ(host.steps, expected) << c.steps.front();
    }
}

} // namespace
