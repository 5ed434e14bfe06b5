// qksim's boot monitor: what a programmer without running firmware answers.
// It identifies itself to the probe byte, takes a firmware image in image
// write frames, serves its paged memory, and hands over to the normal
// firmware when told to start it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <vector>

#include "tools/qksim/simopts.h"

class clSimBootMonitor {
public:
    using clBytes = std::vector<unsigned char>;
    // The largest image the monitor takes.
    static constexpr std::uint32_t kMaxImage = 256 * 1024;
    // What a read of page 0xFF, address 0 answers.
    static constexpr unsigned char kPageCount = 4;

    explicit clSimBootMonitor(const clSimFaults& faults);

    // Bytes from the host, arrived at nowUs; replies go to out.
    void Receive(const unsigned char* bytes, std::size_t count, std::int64_t nowUs, clBytes& out);
    // Still the monitor: false once the host started the firmware.
    bool Active() const { return m_bActive; }
    // The image bytes received so far, from address 0.
    const clBytes& Image() const { return m_Image; }
    // Called with the image when the host starts the firmware.
    void OnStart(std::function<void(const clBytes&)> handler) { m_OnStart = std::move(handler); }
    void SetFrameLog(std::ostream* log) { m_pLog = log; }

private:
    void Frame(const clBytes& frame, clBytes& out);
    clBytes Command(unsigned char command);
    clBytes ReadPage(const clBytes& frame);
    clBytes WritePage(const clBytes& frame);
    clBytes WriteImage(const clBytes& frame);
    void Log(const char* tag, const clBytes& bytes);

    const clSimFaults& m_Faults;
    bool m_bActive = true;
    clBytes m_Partial;
    std::int64_t m_PartialSinceUs = 0;
    clBytes m_Image;
    std::map<unsigned char, clBytes> m_Pages; // 64 KiB each, made when first written
    std::function<void(const clBytes&)> m_OnStart;
    std::ostream* m_pLog = nullptr;
};
