// The host's side of the line fed what a programmer, a wrong device on the
// port or line noise could send. A simulated programmer (qksim's engines)
// answers through a test back end of the serial link, and the fuzz input
// changes its answers: passes them, drops, cuts, flips, replaces or precedes
// them with any bytes, hangs the line up or reports line errors. The
// protocol layer runs the connect handshake (with the boot probe) and a
// series of orders; the boot library runs its monitor transactions. No
// crash, no hang, no unbounded allocation, and every failure must be one of
// the documented exceptions (the boot library throws none at all). Time is
// simulated, so waits cost nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "boot/bootmon.h"
#include "comm/comhandle.h"
#include "comm/commswtch.h"
#include "comm/comports.h"
#include "comm/qkcomml2.h"
#include "cpplib/qkbufint.h"
#include "err/qkerr.h"
#include "err/uisrv.h"
#include "qkdb/dbase32.h"
#include "tools/qksim/simboot.h"
#include "tools/qksim/simmem.h"
#include "tools/qksim/simproto.h"

namespace {

constexpr int kComNo = 61;
constexpr const char kPath[] = "fuzz:line";
constexpr std::size_t kMostPending = 1u << 16; // far above any reply the host awaits

// The fuzz input, read byte by byte; zeros once it is used up.
class clScript {
public:
    clScript(const std::uint8_t* data, std::size_t size) : m_pData(data), m_uSize(size) {}
    bool Exhausted() const { return m_uAt >= m_uSize; }
    std::uint8_t Byte() { return Exhausted() ? 0 : m_pData[m_uAt++]; }
    std::vector<unsigned char> Bytes(std::size_t count)
    {
        std::vector<unsigned char> bytes;
        while (count-- > 0 && !Exhausted())
            bytes.push_back(Byte());
        return bytes;
    }

private:
    const std::uint8_t* m_pData;
    std::size_t m_uSize;
    std::size_t m_uAt = 0;
};

// The far end of the line: a simulated programmer or boot monitor whose
// answers the script changes, and the clock.
class clFarEnd {
public:
    clFarEnd(clScript& script, clSimProtocol* protocol, clSimBootMonitor* monitor)
        : m_Script(script), m_pProtocol(protocol), m_pMonitor(monitor)
    {}

    void FromHost(const unsigned char* bytes, std::size_t count)
    {
        std::vector<unsigned char> out;
        if (m_pProtocol != nullptr)
            m_pProtocol->Receive(bytes, count, m_NowUs, out);
        else if (m_pMonitor != nullptr)
            m_pMonitor->Receive(bytes, count, m_NowUs, out);
        Deliver(std::move(out));
    }
    // Lets time pass up to untilUs, or to the simulator's next event before it.
    void PassTime(std::int64_t untilUs)
    {
        const std::int64_t next = m_pProtocol != nullptr ? m_pProtocol->NextEventUs() : -1;
        m_NowUs = next >= 0 && next < untilUs ? std::max(next, m_NowUs + 1) : std::max(untilUs, m_NowUs + 1);
        if (m_pProtocol != nullptr) {
            std::vector<unsigned char> out;
            m_pProtocol->Tick(m_NowUs, out);
            Deliver(std::move(out));
        }
    }

    std::int64_t NowUs() const { return m_NowUs; }
    std::deque<unsigned char>& Pending() { return m_Pending; }
    bool HungUp() const { return m_bHungUp; }
    unsigned TakeErrors() { return std::exchange(m_uErrors, 0u); }

private:
    // What the host receives of an answer: the script decides.
    void Deliver(std::vector<unsigned char> out)
    {
        if (out.empty() || m_Script.Exhausted()) {
            Append(out);
            return;
        }
        const std::uint8_t how = m_Script.Byte();
        switch (how % 10) {
        case 1: // lost
            break;
        case 2: // cut short
            out.resize(m_Script.Byte() % (out.size() + 1));
            Append(out);
            break;
        case 3: // a byte changed
            out[m_Script.Byte() % out.size()] ^= static_cast<unsigned char>(m_Script.Byte() | 1);
            Append(out);
            break;
        case 4: // other bytes instead
            Append(m_Script.Bytes(m_Script.Byte()));
            break;
        case 5: // noise first
            Append(m_Script.Bytes(m_Script.Byte() % 32));
            Append(out);
            break;
        case 6: // the line goes down
            m_bHungUp = (how & 0x10) != 0;
            Append(out);
            break;
        case 7: // a line error with it
            m_uErrors |= 1u << (m_Script.Byte() % 5);
            Append(out);
            break;
        case 8: // late: the clock jumps first
            m_NowUs += 1000 * static_cast<std::int64_t>(m_Script.Byte()) * m_Script.Byte();
            Append(out);
            break;
        default: // as it was
            Append(out);
            break;
        }
    }
    void Append(const std::vector<unsigned char>& bytes)
    {
        for (unsigned char b : bytes)
            if (m_Pending.size() < kMostPending)
                m_Pending.push_back(b);
    }

