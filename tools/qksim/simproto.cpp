#include "tools/qksim/simproto.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "cpplib/qkbytes.h"
#include "tools/qksim/simwire.h"

using namespace simwire;

namespace {

constexpr int kMaxCnt = 63;               // frames are at most 64 bytes
constexpr int kMaxRead = 62;              // data bytes in one read reply
constexpr std::int64_t kStaleUs = 200000; // a frame left unfinished this long was noise

std::uint32_t BigEndian32(const unsigned char* at)
{
    return QkLoadBE32(at);
}

void PutBigEndian32(std::vector<unsigned char>& to, std::uint32_t value)
{
    unsigned char bytes[4];
    QkStoreBE32(bytes, value);
    to.insert(to.end(), bytes, bytes + 4);
}

// Orders the device carries out: they take time and need a device set up.
bool IsDeviceOrder(unsigned char order)
{
    return order >= exProgram && order <= exProgramConfig;
}

// Orders that work on the command range (erase is the whole chip); storing
// the project keeps the range it programs.
bool NeedsRange(unsigned char order)
{
    return (order >= exProgram && order <= exVerify && order != exErase) || order == exProgramFlash;
}

// A text for the state file: printable characters as they are, others as \xNN.
std::string Printable(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && c != '\\') {
            out += c;
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        }
    }
    return out;
}

std::string Options(const std::array<unsigned char, 3>& options)
{
    return std::to_string(options[0]) + "," + std::to_string(options[1]) + "," + std::to_string(options[2]);
}

} // namespace

clSimProtocol::clSimProtocol(const clSimOptions& options, clSimMemory& memory) : m_Options(options), m_Mem(memory) {}

std::string SimHexLine(const char* tag, const std::vector<unsigned char>& bytes)
{
    std::string line = tag;
    char hex[4];
    for (const unsigned char b : bytes) {
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
    }
    return line;
}

void clSimProtocol::Receive(const unsigned char* bytes, std::size_t count, std::int64_t nowUs,
                            std::vector<unsigned char>& out)
{
    // The boot monitor has the line until the host starts the firmware.
    if (m_pBoot != nullptr && m_pBoot->Active()) {
        m_pBoot->Receive(bytes, count, nowUs, out);
        return;
    }
    if (!m_Partial.empty() && nowUs - m_PartialSinceUs > kStaleUs) {
        Log("RX", m_Partial);
        Note("unfinished frame dropped");
        m_Partial.clear();
    }
    for (std::size_t i = 0; i < count && !m_bDropped; ++i) {
        if (m_Partial.empty())
            m_PartialSinceUs = nowUs;
        m_Partial.push_back(bytes[i]);
        const unsigned char first = m_Partial[0];
        std::size_t need = 1;
        if (first >= 2 && first <= kMaxCnt) {
            need = first + 1u;
        } else if (first != kProbe && first != kSync && first != kAbort) {
            Log("RX", m_Partial);
            Note("not the start of a frame: dropped");
            m_Partial.clear();
            continue;
        }
        if (m_Partial.size() < need)
            continue;
        clBytes unit;
        unit.swap(m_Partial);
        Unit(unit, nowUs, out);
    }
}

void clSimProtocol::Unit(const clBytes& unit, std::int64_t nowUs, std::vector<unsigned char>& out)
{
    Log("RX", unit);
    // The boot-monitor probe: normal firmware stays silent.
    if (unit.size() == 1 && unit[0] == kProbe)
        return;
    if (m_Options.faults.dropAfter != 0 && ++m_ulFrames >= m_Options.faults.dropAfter) {
        m_bDropped = true;
        Note("line dropped");
        return;
    }
    if (unit.size() == 1 && unit[0] == kAbort) {
        if (m_Long.active)
            m_Long.aborted = true;
        else
            Note("abort outside a device order: ignored");
        return;
    }
    if (m_Long.active) {
        Note("busy with a device order: ignored");
        return;
    }
    if (unit.size() == 1) {
        const clBytes answer = {
            6, ansDone, 0xAA, 0x55, 0x81, 0x18, static_cast<unsigned char>(m_Options.faults.badSync ? 0xFE : 0xFF)};
        Log("TX", answer);
        out.insert(out.end(), answer.begin(), answer.end());
        m_LastReplyUs = nowUs;
        return;
    }
    Frame(unit, nowUs, out);
}

