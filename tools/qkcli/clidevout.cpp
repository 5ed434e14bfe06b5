// What a device command reports as it ends: the verify report, the error it
// names, the result line or JSON and the trace.
#include "tools/qkcli/clidevice.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "comm/qkcommer.h"
#include "cpplib/qkfile.h"
#include "source/run/vfyreport.h"
#include "tools/qkcli/clijson.h"

namespace {

// The record that says most: the first one that is not the general
// "communication error" that follows every failure.
std::optional<clCliMessage> MainMessage(const std::vector<clCliMessage>& messages)
{
    for (const clCliMessage& m : messages)
        if (m.number != 2)
            return m;
    if (!messages.empty())
        return messages.front();
    return std::nullopt;
}

} // namespace

// After a verify failure: the range read back and compared, every run of
// differing bytes written to the report.
void clDeviceRun::WriteVerifyReport(clCliComm& comm)
{
    const clQKHugeBuffer& expected = m_Work.Spaces().Buffer(m_iSpace);
    clQKHugeBufIntr actual(expected.GetName());
    actual.SetParams(expected.GetSize(), expected.GetStartAdrs());
    actual.SetSpaceId(expected.GetSpaceId());
    actual.SetCmdAddresses(expected.GetCmdStartAdrs(), expected.GetCmdStopAdrs());
    m_Events.Phase("read back");
    // The failure disconnected the programmer: the bracket connects again.
    comm.Prolog();
    comm.Epilog();
    Order(comm, actual, [&] { comm.ReadSeq(actual); });
    const std::uint32_t first = expected.GetCmdStartAdrs().GetLinear();
    const std::uint32_t last = expected.GetCmdStopAdrs().GetLinear();
    std::vector<unsigned char> want(last - first + 1), got(last - first + 1);
    expected.Read(clAdrs(first), clAdrs(last), want.data());
    actual.Read(clAdrs(first), clAdrs(last), got.data());
    clJsonArray list;
    for (const clMismatch& m : QkFindMismatches(want.data(), got.data(), want.size(), first)) {
        clJsonObject item;
        item.Add("start", static_cast<std::int64_t>(m.first)).Add("end", static_cast<std::int64_t>(m.last));
        item.Add("count", static_cast<std::int64_t>(m.bytes));
        item.Add("bits_0_to_1", static_cast<std::int64_t>(m.bits0to1));
        item.Add("bits_1_to_0", static_cast<std::int64_t>(m.bits1to0));
        list.Add(item);
    }
    clJsonObject report;
    report.Add("device", m_Run.device).Add("space", m_Run.space);
    report.AddRaw("range", "[" + std::to_string(first) + "," + std::to_string(last) + "]");
    report.AddRaw("mismatches", list.Text());
    const std::string text = report.Text() + "\n";
    if (!QkWriteFileAtomically(m_Args.Value("report"), text.data(), text.size()))
        std::fprintf(stderr, "qkcli verify: cannot write the report %s\n", m_Args.Value("report").c_str());
}

// The error the result names: what the programmer and the library said.
void clDeviceRun::TakeMessages(const clCliComm& comm)
{
    if (m_Run.protocol == clQkProtocol::demo && !m_Args.Has("demo") && !m_Run.error) {
        clCliMessage cannot;
        cannot.number = 1;
        cannot.text = QkCommMessage(1);
        m_Run.error = cannot;
    }
    if (m_Run.outcome != clCliOutcome::ok && !m_Run.error)
        m_Run.error = MainMessage(m_Ui.GetMessages());
    // Why the port could not be opened goes beside "Cannot connect ...".
    if (m_Run.error && m_Run.error->number == 1 && m_Run.detail.empty())
        m_Run.detail = comm.GetConnectProblem();
    if (m_Run.outcome == clCliOutcome::aborted && !m_Run.error) {
        clCliMessage stopped;
        stopped.text = "Aborted";
        m_Run.error = stopped;
    }
}

// Prints the result and appends the trace line; false when the trace could
// not be written.
bool clDeviceRun::Finish()
{
    bool traced = true;
    if (m_Args.Has("trace") && !QkAppendTrace(m_Args.Value("trace"), m_Run.TraceLine())) {
        std::fprintf(stderr, "qkcli %s: cannot append to the trace %s\n", m_Info.name, m_Args.Value("trace").c_str());
        traced = false;
    }
    if (m_Args.Has("json") || m_Args.Has("json-events")) {
        std::printf("%s\n", m_Run.Json().c_str());
        return traced;
    }
    if (m_Run.outcome != clCliOutcome::ok) {
        if (m_Run.error && m_Ui.GetMessages().empty())
            std::fprintf(stderr, "%s\n", m_Run.error->text.c_str());
        if (!m_Run.detail.empty())
            std::fprintf(stderr, "qkcli %s: %s\n", m_Info.name, m_Run.detail.c_str());
        if (m_Run.serial)
            std::fprintf(stderr, "qkcli %s: serial %s: %s in the ledger\n", m_Info.name, m_Run.serial->shown.c_str(),
                         m_Run.serial->ledgerState.c_str());
        std::fprintf(stderr, "qkcli %s: %s\n", m_Info.name, m_Run.ResultText());
        return traced;
    }
    if (m_Args.Has("quiet"))
        return traced;
    char range[48];
    std::snprintf(range, sizeof range, "0x%X..0x%X", *m_Run.start, *m_Run.stop);
    std::printf("%s %s %s %s: ok", m_Run.device.c_str(), m_Run.space.c_str(), range, m_Info.name);
    if (m_Run.checksum)
        std::printf(", checksum %04X", *m_Run.checksum);
    if (m_Run.serial)
        std::printf(", serial %s", m_Run.serial->shown.c_str());
    std::printf(" (%s protocol, %s)", QkProtocolName(m_Run.protocol), m_Run.port.c_str());
    if (!m_Run.dataFile.empty() && m_Run.imageChecksum)
        std::printf("; data %s, image checksum %04X", m_Run.dataFile.c_str(), *m_Run.imageChecksum);
    std::printf("\n");
    return traced;
}