    clScript& m_Script;
    clSimProtocol* m_pProtocol;
    clSimBootMonitor* m_pMonitor;
    std::int64_t m_NowUs = 1;
    std::deque<unsigned char> m_Pending;
    bool m_bHungUp = false;
    unsigned m_uErrors = 0;
};

class clFakeDevice : public clComDevice {
public:
    explicit clFakeDevice(clFarEnd& far) : m_Far(far) {}
    bool Close() override { return true; }
    bool GetState(clComDcb& dcb) const override
    {
        dcb = m_Dcb;
        return true;
    }
    bool SetState(const clComDcb& dcb) override
    {
        m_Dcb = dcb;
        return true;
    }
    int InQueue() const override { return static_cast<int>(m_Far.Pending().size()); }
    int OutQueue() const override { return 0; }
    unsigned FetchErrors() override { return m_Far.TakeErrors(); }
    bool Purge(bool rx, bool) override
    {
        if (rx)
            m_Far.Pending().clear();
        return true;
    }
    long Read(void* buf, std::size_t count) override
    {
        if (m_Far.HungUp() && m_Far.Pending().empty())
            return -1;
        auto* at = static_cast<unsigned char*>(buf);
        const std::size_t n = std::min(count, m_Far.Pending().size());
        std::copy_n(m_Far.Pending().begin(), n, at);
        m_Far.Pending().erase(m_Far.Pending().begin(), m_Far.Pending().begin() + static_cast<std::ptrdiff_t>(n));
        return static_cast<long>(n);
    }
    long Write(const void* buf, std::size_t count) override
    {
        if (m_Far.HungUp())
            return -1;
        m_Far.FromHost(static_cast<const unsigned char*>(buf), count);
        return static_cast<long>(count);
    }
    int WaitIn(int ms) const override
    {
        if (!m_Far.Pending().empty())
            return 1;
        if (m_Far.HungUp())
            return -1;
        m_Far.PassTime(m_Far.NowUs() + 1000 * static_cast<std::int64_t>(std::max(ms, 0)));
        return m_Far.Pending().empty() ? 0 : 1;
    }
    int WaitOut(int) const override { return m_Far.HungUp() ? -1 : 1; }

private:
    clFarEnd& m_Far;
    clComDcb m_Dcb;
};

class clFakeBackEnd : public clComBackEnd {
public:
    explicit clFakeBackEnd(clFarEnd& far) : m_Far(far) {}
    std::unique_ptr<clComDevice> Open(const std::string& path, std::string& error) override
    {
        if (path != kPath) {
            error = path + " does not exist";
            return nullptr;
        }
        return std::make_unique<clFakeDevice>(m_Far);
    }
    std::int64_t NowUs() override { return m_Far.NowUs(); }
    void SleepUs(std::int64_t us) override { m_Far.PassTime(m_Far.NowUs() + us); }

private:
    clFarEnd& m_Far;
};

// Puts the fake in place for one run and the platform back afterwards.
class clFakeLine {
public:
    clFakeLine(clScript& script, clSimProtocol* protocol, clSimBootMonitor* monitor)
        : m_Far(script, protocol, monitor), m_BackEnd(m_Far)
    {
        QkSetComBackEnd(&m_BackEnd);
        ComMapPort(kComNo, kPath);
    }
    ~clFakeLine()
    {
        ComMapPort(kComNo, "");
        QkSetComBackEnd(nullptr);
    }

private:
    clFarEnd m_Far;
    clFakeBackEnd m_BackEnd;
};

// The protocol layer on the line's clock, so that its own waits are
// simulated too.
class clFuzzLL2 : public clQKCommLL2 {
public:
    using clQKCommLL2::clQKCommLL2;
    long Clock() override { return static_cast<long>((QkNowUs() / 1000) & 0x7FFFFFFF); }
    void WaitMs(long ms) override { QkSleepUs(static_cast<std::int64_t>(ms) * 1000); }
};

// Messages are answered without a word: the run is about what the line
// does to the host, not about the text. The answer is the script's choice.
class clQuietUi : public clUiServices {
public:
    int MessageBox(const char*, const char*, unsigned char) override { return answer; }
    int ShowError(const clBasicErr&) override { return answer; }
    int answer = erIdOk;
};

clQuietUi& QuietUi()
{
    static clQuietUi ui;
    QkSetUi(&ui);
    return ui;
}

clDataBase& Db()
{
    static clDataBase db(GetDLLDBaseInstance());
    return db;
}

// One device order of the protocol layer, as a facade runs it.
void RunOrder(clFuzzLL2& ll, std::uint8_t which, clQKHugeBufIntr& buf)
{
    ll.Prolog();
    try {
        switch (which % 14) {
        case 0: ll.BlnkChk(buf); break;
        case 1: ll.Erase(buf); break;
        case 2: ll.ChkSum(buf); break;
        case 3: ll.Read(buf); break;
        case 4: ll.Write(buf, 0); break;
        case 5: ll.Fill(buf, 0xA5); break;
        case 6: ll.Program(buf); break;
        case 7: ll.Verify(buf); break;
        case 8: {
            TArrayAsVector<clVerInfo> versions;
            ll.GetQKVer(versions);
            break;
        }
        case 9: {
            QK_STATUS status{};
            ll.GetStatus(status);
            break;
        }
        case 10: ll.SetupDevice(1); break;
        case 11: ll.WrPrjDescr("fuzz"); break;
        case 12: ll.SetAddresses(buf); break;
        default: ll.RobotState(); break;
        }
    } catch (...) {
        try {
            ll.Epilog();
        } catch (const clBscExpt&) {
        }
        throw;
    }
    ll.Epilog();
}

void RunProtocol(clScript& script)
{
    clSimOptions options;
    options.ramKib = 16;
    options.workMs = script.Byte() % 8;
    options.busyMs = 1 + script.Byte() % 4;
    clSimMemory memory(options.ramKib * 1024, options.eraseValue);
    clSimProtocol protocol(options, memory);
    clFakeLine line(script, &protocol, nullptr);

    const char* argv[] = {"qkprog"};
    clCommSwtch switches(1, argv);
    clFuzzLL2 ll(switches, Db(), 0);
    QK_COMM_PORT port;
    ll.GetPortDefaults(port);
    port.m_lPortNo = kComNo;
    port.m_lPortKind = 1;
    port.m_lComIndex = kComNo - 1;
    try {
        ll.SetupDevice(1);
        ll.Connect(port);
    } catch (const clBscExpt&) {
        return;
    }
    clQKHugeBufIntr buf("Data");
    buf.SetParams(0x800, clAdrs(0u));
    buf.SetSpaceId(clQKCommLL2::spData);
    const int orders = 1 + script.Byte() % 6;
    for (int i = 0; i < orders; ++i) {
        try {
            RunOrder(ll, script.Byte(), buf);
        } catch (const clBscExpt&) {
        }
    }
    try {
        ll.Disconnect();
    } catch (const clBscExpt&) {
    }
}

void RunBootMonitor(clScript& script)
{
    clSimFaults faults;
    clSimBootMonitor far(faults);
    clFakeLine line(script, nullptr, &far);
    CBootMonitor monitor;
    switch (script.Byte() % 4) {
    case 0: monitor.LoadFirmware(kComNo, nullptr, 1 + script.Byte() % 4); break;
    default: {
        if (!monitor.Driver().PlugPortDrv(kComNo, 115200, 'n', 8, 1))
            return;
        std::uint16_t page = 0;
        monitor.PageNumber(&page);
        std::vector<unsigned char> bytes(CBootMonitor::kReadChunk * 3, 0x5A);
        const std::size_t count = script.Byte() % bytes.size();
        monitor.ReadMem(script.Byte(), script.Byte() * 0x100u, count, bytes.data());
        monitor.WriteMem(script.Byte(), script.Byte() * 0x100u, count, bytes.data());
        monitor.Driver().UnPlugPortDrv();
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    clScript script(data, size);
    const std::uint8_t mode = script.Byte();
    QuietUi().answer = (mode & 2) != 0 ? erIdAbort : erIdOk;
    if ((mode & 1) == 0)
        RunProtocol(script);
    else
        RunBootMonitor(script);
    return 0;
}