void clSimProtocol::Frame(const clBytes& frame, std::int64_t nowUs, std::vector<unsigned char>& out)
{
    if (m_State.standAlone) {
        Note("robot mode: the programmer runs on its own");
        const clBytes reply = StandAloneReply(frame);
        Log("TX", reply);
        out.insert(out.end(), reply.begin(), reply.end());
        m_LastReplyUs = nowUs;
        return;
    }
    const bool deviceOrder = frame[1] == frmExecute && frame.size() == 3 && IsDeviceOrder(frame[2]);
    if (deviceOrder) {
        if (const char* why = Refusal(frame[2])) {
            Note(why);
            Emit(frame, Reply(ansFailed, ReplyLength(frame[2])), nowUs, out);
            return;
        }
    }
    if (deviceOrder && m_Options.workMs > 0) {
        m_Long = clLongOrder{true,
                             false,
                             frame,
                             ReplyLength(frame[2]),
                             nowUs + m_Options.workMs * 1000LL,
                             nowUs + m_Options.busyMs * 1000LL};
        return;
    }
    Emit(frame, Answer(frame), nowUs, out);
}

void clSimProtocol::Tick(std::int64_t nowUs, std::vector<unsigned char>& out)
{
    if (!m_Long.active)
        return;
    // Replies keep their distance, so the host has read one before the next comes.
    const std::int64_t earliest = m_LastReplyUs + m_Options.busyMs * 1000LL;
    if (m_Long.aborted) {
        if (nowUs >= earliest) {
            m_Long.active = false;
            const clBytes reply = Reply(ansAborted, m_Long.replyLen);
            Log("TX", reply);
            out.insert(out.end(), reply.begin(), reply.end());
            m_LastReplyUs = nowUs;
        }
        return;
    }
    if (nowUs >= m_Long.doneUs) {
        if (nowUs >= earliest) {
            m_Long.active = false;
            Emit(m_Long.frame, DeviceOrder(m_Long.frame[2]), nowUs, out);
        }
        return;
    }
    if (nowUs >= m_Long.nextBusyUs) {
        const clBytes busy = Reply(ansBusy, m_Long.replyLen);
        Log("TX", busy);
        out.insert(out.end(), busy.begin(), busy.end());
        m_LastReplyUs = nowUs;
        m_Long.nextBusyUs = nowUs + m_Options.busyMs * 1000LL;
    }
}

std::int64_t clSimProtocol::NextEventUs() const
{
    if (!m_Long.active)
        return -1;
    const std::int64_t earliest = m_LastReplyUs + m_Options.busyMs * 1000LL;
    if (m_Long.aborted)
        return earliest;
    return std::min(m_Long.nextBusyUs, std::max(m_Long.doneUs, earliest));
}

void clSimProtocol::Emit(const clBytes& frame, clBytes reply, std::int64_t nowUs, std::vector<unsigned char>& out)
{
    const clSimSelector which{frame[1], frame[2]};
    for (const auto& fault : m_Options.faults.replies) {
        if (!(fault.frames == which) || reply.empty())
            continue;
        switch (fault.what) {
        case clSimReplyFault::fltCode: reply[reply.size() == 1 ? 0 : 1] = fault.code; break;
        case clSimReplyFault::fltBadCnt:
            if (reply.size() == 1)
                reply.push_back(0);
            else
                ++reply[0];
            break;
        case clSimReplyFault::fltShort: reply.pop_back(); break;
        case clSimReplyFault::fltSilent: reply.clear(); break;
        }
    }
    if (reply.empty())
        return;
    Log("TX", reply);
    out.insert(out.end(), reply.begin(), reply.end());
    m_LastReplyUs = nowUs;
    if (reply.size() >= 2 && reply[1] == ansRestarted)
        Restart();
}

