// A test fixture: qksim on a pseudo-terminal, and the program's side of the
// facade connected to it through the real communication library, with
// every report and progress step recorded.
#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "comm/comports.h"
#include "comm/qkbootlib.h"
#include "tests/comm/uirecorder.h"
#include "tests/e2e/simproc.h"
#include "tests/testutil.h"

class FacadeSimTest : public ::testing::Test {
protected:
    static constexpr int kComNo = 44;
    static constexpr std::uint32_t spData = 1;

    void TearDown() override
    {
        m_Maker.Reset();
        m_Sim.Stop();
        ComMapPort(kComNo, "");
        clBootLibrary::SetPath(nullptr);
        clBootLibrary::SetRestartWaitMs(10000);
    }

    // Starts qksim, without line-rate emulation unless args say otherwise,
    // with a frame log in the test's folder, on COM kComNo.
    void StartSim(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--baud", "0"});
        args.insert(args.end(), {"--frame-log", FrameLogPath()});
        ASSERT_TRUE(m_Sim.Start(args)) << m_Sim.Error();
        ComMapPort(kComNo, m_Sim.Path());
    }

    clTestComm& Make(const std::vector<std::string>& switches = {}) { return m_Maker.Make(m_Db, switches); }

    // Connects the facade to qksim with the real protocol.
    clTestComm& Connected()
    {
        clTestComm& comm = m_Maker.Get() != nullptr ? *m_Maker.Get() : Make();
        comm.Connect(QK_PORT_CFG{kComNo, 1, 1}, 0);
        EXPECT_EQ(comm.GetProtocol(), clQkProtocol::real);
        return comm;
    }

    std::string FrameLogPath() const { return m_Dir.File("frames.log"); }
    std::string FrameLog() const { return ReadText(FrameLogPath()); }
    // Lines of the frame log that contain text.
    std::size_t FrameLines(const std::string& text) const
    {
        std::size_t n = 0;
        std::istringstream log(FrameLog());
        for (std::string line; std::getline(log, line);)
            n += line.find(text) != std::string::npos ? 1 : 0;
        return n;
    }

    clTempDir m_Dir;
    clUiRecorder m_Ui;
    clDataBase m_Db{GetDLLDBaseInstance()};
    clSimProcess m_Sim;
    clTestCommMaker m_Maker;
};
