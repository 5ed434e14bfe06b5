// The link to the programmer's boot monitor: request and reply frames, the
// identify exchange, the firmware download and page-wise memory access.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "boot/bootdrv.h"
#include "boot/qkboot32.h"

// Error numbers of the boot library.
enum : std::int32_t {
    bootErrWrongKind = 1,   // a reply of the wrong kind, or a version query failed
    bootErrNoImage = 9,     // the family has no image, or it is empty
    bootErrPortClosed = 10, // the port is not open
    bootErrLink = 11,       // a request not written, or a reply short or of the wrong length
    bootErrMonitor = 12,    // the monitor reported an unlisted error code
    bootErrIdentity = 13,   // the monitor did not identify itself
};

// Checks a monitor reply of got bytes that should carry dataBytes data bytes
// (0: a bare acknowledgement). 0 when it does, else the error number.
std::int32_t QkBootReplyError(const unsigned char* reply, std::size_t got, std::size_t dataBytes);

// The firmware image of a device family (1 to 4) from the compiled-in
// resources; false when the family has none or its length prefix lies.
bool QkBootImage(std::int32_t family, const unsigned char*& bytes, std::size_t& size);

class CBootMonitor {
public:
    static constexpr std::size_t kReadChunk = 157;
    static constexpr std::size_t kWriteChunk = 128;
    static constexpr std::uint32_t kReplyTimeoutMs = 8192;

    CBootMonitor();

    CCommDriver& Driver() { return m_Driver; }
    CDllError& Error() { return m_Error; }
    // Sets the error number and its text ("No Error" for 0).
    void SetError(std::int32_t number);

    // com_init: 1, or -1 with the reason in the error record.
    int LoadFirmware(std::int32_t port, QkBootProgressFn progress, std::int32_t family);
    int PageNumber(std::uint16_t* page);
    int ReadMem(unsigned char page, std::uint32_t address, std::size_t count, unsigned char* dst);
    int WriteMem(unsigned char page, std::uint32_t address, std::size_t count, const unsigned char* src);

private:
    // Sends a request and checks its reply; data receives dataBytes bytes.
    bool Transaction(const std::vector<unsigned char>& request, unsigned char* data, std::size_t dataBytes);
    bool Identify();
    bool Download(const unsigned char* image, std::size_t size);
    bool Fail(std::int32_t number);

    CCommDriver m_Driver;
    CDllError m_Error{};
    QkBootProgressFn m_pProgress = nullptr;
};