const char* clSimProtocol::Refusal(unsigned char order) const
{
    if (!m_bDeviceSet)
        return "no device set up: order refused";
    if (NeedsRange(order) && !m_bRangeSet)
        return "no command range was set: order refused";
    return nullptr;
}

void clSimProtocol::Restart()
{
    m_bDeviceSet = false;
    m_bRangeSet = false;
    m_ulCmdStart = m_ulCmdStop = 0;
    m_bPressed = false;
    m_Mem.LoseRam();
    clSimState kept;
    kept.projectStored = m_State.projectStored;
    kept.storedDescription = m_State.storedDescription;
    kept.storedStart = m_State.storedStart;
    kept.storedStop = m_State.storedStop;
    kept.storedAuto = m_State.storedAuto;
    kept.storedSum = m_State.storedSum;
    kept.config = m_State.config;
    m_State = kept;
    Note("programmer restarted (power-up): device set-up, command range, memory and modes lost");
    Changed();
}

void clSimProtocol::Reset()
{
    m_Long = clLongOrder{};
    m_Partial.clear();
    Note("reset by hand");
    Restart();
}

void clSimProtocol::PressStartButton()
{
    if (m_State.standAlone)
        RunCycle();
    else
        m_bPressed = true;
}

void clSimProtocol::RunCycle()
{
    // The automatic options the host sent: signature check, erase, blank check.
    const std::uint32_t start = m_ulCmdStart;
    const std::uint32_t stop = m_ulCmdStop;
    bool ok = true;
    if (m_State.autoOptions[1] != 0)
        m_Mem.Erase();
    if (m_State.autoOptions[2] != 0)
        ok = m_Mem.BlankCheck(start, stop).ok;
    if (ok)
        ok = m_Mem.Program(start, stop) && m_Mem.Verify(start, stop).ok;
    ++m_State.cycles;
    if (!ok)
        ++m_State.failures;
    Note(ok ? "robot mode: program cycle done" : "robot mode: program cycle failed");
    Changed();
}

void clSimProtocol::Changed()
{
    if (m_OnState)
        m_OnState(m_State);
}

clSimProtocol::clBytes clSimProtocol::StandAloneReply(const clBytes& frame) const
{
    if (frame[1] == frmExecute && frame.size() == 3)
        return Reply(ansRestarted, frame[2] >= exRobotOn && frame[2] <= exButtonsForbidden ? 1 : ReplyLength(frame[2]));
    return Reply(ansRestarted, 2);
}

clSimProtocol::clBytes clSimProtocol::Answer(const clBytes& frame)
{
    switch (frame[1]) {
    case frmExecute:
        if (frame.size() > 3) {
            Note("order with arguments: carried out, no reply");
            return {};
        }
        return Execute(frame[2]);
    case frmRequest: return Request(frame);
    case frmWrite: return Write(frame);
    case frmFill: return FillFrame(frame);
    case frmReboot: return frame.size() == 3 && frame[2] == exReboot ? Reply(ansDone, 2) : Failure();
    default: return Failure();
    }
}

clSimProtocol::clBytes clSimProtocol::Execute(unsigned char order)
{
    if (IsDeviceOrder(order))
        return DeviceOrder(order);
    if (order >= exRobotOn && order <= exButtonsForbidden)
        return RobotOrder(order);
    if (order == exReady)
        return Reply(ansDone, 2);
    return Failure();
}

// Robot and button orders: a one-byte acknowledgement.
clSimProtocol::clBytes clSimProtocol::RobotOrder(unsigned char order)
{
    switch (order) {
    case exRobotOn: m_State.robot = true; break;
    case exRobotOff: m_State.robot = false; break;
    case exRobotState:
        if (!m_State.robot) {
            Note("robot state without robot mode: nothing to run");
            break;
        }
        // It will program on its own: it must know the device and the range.
        if (const char* why = Refusal(exProgram)) {
            Note(why);
            return Reply(ansFailed, 1);
        }
        m_State.standAlone = true;
        Note("robot mode: the start button runs the program cycle");
        break;
    case exButtonsAllowed: m_State.buttons = clSimState::btnAllowed; break;
    default: m_State.buttons = clSimState::btnForbidden; break;
    }
    Changed();
    return Reply(ansDone, 1);
}

