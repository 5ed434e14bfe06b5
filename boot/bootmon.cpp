#include "boot/bootmon.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "comm/qkwire.h"
#include "cpplib/qkbytes.h"
#include "err/qkwin.h"

extern const QK_RESOURCE g_qkbootImages[];
extern const std::size_t g_qkbootImageCount;

namespace {

using namespace qkwire;

void PutBigEndian32(std::vector<unsigned char>& to, std::uint32_t value)
{
    unsigned char bytes[4];
    QkStoreBE32(bytes, value);
    to.insert(to.end(), bytes, bytes + 4);
}

// The text of an error number. Every failure gets its own, so that the
// caller can show why an update failed.
void ErrorText(std::int32_t number, char* text, std::size_t size)
{
    const char* fixed = nullptr;
    switch (number) {
    case 0: fixed = "No Error"; break;
    case bootErrWrongKind: fixed = "the boot monitor answered with a reply of the wrong kind"; break;
    case bootErrNoImage: fixed = "there is no firmware image for the device family"; break;
    case bootErrPortClosed: fixed = "the port cannot be opened or is not open"; break;
    case bootErrLink: fixed = "the boot monitor's reply is missing, short or of the wrong length"; break;
    case bootErrMonitor: fixed = "the boot monitor reported an unknown error"; break;
    case bootErrIdentity: fixed = "the boot monitor did not identify itself"; break;
    default: break;
    }
    if (fixed != nullptr)
        std::snprintf(text, size, "%s", fixed);
    else
        std::snprintf(text, size, "the boot monitor reported error code %d", number == 24 ? 9 : number - 13);
}

} // namespace

std::int32_t QkBootReplyError(const unsigned char* reply, std::size_t got, std::size_t dataBytes)
{
    if (got < 3)
        return bootErrLink;
    if (reply[1] & bootFlagError) {
        const unsigned char code = reply[2];
        if (code >= 1 && code <= 8)
            return code + 13;
        return code == 9 ? 24 : bootErrMonitor;
    }
    if (reply[0] + 1u != got)
        return bootErrLink;
    // A bare acknowledgement where data was due, or data where it was not.
    if ((got == 3) != (dataBytes == 0))
        return bootErrWrongKind;
    return got == dataBytes + 3 ? 0 : bootErrLink;
}

bool QkBootImage(std::int32_t family, const unsigned char*& bytes, std::size_t& size)
{
    static constexpr std::uint32_t kImageIds[] = {105, 107, 108, 111};
    if (family < 1 || family > 4)
        return false;
    const std::uint32_t id = kImageIds[family - 1];
    const QK_RESOURCE* end = g_qkbootImages + g_qkbootImageCount;
    const QK_RESOURCE* found = std::find_if(g_qkbootImages, end, [id](const QK_RESOURCE& r) { return r.id == id; });
    if (found == end || found->size < 4)
        return false;
    const unsigned char* data = found->data;
    const std::uint32_t length = QkLoadLE32(data);
    if (length > found->size - 4)
        return false;
    bytes = data + 4;
    size = length;
    return true;
}

CBootMonitor::CBootMonitor()
{
    SetError(0);
}

void CBootMonitor::SetError(std::int32_t number)
{
    m_Error.m_iError = number;
    ErrorText(number, m_Error.m_szText, sizeof m_Error.m_szText);
}

bool CBootMonitor::Fail(std::int32_t number)
{
    SetError(number);
    return false;
}

bool CBootMonitor::Transaction(const std::vector<unsigned char>& request, unsigned char* data, std::size_t dataBytes)
{
    if (!m_Driver.Connected())
        return Fail(bootErrPortClosed);
    if (!m_Driver.Write(request.data(), request.size()))
        return Fail(bootErrLink);
    std::vector<unsigned char> reply(dataBytes + 3);
    std::size_t got = 0;
    m_Driver.Read(reply.data(), reply.size(), kReplyTimeoutMs, got, true);
    if (const std::int32_t error = QkBootReplyError(reply.data(), got, dataBytes); error != 0)
        return Fail(error);
    if (dataBytes > 0)
        std::memcpy(data, reply.data() + 3, dataBytes);
    return true;
}

bool CBootMonitor::Identify()
{
    unsigned char identity[sizeof kMonitorIdentity];
    if (!Transaction({bootIdentify}, identity, sizeof identity))
        return false;
    return std::memcmp(identity, kMonitorIdentity, sizeof identity) == 0 || Fail(bootErrIdentity);
}

bool CBootMonitor::Download(const unsigned char* image, std::size_t size)
{
    for (std::size_t sent = 0; sent < size;) {
        const std::size_t n = std::min(kWriteChunk, size - sent);
        std::vector<unsigned char> frame = {static_cast<unsigned char>(7 + n), bootReqWrite, bootImageMemory};
        PutBigEndian32(frame, static_cast<std::uint32_t>(sent));
        frame.push_back(static_cast<unsigned char>(n));
        frame.insert(frame.end(), image + sent, image + sent + n);
        if (!Transaction(frame, nullptr, 0))
            return false;
        sent += n;
        if (m_pProgress != nullptr)
            m_pProgress(static_cast<double>(sent) * 100 / static_cast<double>(size));
    }
    return true;
}

int CBootMonitor::LoadFirmware(std::int32_t port, QkBootProgressFn progress, std::int32_t family)
{
    m_pProgress = progress;
    if (port < 1 || !m_Driver.PlugPortDrv(static_cast<unsigned>(port), 115200, 'n', 8, 1)) {
        SetError(bootErrPortClosed);
        return -1;
    }
    bool done = Identify();
    const unsigned char* image = nullptr;
    std::size_t size = 0;
    if (done) {
        SetError(0);
        done = (QkBootImage(family, image, size) && size > 0) || Fail(bootErrNoImage);
    }
    done = done && Download(image, size) && Transaction({2, bootReqCommand, bootStartFirmware}, nullptr, 0);
    // Closed on failure too, so that the caller can open the port again.
    m_Driver.UnPlugPortDrv();
    return done ? 1 : -1;
}

int CBootMonitor::ReadMem(unsigned char page, std::uint32_t address, std::size_t count, unsigned char* dst)
{
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(kReadChunk, count - done);
        std::vector<unsigned char> request = {8, bootReqRead, bootPageMemory, page};
        PutBigEndian32(request, address + static_cast<std::uint32_t>(done));
        request.push_back(static_cast<unsigned char>(n));
        if (!Transaction(request, dst + done, n))
            return -1;
        done += n;
    }
    return 1;
}

int CBootMonitor::WriteMem(unsigned char page, std::uint32_t address, std::size_t count, const unsigned char* src)
{
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(kWriteChunk, count - done);
        std::vector<unsigned char> frame = {static_cast<unsigned char>(8 + n), bootReqWrite, bootPageMemory, page};
        PutBigEndian32(frame, address + static_cast<std::uint32_t>(done));
        frame.push_back(static_cast<unsigned char>(n));
        frame.insert(frame.end(), src + done, src + done + n);
        if (!Transaction(frame, nullptr, 0))
            return -1;
        done += n;
    }
    return 1;
}

int CBootMonitor::PageNumber(std::uint16_t* page)
{
    unsigned char value = 0;
    if (ReadMem(bootPageOfPages, 0, 1, &value) != 1)
        return -1;
    if (page != nullptr)
        *page = value;
    return 1;
}
