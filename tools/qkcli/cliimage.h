// The bytes of a data file collected in pages while it is read, before the
// range it covers is known; then moved into a space buffer page by page, so
// that the data never lives twice in memory as a whole.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "cpplib/clbuffer.h"
#include "source/files/hexio.h"

class clPageImage : public clHexSink {
public:
    static constexpr std::uint32_t kPageSize = 1u << 20;

    explicit clPageImage(unsigned char fill) : m_ucFill(fill) {}

    bool GetRange(std::uint32_t& first, std::uint32_t& last) const override;
    void Store(std::uint32_t first, std::uint32_t last, const unsigned char* bytes) override;

    bool IsEmpty() const { return !m_bAny; }
    std::uint32_t GetLowest() const { return m_ulLowest; }
    std::uint32_t GetHighest() const { return m_ulHighest; }

    // Writes first..last into buffer (which covers that range): stored bytes
    // where there are any, the fill value elsewhere. Releases every page.
    void MoveInto(clHugeBuffer<unsigned char>& buffer, std::uint32_t first, std::uint32_t last);

private:
    unsigned char m_ucFill;
    std::map<std::uint32_t, std::unique_ptr<unsigned char[]>> m_Pages; // by page number
    bool m_bAny = false;
    std::uint32_t m_ulLowest = 0;
    std::uint32_t m_ulHighest = 0;
};
