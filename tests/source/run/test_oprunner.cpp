// The operation runner both front ends use: outcomes by what was raised, the
// program cycle's order and its statistics.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comm/qkcommexpt.h"
#include "source/project/qkopts.h"
#include "source/run/oprunner.h"

namespace {

const char* const kArgs[] = {"qkprog"};

class Runner : public ::testing::Test {
protected:
    Runner() { QkRegisterOptions(options); }

    // A cycle with every step, each recorded; the step named raise raises.
    clCycleOrders Orders(const std::string& failing = "", std::function<void()> raise = {})
    {
        const auto step = [this, failing, raise](const std::string& name) {
            return [this, name, failing, raise] {
                steps.push_back(name);
                if (name == failing)
                    raise();
            };
        };
        return {step("sig"), step("erase"), step("blank"), step("delay"), step("program")};
    }

    clDataBase db{GetDLLDBaseInstance()};
    clQKComm comm{1, kArgs, db};
    TBscOptServer options{kQkOptArrayName};
    clOpRunner runner{comm, options};
    std::vector<std::string> steps;
};

TEST_F(Runner, StatisticsCountCyclesSuccessesAndFailuresAndStopAtTheTop)
{
    clPgmStats& stats = runner.Stats();
    stats.Begin();
    stats.Failed();
    stats.Begin();
    stats.Succeeded();
    stats.Begin();
    stats.Succeeded();
    EXPECT_EQ(stats.Cycles(), 3);
    EXPECT_EQ(stats.Failures(), 1);
    EXPECT_EQ(stats.Successes(), 2);
    // A stopped cycle is taken back, so the next success counts right.
    stats.Begin();
    stats.Aborted();
    stats.Begin();
    stats.Succeeded();
    EXPECT_EQ(stats.Cycles(), 4);
    EXPECT_EQ(stats.Successes(), 3);
    options.Set(kOptPgmCycle, std::uint16_t{65535});
    stats.Begin();
    stats.Succeeded();
    EXPECT_EQ(stats.Cycles(), 65535);
    EXPECT_EQ(stats.Successes(), 65534);
    stats.Reset();
    EXPECT_EQ(stats.Cycles() + stats.Successes() + stats.Failures(), 0);
}

TEST_F(Runner, ACycleTakesItsStepsInOrderAndCountsItself)
{
    const clCycleOrders orders = Orders();
    EXPECT_EQ(runner.RunProgram([&] { runner.ProgramCycle(orders, true); }).outcome, clOpOutcome::succeeded);
    EXPECT_EQ(steps, (std::vector<std::string>{"sig", "erase", "blank", "delay", "program"}));
    // Without the log (the "All" view, a security space) there is no delay;
    // steps not asked for are left out.
    steps.clear();
    clCycleOrders some = Orders();
    some.sigChk = some.blankCheck = nullptr;
    runner.RunProgram([&] { runner.ProgramCycle(some, false); });
    EXPECT_EQ(steps, (std::vector<std::string>{"erase", "program"}));
    EXPECT_EQ(runner.Stats().Cycles(), 2);
    EXPECT_EQ(runner.Stats().Successes(), 2);
}

TEST_F(Runner, WhatWasRaisedDecidesTheOutcomeAndTheStatistics)
{
    struct {
        std::function<void()> raise;
        clOpOutcome outcome;
        bool reconnect, connectAnew;
    } cases[] = {
        {[] { throw clXAbort(); }, clOpOutcome::aborted, false, false},
        {[] { throw clQKTargetFail(); }, clOpOutcome::failed, false, false},
        {[] { throw clQKCommExpt(); }, clOpOutcome::error, true, false},
        {[] { throw clQKTargetErr(); }, clOpOutcome::error, true, false},
        {[] { throw clQKTargetPwrUp(); }, clOpOutcome::error, false, true},
        {[] { throw clQkNotCarriedOut(); }, clOpOutcome::error, false, false},
    };
    for (const auto& c : cases) {
        steps.clear();
        const clCycleOrders orders = Orders("erase", c.raise);
        const clOpResult result = runner.RunProgram([&] { runner.ProgramCycle(orders, true); });
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.reconnect, c.reconnect);
        EXPECT_EQ(result.connectAnew, c.connectAnew);
        EXPECT_EQ(steps, (std::vector<std::string>{"sig", "erase"})); // nothing after the failure
    }
    // The stop took its cycle back; the rest are failures.
    EXPECT_EQ(runner.Stats().Cycles(), 5);
    EXPECT_EQ(runner.Stats().Failures(), 5);
    EXPECT_EQ(runner.Stats().Successes(), 0);
    EXPECT_EQ(runner.Run([] { throw clXAbort(); }).outcome, clOpOutcome::aborted);
    EXPECT_EQ(runner.Stats().Cycles(), 5); // not a program cycle
}

} // namespace