clSimProtocol::clBytes clSimProtocol::DeviceOrder(unsigned char order)
{
    const std::uint32_t start = m_ulCmdStart;
    const std::uint32_t stop = m_ulCmdStop;
    auto check = [](unsigned char failCode, const clSimMemory::clCheck& result) {
        if (result.ok)
            return Reply(ansDone, 7);
        clBytes reply = {6, failCode};
        PutBigEndian32(reply, result.address);
        reply.push_back(result.value);
        return reply;
    };
    switch (order) {
    case exProgram: return Reply(m_Mem.Program(start, stop) ? ansDone : ansVerifyFailed, 2);
    case exBlankCheck: return check(ansFailed, m_Mem.BlankCheck(start, stop));
    case exChecksum: {
        const std::uint16_t sum = m_Mem.Checksum(start, stop);
        return {3, ansDone, static_cast<unsigned char>(sum >> 8), static_cast<unsigned char>(sum)};
    }
    case exErase: m_Mem.Erase(); return Reply(ansDone, 2);
    case exReadDevice: m_Mem.ReadDevice(start, stop); return Reply(ansDone, 2);
    case exVerify: return check(ansVerifyFailed, m_Mem.Verify(start, stop));
    case exProgramFlash:
        m_State.projectStored = true;
        m_State.storedDescription = m_State.description;
        m_State.storedStart = start;
        m_State.storedStop = stop;
        m_State.storedAuto = m_State.autoOptions;
        m_State.storedSum = m_Mem.RamSum(start, stop);
        Changed();
        return Reply(ansDone, 2);
    case exProgramConfig:
        m_State.config = clSimState::cfgProgrammed;
        Changed();
        return Reply(ansDone, 2);
    case exEraseConfig:
        m_State.config = clSimState::cfgErased;
        Changed();
        return Reply(ansDone, 255);
    default: return Reply(ansDone, 2);
    }
}

clSimProtocol::clBytes clSimProtocol::Request(const clBytes& frame)
{
    if (frame.size() != 9)
        return Failure();
    const unsigned char order = frame[2];
    const unsigned char sub = frame[3];
    const std::uint32_t adrs = BigEndian32(&frame[4]);
    const unsigned char len = frame[8];
    auto text = [len](const std::string& value) {
        clBytes reply = {static_cast<unsigned char>(len + 1), 0};
        for (int i = 0; i < len; ++i)
            reply.push_back(i < static_cast<int>(value.size()) ? static_cast<unsigned char>(value[i]) : 0);
        return reply;
    };
    // Sizes go low byte first.
    auto size = [](std::uint32_t kib) {
        return clBytes{3, ansDone, static_cast<unsigned char>(kib), static_cast<unsigned char>(kib >> 8)};
    };
    if (order == tgtInfo && (sub == infoVersion || sub == infoName) && len <= kMaxRead)
        return text(sub == infoVersion ? m_Options.version : m_Options.name);
    if (order == tgtInfo && sub == infoFlashKib)
        return size(m_Options.flashKib);
    if (order == tgtInfo && sub == infoRamKib)
        return size(m_Options.ramKib);
    if (order == tgtStatus && sub == 0) {
        const unsigned char button = m_bPressed ? 1 : m_Options.startButton;
        m_bPressed = false;
        return {3, ansDone, button, 0};
    }
    if (order == tgtMemory && sub == 0 && len >= 1 && len <= kMaxRead) {
        clBytes reply(len + 2u, 0);
        reply[0] = static_cast<unsigned char>(len + 1);
        return m_Mem.ReadRam(adrs, len, reply.data() + 2) ? reply : Failure();
    }
    return Failure();
}

