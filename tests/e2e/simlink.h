// A test fixture: qksim on a pseudo-terminal and the real protocol layer
// connected to it through the real serial link, with the communication
// library's error reports recorded.
#pragma once

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "comm/commswtch.h"
#include "comm/comports.h"
#include "comm/qkcommer.h"
#include "comm/qkcomml2.h"
#include "cpplib/qkbufint.h"
#include "qkdb/dbase32.h"
#include "tests/e2e/simproc.h"
#include "tests/testutil.h"

// What a report carried.
struct clSeenErr {
    unsigned short no = 0;
    ERR_TYPE type = 0;
    unsigned char option = 0;
    bool hasAddress = false;
    std::uint32_t address = 0;
    unsigned char device = 0;
    unsigned char buffer = 0;
};

class clRecordingNtfy : public clBasicErrNtfy {
public:
    explicit clRecordingNtfy(std::vector<clSeenErr>& seen) : m_Seen(seen) {}
    int Notify(const clBasicErr& err) override
    {
        clSeenErr e{err.GetErrNo(), err.GetErrType(), err.GetErrOpt()};
        if (const auto* blank = dynamic_cast<const clQKCommBlnkErr*>(&err)) {
            e.hasAddress = true;
            e.address = blank->GetAddress().GetLinear();
            e.device = blank->GetDeviceValue();
        } else if (const auto* verify = dynamic_cast<const clQKCommVrfErr*>(&err)) {
            e.hasAddress = true;
            e.address = verify->GetAddress().GetLinear();
            e.device = verify->GetDeviceValue();
            e.buffer = verify->GetBufferValue();
        }
        m_Seen.push_back(e);
        return erIdAbort;
    }

private:
    std::vector<clSeenErr>& m_Seen;
};

// The protocol layer with the progress hook a facade would give it.
class clTestLL2 : public clQKCommLL2 {
public:
    using clQKCommLL2::clQKCommLL2;
    std::function<int(unsigned char, std::uint32_t, unsigned short)> onProgress;
    int Progress(unsigned char percent, const clAdrs& address, unsigned short textNo) override
    {
        return onProgress ? onProgress(percent, address.GetLinear(), textNo) : 1;
    }
};

class SimLinkTest : public ::testing::Test {
protected:
    static constexpr int kComNo = 42;

    void SetUp() override { GetCommErrMngr().OpenErrMngr(new clRecordingNtfy(m_Errors), nullptr); }
    void TearDown() override
    {
        m_LL.reset();
        m_Sim.Stop();
        ComMapPort(kComNo, "");
        GetCommErrMngr().CloseErrMngr();
    }

    // Starts qksim with a frame log and a dump in the test's folder.
    void StartSim(std::vector<std::string> args)
    {
        args.insert(args.end(), {"--frame-log", FrameLogPath(), "--dump", DumpPath()});
        ASSERT_TRUE(m_Sim.Start(args)) << m_Sim.Error();
        ComMapPort(kComNo, m_Sim.Path());
    }

    // Makes the protocol object, with command-line switches, and connects it.
    void Connect(std::vector<std::string> switches = {}, const char* logPath = nullptr)
    {
        m_Args = {"qkprog"};
        m_Args.insert(m_Args.end(), switches.begin(), switches.end());
        m_Argv.clear();
        for (const auto& a : m_Args)
            m_Argv.push_back(a.c_str());
        m_Switches = std::make_unique<clCommSwtch>(static_cast<int>(m_Argv.size()), m_Argv.data());
        m_LL = std::make_unique<clTestLL2>(*m_Switches, m_Db, 0);
        if (logPath != nullptr) {
            ASSERT_NE(m_LL->InitCommLog(logPath), nullptr);
        }
        m_LL->Connect(Port());
    }

    QK_COMM_PORT Port()
    {
        QK_COMM_PORT port;
        clTestLL2 defaults(*m_Switches, m_Db, 0);
        defaults.GetPortDefaults(port);
        port.m_lPortNo = kComNo;
        port.m_lPortKind = 1;
        port.m_lComIndex = kComNo - 1;
        return port;
    }

    // A data-space buffer of size bytes from start with the command range
    // set to all of it.
    static std::unique_ptr<clQKHugeBufIntr> MakeBuffer(std::uint32_t size, std::uint32_t start = 0)
    {
        auto buf = std::make_unique<clQKHugeBufIntr>("Data");
        buf->SetParams(size, clAdrs(start));
        buf->SetSpaceId(clQKCommLL2::spData);
        return buf;
    }

    // Random bytes with runs of 0xFF of many lengths, around the fill-frame
    // threshold too; a zero on each side keeps every run its own length.
    static void FillRandomWithRuns(clQKHugeBufIntr& buf, unsigned seed)
    {
        std::mt19937 random(seed);
        std::vector<unsigned char> bytes(buf.GetSize());
        for (auto& b : bytes)
            b = static_cast<unsigned char>(random());
        static constexpr std::uint32_t kRuns[] = {23, 24, 25, 100, 4097, 16384, 20000};
        std::uint32_t at = 1000;
        for (int round = 0; at < bytes.size(); ++round) {
            const std::uint32_t length = kRuns[round % std::size(kRuns)];
            bytes[at - 1] = 0x00;
            for (std::uint32_t i = 0; i < length && at + i < bytes.size(); ++i)
                bytes[at + i] = 0xFF;
            if (at + length < bytes.size())
                bytes[at + length] = 0x00;
            at += length + 7919;
        }
        buf.Write(buf.GetStartAdrs(), buf.GetStopAdrs(), bytes.data());
    }

    static std::vector<unsigned char> BytesOf(const clHugeBuffer<unsigned char>& buf)
    {
        std::vector<unsigned char> bytes(buf.GetSize());
        buf.Read(buf.GetStartAdrs(), buf.GetStopAdrs(), bytes.data());
        return bytes;
    }

    // Runs an operation as a facade does: prolog, the operation, epilog
    // (also after a failure, whose exception is passed on).
    template <class F>
    void Sequence(F&& operation)
    {
        m_LL->Prolog();
        try {
            operation();
        } catch (...) {
            m_LL->Epilog();
            throw;
        }
        m_LL->Epilog();
    }

    std::string FrameLogPath() const { return m_Dir.File("frames.log"); }
    std::string DumpPath() const { return m_Dir.File("device.bin"); }
    std::string FrameLog() const { return ReadText(FrameLogPath()); }

    clTempDir m_Dir;
    clSimProcess m_Sim;
    clDataBase m_Db{GetDLLDBaseInstance()};
    std::vector<std::string> m_Args;
    std::vector<const char*> m_Argv;
    std::unique_ptr<clCommSwtch> m_Switches;
    std::unique_ptr<clTestLL2> m_LL;
    std::vector<clSeenErr> m_Errors;
};
