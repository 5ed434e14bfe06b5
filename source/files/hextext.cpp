#include "source/files/hextext.h"
#include "cpplib/qkpath.h"

namespace {
constexpr std::size_t kBufferSize = 1u << 16;
}

bool clHexTextIn::Open(const std::string& path)
{
    Close();
    m_pFile = QkOpenFile(path, "rb");
    if (m_pFile == nullptr)
        return false;
    if (std::fseek(m_pFile, 0, SEEK_END) == 0) {
        const long end = std::ftell(m_pFile);
        m_ulLength = end > 0 ? static_cast<std::uint64_t>(end) : 0;
    }
    m_Buffer = std::make_unique<unsigned char[]>(kBufferSize);
    return Rewind();
}

void clHexTextIn::Close()
{
    if (m_pFile != nullptr)
        std::fclose(m_pFile);
    m_pFile = nullptr;
    m_uPos = m_uFill = 0;
    m_ulBufferStart = 0;
    m_iPushed = -1;
    m_bEof = m_bFailed = false;
}

bool clHexTextIn::Rewind()
{
    if (m_pFile == nullptr || std::fseek(m_pFile, 0, SEEK_SET) != 0) {
        m_bFailed = true;
        return false;
    }
    std::clearerr(m_pFile);
    m_uPos = m_uFill = 0;
    m_ulBufferStart = 0;
    m_iPushed = -1;
    m_bEof = m_bFailed = false;
    // A UTF-8 byte-order mark (Windows editors write one) is no part of the records.
    // (A read that fails here fails again at the first record, which reports it.)
    if (Refill() && m_uFill >= 3 && m_Buffer[0] == 0xEF && m_Buffer[1] == 0xBB && m_Buffer[2] == 0xBF)
        m_uPos = 3;
    return true;
}

bool clHexTextIn::Refill()
{
    if (m_pFile == nullptr || m_bFailed || m_bEof) {
        m_bEof = m_bEof || m_pFile == nullptr;
        return false;
    }
    m_ulBufferStart += m_uFill;
    m_uPos = 0;
    m_uFill = std::fread(m_Buffer.get(), 1, kBufferSize, m_pFile);
    if (m_uFill > 0)
        return true;
    if (std::ferror(m_pFile))
        m_bFailed = true;
    else
        m_bEof = true;
    return false;
}

std::uint64_t clHexTextIn::Tell() const
{
    return m_ulBufferStart + m_uPos - (m_iPushed >= 0 ? 1 : 0);
}

bool clHexTextOut::Open(const std::string& path)
{
    m_sPending.clear();
    m_sPending.reserve(kBufferSize + 1024);
    m_pFile = std::make_unique<clAtomicFile>(path);
    return m_pFile->IsOpen();
}

void clHexTextOut::Write(const char* text, std::size_t count)
{
    m_sPending.append(text, count);
    if (m_sPending.size() >= kBufferSize)
        Flush();
}

void clHexTextOut::Flush()
{
    if (IsOpen())
        m_pFile->Stream().write(m_sPending.data(), static_cast<std::streamsize>(m_sPending.size()));
    m_sPending.clear();
}

bool clHexTextOut::Commit()
{
    Flush();
    const bool done = IsOpen() && m_pFile->Commit();
    m_pFile.reset();
    return done;
}

void clHexTextOut::Discard()
{
    m_sPending.clear();
    if (m_pFile)
        m_pFile->Discard();
    m_pFile.reset();
}
