// qksim's end of the line: a pseudo-terminal whose other end the host opens
// as a serial port, with the line rate emulated in both directions.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "tools/qksim/simcontrol.h"
#include "tools/qksim/simproto.h"

class clSimLine {
public:
    clSimLine() = default;
    clSimLine(const clSimLine&) = delete;
    clSimLine& operator=(const clSimLine&) = delete;
    ~clSimLine();

    // Creates the terminal (and the link to it, replacing an old link).
    bool Open(const std::string& link, std::string& error);
    const std::string& Path() const { return m_sPath; }

    // Serves the protocol until stop is set or the line-drop fault strikes.
    // baud 0: no line-rate emulation. press: set by a signal to press the
    // start button. control: the command channel, or null.
    void Serve(clSimProtocol& protocol, std::uint32_t baud, const std::atomic<bool>& stop, std::atomic<bool>& press,
               clSimControl* control);
    // Every reply waits ms before it goes on the line.
    void SetReplyDelay(std::uint32_t ms) { m_llReplyDelayNs = static_cast<std::int64_t>(ms) * 1000000; }
    // Hangs up: the host sees the line go.
    void HangUp();

private:
    // Writes bytes to the host, starting on the line no earlier than notBefore (ns).
    void Send(const std::vector<unsigned char>& bytes, std::int64_t notBefore);

    int m_iMaster = -1;
    int m_iSlave = -1; // held open so a host may close and reopen its end
    std::string m_sPath;
    std::string m_sLink;
    std::int64_t m_llByteNs = 0; // one byte's time on the line
    std::int64_t m_llReplyDelayNs = 0;
    std::int64_t m_llRxFree = 0; // when each direction of the line is free again (ns)
    std::int64_t m_llTxFree = 0;
};
