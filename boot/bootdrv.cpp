#include "boot/bootdrv.h"

#include <algorithm>
#include <cctype>

#include "comm/comports.h"

namespace {

// The time budget of one write.
constexpr int kWriteTimeoutMs = 1000;
// How long one wait for input lasts before the time-out is looked at again.
constexpr int kPollMs = 50;

bool ParityCode(char letter, unsigned char& code)
{
    static constexpr char kLetters[] = "noems"; // in the order of the line codes 0 to 4
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    for (unsigned char i = 0; i < 5; ++i)
        if (kLetters[i] == lower) {
            code = i;
            return true;
        }
    return false;
}

} // namespace

CCommDriver::~CCommDriver()
{
    UnPlugPortDrv();
}

bool CCommDriver::Connected() const
{
    return m_Handle.IsOpen();
}

char QkParityLetter(unsigned code)
{
    static constexpr char kLetters[] = "NOEMS";
    return code < 5 ? kLetters[code] : 'N';
}

void CCommDriver::UnPlugPortDrv()
{
    m_Handle.Close();
}

bool CCommDriver::PlugPortDrv(unsigned port, std::int32_t baud, char parity, int dataBits, int stopBits)
{
    UnPlugPortDrv();
    m_uPort = port;
    clComDcb dcb;
    unsigned char parityCode = 0;
    const std::string path = ComPortPath(static_cast<int>(port));
    if (path.empty() || !ParityCode(parity, parityCode) || dataBits < 5 || dataBits > 8 ||
        (stopBits != 1 && stopBits != 2) || !m_Handle.Open(path) || !m_Handle.GetState(dcb)) {
        UnPlugPortDrv();
        return false;
    }
    dcb.Parity = parityCode;
    dcb.BaudRate = baud;
    dcb.ByteSize = static_cast<unsigned char>(dataBits);
    dcb.StopBits = static_cast<unsigned char>(stopBits == 1 ? 0 : 2);
    dcb.fOutX = dcb.fInX = false;
    if (!m_Handle.SetState(dcb) || !m_Handle.GetState(m_Dcb) || !m_Handle.Purge(true, true)) {
        UnPlugPortDrv();
        return false;
    }
    return true;
}

bool CCommDriver::FlushCommBuffrers()
{
    return !Connected() || m_Handle.Purge(true, true);
}

bool CCommDriver::Write(const unsigned char* bytes, std::size_t count)
{
    if (!Connected() || !m_Handle.Purge(true, true))
        return false;
    m_Handle.FetchErrors();
    std::size_t sent = 0;
    while (sent < count) {
        const long n = m_Handle.Write(bytes + sent, count - sent);
        if (n < 0)
            return false;
        sent += static_cast<std::size_t>(n);
        if (sent < count && m_Handle.WaitOut(kWriteTimeoutMs) != 1)
            return false;
    }
    return true;
}

bool CCommDriver::Read(unsigned char* bytes, std::size_t count, std::uint32_t timeoutMs, std::size_t& got,
                       bool lengthFromFirst)
{
    got = 0;
    if (count == 0)
        return true;
    if (!Connected() || timeoutMs == 0xFFFFFFFFu)
        return false;
    std::size_t wanted = count;
    const std::int64_t startUs = QkNowUs();
    bool readable = false; // the last wait said input was there
    for (;;) {
        // The length byte comes alone, so that nothing past the reply is taken.
        const bool lengthNext = lengthFromFirst && got == 0;
        const long n = m_Handle.Read(bytes + got, lengthNext ? 1 : wanted - got);
        if (n < 0)
            return false;
        // Readable, yet nothing came: the end of input of a line that hung up
        // (it would stay readable, and the loop would spin to its time-out).
        if (n == 0 && readable)
            return false;
        if (n > 0 && lengthNext)
            wanted = std::min<std::size_t>(wanted, bytes[0] + 1u);
        got += static_cast<std::size_t>(n);
        if (got >= wanted)
            return true;
        if (m_Handle.FetchErrors() != 0)
            return false;
        const std::int64_t wholeSeconds = (QkNowUs() - startUs) / 1000000;
        if (wholeSeconds * 1000 >= static_cast<std::int64_t>(timeoutMs))
            return false;
        const int wait = m_Handle.WaitIn(kPollMs);
        if (wait < 0)
            return false;
        readable = wait > 0;
    }
}
