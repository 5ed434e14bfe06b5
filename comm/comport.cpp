// The portable front of the serial link: the port table, the time budget and
// the read and write algorithms. The OS work is clComHandle's.
#include "comm/comport.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "comm/comhandle.h"
#include "comm/comports.h"
#include "comm/deadline.h"

namespace {

struct clComEntry {
    int id = 0;
    clComHandle handle;
    int inSize = 0;
    int outSize = 0;
    clComDcb dcb; // as applied at open
};

std::vector<clComEntry>& Table()
{
    static std::vector<clComEntry> table = [] {
        std::vector<clComEntry> t;
        t.reserve(10);
        return t;
    }();
    return table;
}

std::int32_t g_TimeBudget = 0;

clComEntry* Find(int id)
{
    for (auto& entry : Table())
        if (entry.id == id)
            return &entry;
    return nullptr;
}

void Append(clComEntry&& entry)
{
    auto& table = Table();
    if (table.size() == table.capacity())
        table.reserve(table.capacity() + 10);
    table.push_back(std::move(entry));
}

// Microseconds one character takes on the line: start bit, data, parity,
// stop bits.
std::int64_t CharTimeUs(const clComEntry& entry)
{
    clComDcb dcb;
    if (!entry.handle.GetState(dcb) || dcb.BaudRate <= 0)
        return 0;
    const int bits = 1 + dcb.ByteSize + (dcb.Parity != 0 ? 1 : 0) + (dcb.StopBits == 0 ? 1 : 2);
    return static_cast<std::int64_t>(bits) * 1000000 / dcb.BaudRate;
}

// A reply has started to arrive: wait until count bytes are queued. It gets
// 100 ms plus the time count characters take on the line, so that slow rates
// can still deliver a long reply. More than count bytes never shrink back:
// that reply fails at once.
bool AwaitWholeReply(clComEntry& entry, int count)
{
    const std::int64_t charUs = CharTimeUs(entry);
    const clDeadline end = clDeadline::AfterUs(100000 + charUs * count);
    for (;;) {
        const int n = entry.handle.InQueue();
        if (n == count)
            return true;
        if (n > count || end.Passed())
            return false;
        // Sleep about as long as the missing bytes take, in steps of at most
        // a millisecond; check first that the line is still there.
        if (entry.handle.WaitIn(0) < 0 && entry.handle.InQueue() == n)
            return false;
        const std::int64_t missing = charUs * (n > 0 ? count - n : count);
        QkSleepUs(std::clamp<std::int64_t>(missing, 100,
                                           std::max<std::int64_t>(100, std::min<std::int64_t>(1000, end.LeftUs()))));
    }
}

// A queue's byte count; -1 when a line error is pending (and now cleared).
int QueueCount(int id, int (clComHandle::*count)() const)
{
    clComEntry* entry = Find(id);
    if (entry == nullptr || entry->handle.FetchErrors() != 0)
        return -1;
    return (entry->handle.*count)();
}

int Purge(int id, bool rx, bool tx)
{
    clComEntry* entry = Find(id);
    if (entry == nullptr)
        return -1;
    if (entry->handle.Purge(rx, tx))
        return 0;
    entry->handle.FetchErrors();
    return -1;
}

int ErrorWordIs(int id, unsigned word)
{
    clComEntry* entry = Find(id);
    if (entry == nullptr)
        return -1;
    return entry->handle.FetchErrors() == word ? 1 : 0;
}

} // namespace

int ComIsFree(int id)
{
    return Find(id) == nullptr ? 1 : 0;
}

int ComOpen(int id, int index, unsigned short reserved1, unsigned short reserved2, unsigned short mode,
            unsigned short reserved3, int inSize, int outSize, int ignored)
{
    std::string why;
    return ComOpenPort(id, clComPort{index + 1, ""}, reserved1, reserved2, mode, reserved3, inSize, outSize, ignored,
                       why);
}

int ComOpenPort(int id, const clComPort& port, unsigned short reserved1, unsigned short reserved2, unsigned short mode,
                unsigned short reserved3, int inSize, int outSize, int /*ignored*/, std::string& why)
{
    why.clear();
    if (mode != 9 || reserved1 != 0 || reserved2 != 0 || reserved3 != 0)
        return comBadOpenParams;
    if (Find(id) != nullptr)
        return comAlreadyOpen;
    const std::string path = port.Path();
    clComEntry entry;
    entry.id = id;
    entry.inSize = inSize;
    entry.outSize = outSize;
    if (path.empty()) {
        why = port.Name() + " is no serial port of this machine";
        return comOpenFailed;
    }
    // A failed open releases the device at once, so that a retry can take it.
    if (!entry.handle.Open(path)) {
        why = entry.handle.GetOpenError();
        return comOpenFailed;
    }
    why = path + " does not take the line settings of the programmer";
    clComDcb dcb;
    if (!entry.handle.GetState(dcb))
        return comOpenFailed;
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.Parity = 0;
    dcb.StopBits = 0;
    dcb.fOutX = false;
    dcb.fInX = false;
    if (!entry.handle.SetState(dcb))
        return comOpenFailed;
    entry.dcb = dcb;
    Append(std::move(entry));
    if (!Table().back().handle.Purge(true, true))
        return comOpenFailed;
    why.clear();
    return comOk;
}

int ComSetParams(int id, std::int32_t baud, unsigned char parity, unsigned char dataBits, unsigned char stopBits,
                 unsigned short handshake)
{
    clComEntry* entry = Find(id);
    if (entry == nullptr)
        return comNoPort;
    clComDcb dcb;
    if (!entry->handle.GetState(dcb))
        return comOpenFailed;
    dcb.BaudRate = baud;
    dcb.Parity = parity;
    dcb.ByteSize = dataBits;
    dcb.StopBits = stopBits;
    if (handshake == 4) {
        dcb.fOutX = false;
        dcb.fInX = false;
    } else if (handshake == 5) {
        dcb.fOutX = true;
        dcb.fInX = false;
    } else if (handshake < 16) {
        return comBadHandshake;
    }
    return entry->handle.SetState(dcb) ? comOk : comStateRefused;
}

