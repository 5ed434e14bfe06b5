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
        m_Comm.reset();
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

    clTestComm& Make(std::vector<std::string> switches = {})
    {
        m_Args = {"qkprog"};
        m_Args.insert(m_Args.end(), switches.begin(), switches.end());
        m_Argv.clear();
        for (const auto& a : m_Args)
            m_Argv.push_back(a.c_str());
        m_Comm = std::make_unique<clTestComm>(static_cast<int>(m_Argv.size()), m_Argv.data(), m_Db);
        return *m_Comm;
    }

    // Connects the facade to qksim with the real protocol.
    clTestComm& Connected()
    {
        clTestComm& comm = m_Comm ? *m_Comm : Make();
        comm.Connect(QK_PORT_CFG{kComNo, 1, 1}, 0);
        EXPECT_EQ(comm.GetProtocol(), 1);
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
    std::vector<std::string> m_Args;
    std::vector<const char*> m_Argv;
    std::unique_ptr<clTestComm> m_Comm;
};