clSimProtocol::clBytes clSimProtocol::Write(const clBytes& frame)
{
    if (frame.size() < 9 || frame[0] != frame[8] + 8)
        return Failure();
    const unsigned char order = frame[2];
    const unsigned char sub = frame[3];
    const unsigned char len = frame[8];
    const unsigned char* data = frame.data() + 9;
    const clBytes ack = Reply(ansDone, 2);
    if (order == tgtMemory && sub == 0)
        return m_Mem.WriteRam(BigEndian32(&frame[4]), data, len) ? ack : Failure();
    if (order == tgtOption && (sub == 16 || sub == 17) && len == 1)
        return ack;
    if (order == tgtStatus && sub == 1 && len == 2)
        return ack;
    if (order == tgtSetup && sub == setupRange && len == 8) {
        const std::uint32_t start = BigEndian32(data);
        const std::uint32_t stop = BigEndian32(data + 4);
        if (!m_Mem.InRange(start, stop))
            return Failure();
        m_ulCmdStart = start;
        m_ulCmdStop = stop;
        m_bRangeSet = true;
        return ack;
    }
    if (order == tgtSetup && sub == setupDevice && len == 10) {
        m_bDeviceSet = true;
        return ack;
    }
    if (order == tgtSetup && sub == setupAutomatic && len == 3) {
        std::copy_n(data, 3, m_State.autoOptions.begin());
        m_State.autoSet = true;
        Changed();
        return ack;
    }
    if (order == tgtSetup && sub == setupDescription && len == 15) {
        const auto* text = reinterpret_cast<const char*>(data);
        m_State.description.assign(text, std::find(text, text + 14, '\0'));
        m_State.delayByte = data[14];
        m_State.descriptionSet = true;
        Changed();
        return ack;
    }
    return Failure();
}

clSimProtocol::clBytes clSimProtocol::FillFrame(const clBytes& frame)
{
    if (frame.size() != 13 || frame[2] != tgtMemory || frame[3] != 0)
        return Failure();
    return m_Mem.FillRam(BigEndian32(&frame[4]), BigEndian32(&frame[8]), frame[12]) ? Reply(ansDone, 2) : Failure();
}

int clSimProtocol::ReplyLength(unsigned char order)
{
    switch (order) {
    case exBlankCheck:
    case exVerify: return 7;
    case exChecksum: return 4;
    case exEraseConfig: return 255;
    default: return 2;
    }
}

clSimProtocol::clBytes clSimProtocol::Reply(unsigned char code, int length)
{
    clBytes reply(static_cast<std::size_t>(length), 0);
    if (length == 1) {
        reply[0] = code;
    } else {
        reply[0] = static_cast<unsigned char>(length - 1);
        reply[1] = code;
    }
    return reply;
}

std::string SimStateText(const clSimState& state)
{
    static const char* const kButtons[] = {"unset", "allowed", "forbidden"};
    static const char* const kConfig[] = {"untouched", "programmed", "erased"};
    char range[40];
    std::snprintf(range, sizeof range, "0x%X-0x%X", state.storedStart, state.storedStop);
    std::string text;
    auto line = [&text](const char* name, const std::string& value) { text += std::string(name) + "=" + value + "\n"; };
    line("robot", state.robot ? "on" : "off");
    line("stand-alone", state.standAlone ? "yes" : "no");
    line("buttons", kButtons[state.buttons]);
    line("description", state.descriptionSet ? Printable(state.description) : "");
    line("auto-options", state.autoSet ? Options(state.autoOptions) : "");
    line("stored-project", state.projectStored ? "yes" : "no");
    if (state.projectStored) {
        line("stored-description", Printable(state.storedDescription));
        line("stored-range", range);
        line("stored-auto-options", Options(state.storedAuto));
        line("stored-sum", std::to_string(state.storedSum));
    }
    line("config", kConfig[state.config]);
    line("cycles", std::to_string(state.cycles));
    line("failures", std::to_string(state.failures));
    return text;
}

void clSimProtocol::Log(const char* tag, const clBytes& bytes)
{
    if (m_pLog != nullptr)
        *m_pLog << SimHexLine(tag, bytes) << '\n' << std::flush;
}

void clSimProtocol::Note(const char* text)
{
    if (m_pLog != nullptr)
        *m_pLog << "-- " << text << '\n' << std::flush;
}