int ComSetTimeout(int id, int ticks)
{
    if (Find(id) == nullptr)
        return comNoPort;
    // One tick is 1/18 s. Budgets past the 32-bit range are cut to it.
    const double ms = std::trunc(static_cast<double>(ticks) * 55.55555555555556);
    g_TimeBudget =
        static_cast<std::int32_t>(std::clamp(ms, 0.0, static_cast<double>(std::numeric_limits<std::int32_t>::max())));
    return comOk;
}

int ComRead(int id, int count, void* buf)
{
    clComEntry* entry = Find(id);
    if (entry == nullptr)
        return -1;
    if (g_TimeBudget == 0 || count <= 0)
        return 0;
    const clDeadline end = clDeadline::AfterMs(g_TimeBudget);
    auto* at = static_cast<unsigned char*>(buf);
    int remaining = count;
    while (remaining > 0 && !end.Passed()) {
        // Block until the first byte comes instead of a fixed first wait.
        const int ready = entry->handle.WaitIn(end.LeftMs());
        if (ready < 0)
            return -1; // the line is gone
        if (ready == 0)
            break;
        int n = entry->handle.FetchErrors() != 0 ? -1 : entry->handle.InQueue();
        if (n != 0 && n != count) {
            if (!AwaitWholeReply(*entry, count))
                return -1;
            n = count;
        }
        if (n > 0) {
            const long got = entry->handle.Read(at, static_cast<std::size_t>(std::min(n, remaining)));
            // Each reply is read with its exact length: whatever follows is stale.
            entry->handle.Purge(true, false);
            if (got > 0) {
                at += got;
                remaining -= static_cast<int>(got);
            }
        }
    }
    return count - remaining;
}

int ComWrite(int id, int count, const void* buf)
{
    clComEntry* entry = Find(id);
    if (entry == nullptr)
        return -1;
    if (g_TimeBudget == 0 || count <= 0)
        return 0;
    const clDeadline end = clDeadline::AfterMs(g_TimeBudget);
    const auto* at = static_cast<const unsigned char*>(buf);
    int remaining = count;
    while (remaining > 0 && !end.Passed()) {
        const int queued = std::max(entry->handle.OutQueue(), 0);
        const int room = entry->outSize - queued;
        if (room <= 0) {
            if (entry->handle.WaitOut(1) < 0)
                break;
            QkSleepUs(1000);
            continue;
        }
        const long written = entry->handle.Write(at, static_cast<std::size_t>(std::min(room, remaining)));
        if (written < 0)
            break; // the device failed: waiting out the budget would change nothing
        if (written == 0) {
            if (entry->handle.WaitOut(end.LeftMs()) < 0)
                break;
            continue;
        }
        at += written;
        remaining -= static_cast<int>(written);
    }
    return count - remaining;
}

int ComInCount(int id)
{
    return QueueCount(id, &clComHandle::InQueue);
}

int ComOutCount(int id)
{
    return QueueCount(id, &clComHandle::OutQueue);
}

int ComPurgeRx(int id)
{
    return Purge(id, true, false);
}

int ComPurgeTx(int id)
{
    return Purge(id, false, true);
}

int ComTxIdle(int id)
{
    clComEntry* entry = Find(id);
    if (entry == nullptr)
        return -1;
    entry->handle.FetchErrors();
    return entry->handle.OutQueue() == 0 ? 1 : 0;
}

int ComFrameError(int id)
{
    return ErrorWordIs(id, comErrFrame);
}

int ComRxOverflow(int id)
{
    return ErrorWordIs(id, comErrRxOver);
}

int ComOverrun(int id)
{
    return ErrorWordIs(id, comErrOverrun);
}

int ComBitsPerChar(int id)
{
    clComEntry* entry = Find(id);
    clComDcb dcb;
    if (entry == nullptr || !entry->handle.GetState(dcb))
        return -1;
    // The sum of the three state fields, as the device-control block holds
    // them: 8 for eight data bits, no parity, one stop bit.
    return dcb.Parity + dcb.ByteSize + dcb.StopBits;
}

int ComBaud(int id)
{
    clComEntry* entry = Find(id);
    clComDcb dcb;
    if (entry == nullptr || !entry->handle.GetState(dcb))
        return -1;
    return dcb.BaudRate;
}

clComLatency ComLatency(int id)
{
    clComEntry* entry = Find(id);
    return entry != nullptr ? entry->handle.Latency() : clComLatency{};
}

int ComClose(int id)
{
    auto& table = Table();
    const auto it = std::find_if(table.begin(), table.end(), [id](const clComEntry& e) { return e.id == id; });
    if (it == table.end())
        return 0;
    if (!it->handle.Close()) {
        it->handle.FetchErrors();
        return -1;
    }
    table.erase(it);
    return 0;
}

int ComDelay(int ms)
{
    QkSleepUs(static_cast<std::int64_t>(ms) * 1000);
    return 0;
}

int ComWaitInput(int id, int ms)
{
    clComEntry* entry = Find(id);
    if (entry == nullptr)
        return -1;
    if (entry->handle.WaitIn(ms) < 0)
        return -1;
    return ComInCount(id);
}

std::int32_t ComGetTimeBudget()
{
    return g_TimeBudget;
}

std::int64_t ComTickCount()
{
    return QkNowUs() / 1000;
}
