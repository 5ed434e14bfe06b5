// The portable side of the serial back end: a handle forwards to the device
// its back end opened, and the clock is the back end's.
#include "comm/comhandle.h"

namespace {
clComBackEnd* g_pBackEnd = nullptr; // a test's; null: the platform's

clComBackEnd& BackEnd()
{
    return g_pBackEnd != nullptr ? *g_pBackEnd : QkPlatformComBackEnd();
}
} // namespace

void QkSetComBackEnd(clComBackEnd* backEnd)
{
    g_pBackEnd = backEnd;
}

clComHandle& clComHandle::operator=(clComHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        m_pDevice = std::move(other.m_pDevice);
        m_sOpenError = std::move(other.m_sOpenError);
    }
    return *this;
}

clComHandle::~clComHandle()
{
    Close();
}

bool clComHandle::Open(const std::string& path)
{
    Close();
    m_sOpenError.clear();
    m_pDevice = BackEnd().Open(path, m_sOpenError);
    return m_pDevice != nullptr;
}

bool clComHandle::Close()
{
    if (!m_pDevice)
        return true;
    const bool closed = m_pDevice->Close();
    m_pDevice.reset();
    return closed;
}

bool clComHandle::GetState(clComDcb& dcb) const
{
    return m_pDevice && m_pDevice->GetState(dcb);
}

bool clComHandle::SetState(const clComDcb& dcb)
{
    return m_pDevice && m_pDevice->SetState(dcb);
}

int clComHandle::InQueue() const
{
    return m_pDevice ? m_pDevice->InQueue() : -1;
}

int clComHandle::OutQueue() const
{
    return m_pDevice ? m_pDevice->OutQueue() : -1;
}

unsigned clComHandle::FetchErrors()
{
    return m_pDevice ? m_pDevice->FetchErrors() : 0;
}

bool clComHandle::Purge(bool rx, bool tx)
{
    return m_pDevice && m_pDevice->Purge(rx, tx);
}

long clComHandle::Read(void* buf, std::size_t count)
{
    return m_pDevice ? m_pDevice->Read(buf, count) : -1;
}

long clComHandle::Write(const void* buf, std::size_t count)
{
    return m_pDevice ? m_pDevice->Write(buf, count) : -1;
}

int clComHandle::WaitIn(int ms) const
{
    return m_pDevice ? m_pDevice->WaitIn(ms) : -1;
}

int clComHandle::WaitOut(int ms) const
{
    return m_pDevice ? m_pDevice->WaitOut(ms) : -1;
}

void QkSleepUs(std::int64_t us)
{
    if (us > 0)
        BackEnd().SleepUs(us);
}

std::int64_t QkNowUs()
{
    return BackEnd().NowUs();
}

clComLatency clComHandle::Latency() const
{
    return m_pDevice ? m_pDevice->Latency() : clComLatency{};
}
