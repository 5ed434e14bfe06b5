// The simulated programmer's side of the wire protocol: takes the host's
// bytes, answers as the real programmer does, and models long device orders
// with busy replies and the abort byte. Time comes in from outside (in
// microseconds), so the engine runs the same on a line and in a test.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tools/qksim/simboot.h"
#include "tools/qksim/simmem.h"
#include "tools/qksim/simopts.h"

// "TAG" and the bytes in two-digit hex, for the frame log.
std::string SimHexLine(const char* tag, const std::vector<unsigned char>& bytes);

class clSimProtocol {
public:
    clSimProtocol(const clSimOptions& options, clSimMemory& memory);

    // Bytes from the host, arrived at nowUs. Replies due at once go to out.
    void Receive(const unsigned char* bytes, std::size_t count, std::int64_t nowUs, std::vector<unsigned char>& out);
    // Busy replies and the ends of long orders due by nowUs.
    void Tick(std::int64_t nowUs, std::vector<unsigned char>& out);
    // When Tick next has work, or -1.
    std::int64_t NextEventUs() const;

    // Set once the line-drop fault struck: the line must go down.
    bool LineDropped() const { return m_bDropped; }
    void PressStartButton() { m_bPressed = true; }
    // Where the frame log goes (null: nowhere).
    void SetFrameLog(std::ostream* log) { m_pLog = log; }
    // A boot monitor that answers instead until it hands over (not owned).
    void AttachBootMonitor(clSimBootMonitor* monitor) { m_pBoot = monitor; }

private:
    using clBytes = std::vector<unsigned char>;

    // A device order that takes time.
    struct clLongOrder {
        bool active = false;
        bool aborted = false;
        clBytes frame;
        int replyLen = 0;
        std::int64_t doneUs = 0;
        std::int64_t nextBusyUs = 0;
    };

    void Unit(const clBytes& unit, std::int64_t nowUs, std::vector<unsigned char>& out);
    void Frame(const clBytes& frame, std::int64_t nowUs, std::vector<unsigned char>& out);
    clBytes Answer(const clBytes& frame);
    clBytes Execute(unsigned char order);
    clBytes DeviceOrder(unsigned char order);
    clBytes Request(const clBytes& frame);
    clBytes Write(const clBytes& frame);
    clBytes FillFrame(const clBytes& frame);
    void Emit(const clBytes& frame, clBytes reply, std::int64_t nowUs, std::vector<unsigned char>& out);
    void Log(const char* tag, const clBytes& bytes);
    void Note(const char* text);

    // Why a device order cannot run now (null: it can): a real programmer
    // knows only what the host told it since it started.
    const char* Refusal(unsigned char order) const;
    // Power-up: everything the host told the programmer is gone.
    void Restart();

    static int ReplyLength(unsigned char order);
    static clBytes Reply(unsigned char code, int length);
    static clBytes Failure() { return {1, 1}; } // answer code 1: failed

    const clSimOptions& m_Options;
    clSimMemory& m_Mem;
    std::ostream* m_pLog = nullptr;
    clSimBootMonitor* m_pBoot = nullptr;

    clBytes m_Partial;
    std::int64_t m_PartialSinceUs = 0;
    std::uint32_t m_ulFrames = 0;
    bool m_bDropped = false;
    bool m_bPressed = false;
    clLongOrder m_Long;
    std::int64_t m_LastReplyUs = 0;

    // What the host has set up since the programmer started.
    bool m_bDeviceSet = false;
    bool m_bRangeSet = false;
    std::uint32_t m_ulCmdStart = 0;
    std::uint32_t m_ulCmdStop = 0;
};
