// The line to the programmer: its status, connecting, synchronising.
#include "source/app/qk51main.h"

#include <cctype>

#include "comm/comport.h"
#include "comm/qkcommexpt.h"
#include "err/errntfy.h"

namespace {
constexpr const char kCannotConnect[] = "Cannot connect with QK-JTAG programmer.";
} // namespace

// The operation sequence.

void clQk51Main::ReadStatus()
{
    // Never nested in another status read. The bracket makes the line again
    // when a failure took it down; without a programmer there is nothing to ask.
    clQkSrvcComm& comm = m_Service.Comm();
    if (m_bInStatus || (comm.IsCommExist() == 0 && !m_bLinked))
        return;
    m_bInStatus = true;
    try {
        QK_STATUS status;
        comm.GetStatusSeq(status);
    } catch (const clBscExpt&) {
    }
    m_bLinked = comm.GetProtocol() == clQkProtocol::real;
    m_bInStatus = false;
    RefreshIndicator();
    RefreshButtons();
}

void clQk51Main::ConnectAgain()
{
    m_Robot.Reconnected();
    try {
        m_Service.Comm().Connect(QK_PORT_CFG{m_iPort, 1, 0}, m_usDevice);
    } catch (const clBscExpt&) {
    }
    m_bLinked = m_Service.Comm().GetProtocol() == clQkProtocol::real;
    ShowLinkProblem(m_iPort);
    RefreshIndicator();
}

void clQk51Main::ShowLinkProblem(int port)
{
    clQkSrvcComm& comm = m_Service.Comm();
    if (comm.GetProtocol() == clQkProtocol::real || comm.IsForceDemo() != 0) {
        m_Window.ShowLinkProblem("");
        return;
    }
    std::string why = comm.GetConnectProblem();
    if (why.empty())
        why = port > 0 ? "no programmer answered at " + QkPortText(port)
                       : std::string("no programmer answered at the ports searched");
    why[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(why[0])));
    if (why.back() != '.' && why.back() != ')')
        why += '.';
    m_Window.ShowLinkProblem(std::string(kCannotConnect) + " " + why);
}

// Connecting and synchronising.

void clQk51Main::OnConnect(int port, bool first)
{
    if (!m_bStarted || m_bClosing || !m_bIdle)
        return;
    clQkSrvcComm& comm = m_Service.Comm();
    m_Robot.Reconnected();
    SetIdle(false);
    m_Window.SetStatus(m_Window.GetStatus(), kColourBlack);
    const clQkPortTable& table = m_Service.Ports();
    try {
        if (port == 0) {
            const QK_PORT_CFG found = comm.SearchConnect(table.usable, table.records.data(), m_usDevice);
            m_iPort = found.m_lPortNo == -1 ? 0 : found.m_lPortNo;
        } else {
            comm.Connect(QK_PORT_CFG{port, 1, 0}, m_usDevice);
            m_iPort = port;
        }
    } catch (const clBscExpt&) {
        // A failed search ends on no port: "Scan" stays the choice.
        m_iPort = port < 0 ? 0 : port;
    }
    m_bLinked = comm.GetProtocol() == clQkProtocol::real;
    ShowLinkProblem(port);
    SetIdle(true);
    // Synchronising ends on its own result ("Ready", or "Aborted" when a
    // close request stopped it).
    if (comm.GetProtocol() == clQkProtocol::real)
        Synchronize();
    else
        SetAction(actIdle);
    RefreshIndicator();
    if (first && (m_iTipMode == 1 || m_iTipMode == 2))
        m_Window.ShowTipOfDay();
}

void clQk51Main::Synchronize()
{
    clQkSrvcComm& comm = m_Service.Comm();
    clQkSpaces& spaces = m_Service.Spaces();
    SetAction(actStartup);
    m_Window.SetStatus("Synchronizing", kColourBlack);
    SetIdle(false);
    bool failed = false, aborted = false;
    try {
        comm.SetupDevice(m_usDevice);
        for (int space = 1; space <= kSpaceCount; ++space) {
            if (!spaces.HasSpace(space))
                continue;
            clQKHugeBuffer& buffer = spaces.Buffer(space);
            // Only the space the programmer holds; the others stay here. What
            // a stop leaves unsynced goes before the next order needs it.
            if (buffer.GetComm() != nullptr && buffer.HasMemory())
                QkSendSpace(comm, buffer, "Synchronizing");
        }
    } catch (const clXAbort&) {
        // Stopped by a close request: the window stays, nothing reconnects.
        aborted = true;
    } catch (const clBscExpt&) {
        failed = true;
    }
    SetAction(aborted ? actAborted : actIdle);
    SetIdle(true);
    if (!failed && !aborted) {
        try {
            comm.WrPrjDescrSeq(m_sDescription.c_str());
        } catch (const clBscExpt&) {
            failed = true;
        }
    }
    SetAction(actIdle);
    // One reconnection after a failed synchronisation; a line that keeps
    // failing must not make the window reconnect for ever.
    if (failed && !m_bSyncRetried) {
        m_bSyncRetried = true;
        m_Window.PostConnect(m_iPort);
    } else if (!failed) {
        m_bSyncRetried = false;
    }
}
