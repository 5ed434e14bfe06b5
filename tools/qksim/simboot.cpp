#include "tools/qksim/simboot.h"

#include "tools/qksim/simproto.h"

#include <algorithm>

#include "cpplib/qkbytes.h"
#include "tools/qksim/simwire.h"

namespace {

using namespace simwire;

constexpr std::uint32_t kPageSize = 0x10000;
constexpr std::int64_t kStaleUs = 200000; // a frame left unfinished this long was noise

clSimBootMonitor::clBytes Ack()
{
    return {2, kReady, 0};
}

clSimBootMonitor::clBytes Error(unsigned char code)
{
    return {2, kFlagError, code};
}

} // namespace

clSimBootMonitor::clSimBootMonitor(const clSimFaults& faults) : m_Faults(faults) {}

void clSimBootMonitor::Receive(const unsigned char* bytes, std::size_t count, std::int64_t nowUs, clBytes& out)
{
    if (!m_Partial.empty() && nowUs - m_PartialSinceUs > kStaleUs) {
        Log("BOOT RX (unfinished, dropped)", m_Partial);
        m_Partial.clear();
    }
    for (std::size_t i = 0; i < count && m_bActive; ++i) {
        if (m_Partial.empty())
            m_PartialSinceUs = nowUs;
        m_Partial.push_back(bytes[i]);
        // A lone zero is the identify byte; anything else starts with the
        // count of the bytes that follow.
        const std::size_t need = m_Partial[0] == kIdentify ? 1 : m_Partial[0] + 1u;
        if (m_Partial.size() < need)
            continue;
        clBytes frame;
        frame.swap(m_Partial);
        Frame(frame, out);
    }
}

void clSimBootMonitor::Frame(const clBytes& frame, clBytes& out)
{
    Log("BOOT RX", frame);
    clBytes reply;
    if (frame.size() == 1) {
        reply.assign(15, 0);
        reply[0] = 14;
        reply[1] = kReady;
        for (std::size_t i = 0; i < sizeof kIdentity; ++i)
            reply[3 + i] = kIdentity[m_Faults.bootBadId ? sizeof kIdentity - 1 - i : i];
    } else if (frame.size() == 3 && frame[1] == bootCommand) {
        reply = Command(frame[2]);
    } else if (frame.size() >= 3 && frame[1] == bootRead && frame[2] == kPageMemory) {
        reply = ReadPage(frame);
    } else if (frame.size() >= 3 && frame[1] == bootWrite && frame[2] == kPageMemory) {
        reply = WritePage(frame);
    } else if (frame.size() >= 3 && frame[1] == bootWrite && frame[2] == kImageMemory) {
        reply = WriteImage(frame);
    } else {
        reply = Error(kErrBadFrame);
    }
    Log("BOOT TX", reply);
    out.insert(out.end(), reply.begin(), reply.end());
}

clSimBootMonitor::clBytes clSimBootMonitor::Command(unsigned char command)
{
    if (command != kStartFirmware)
        return Error(kErrUnknownCommand);
    if (m_OnStart)
        m_OnStart(m_Image);
    // A monitor that keeps answering after the start is a fault to test.
    if (!m_Faults.bootStays)
        m_bActive = false;
    return Ack();
}

clSimBootMonitor::clBytes clSimBootMonitor::ReadPage(const clBytes& frame)
{
    if (frame.size() != 9)
        return Error(kErrBadFrame);
    const unsigned char page = frame[3];
    const std::uint32_t address = QkLoadBE32(&frame[4]);
    const unsigned char n = frame[8];
    if (n == 0 || n > 252)
        return Error(kErrBadFrame);
    clBytes reply = {static_cast<unsigned char>(n + 2), kReady, 0};
    if (page == kPageOfPages && address == 0 && n == 1) {
        reply.push_back(kPageCount);
        return reply;
    }
    if (page >= kPageCount || address >= kPageSize || kPageSize - address < n)
        return Error(kErrAddress);
    const auto found = m_Pages.find(page);
    for (unsigned i = 0; i < n; ++i)
        reply.push_back(found == m_Pages.end() ? 0xFF : found->second[address + i]);
    return reply;
}

clSimBootMonitor::clBytes clSimBootMonitor::WritePage(const clBytes& frame)
{
    if (frame.size() < 9 || frame[8] + 9u != frame.size())
        return Error(kErrBadFrame);
    const unsigned char page = frame[3];
    const std::uint32_t address = QkLoadBE32(&frame[4]);
    const unsigned char n = frame[8];
    if (page >= kPageCount || address >= kPageSize || kPageSize - address < n)
        return Error(kErrAddress);
    clBytes& memory = m_Pages[page];
    if (memory.empty())
        memory.assign(kPageSize, 0xFF);
    std::copy(frame.begin() + 9, frame.end(), memory.begin() + address);
    return Ack();
}

clSimBootMonitor::clBytes clSimBootMonitor::WriteImage(const clBytes& frame)
{
    if (frame.size() < 8 || frame[7] + 8u != frame.size())
        return Error(kErrBadFrame);
    if (m_Faults.bootError != 0)
        return Error(m_Faults.bootError);
    const std::uint32_t address = QkLoadBE32(&frame[3]);
    const unsigned char n = frame[7];
    if (address >= kMaxImage || kMaxImage - address < n)
        return Error(kErrAddress);
    if (m_Image.size() < address + n)
        m_Image.resize(address + n, 0xFF);
    std::copy(frame.begin() + 8, frame.end(), m_Image.begin() + address);
    return Ack();
}

void clSimBootMonitor::Log(const char* tag, const clBytes& bytes)
{
    if (m_pLog != nullptr)
        *m_pLog << SimHexLine(tag, bytes) << '\n' << std::flush;
}
