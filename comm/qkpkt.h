// The frame buffer of the protocol: frames are built and replies received
// in place. A frame is a count byte (the bytes that follow) and the bytes.
#pragma once

#include <cstdint>

#include "comm/qkwire.h"

class clQKPkt {
public:
    static constexpr int kMaxFrame = qkwire::kMaxFrame;
    static constexpr int kMaxReply = 255; // the longest reply awaited
    static constexpr int kMaxData = qkwire::kMaxData;
    static constexpr int kHeader = 9; // cnt, kind, order, sub, adrs, len

    // Builders. A frame too long for the line keeps its true length, so that
    // sending refuses it.
    void SetExecute(unsigned char order, const unsigned char* args = nullptr, int count = 0);
    void SetRequest(unsigned char order, unsigned char sub, std::uint32_t adrs, unsigned char len);
    void SetWrite(unsigned char order, unsigned char sub, std::uint32_t adrs, const unsigned char* data, int len);
    void SetFill(unsigned char order, unsigned char sub, std::uint32_t start, std::uint32_t stop, unsigned char value);
    void SetReboot(unsigned char order);

    // The frame to send: cnt + 1 bytes.
    int FrameLength() const { return m_iLength; }
    const unsigned char* Bytes() const { return m_Bytes; }
    // Room for a reply of up to kMaxReply bytes.
    unsigned char* ReplyArea() { return m_Bytes; }
    void ClearCnt() { m_Bytes[0] = 0; }

    unsigned char Cnt() const { return m_Bytes[0]; }
    unsigned char Byte(int at) const { return m_Bytes[at]; }
    // Four bytes from at, most significant first.
    std::uint32_t BigEndian32(int at) const;

private:
    void Start(int length, unsigned char kind, unsigned char order);

    unsigned char m_Bytes[kMaxReply + 1] = {};
    int m_iLength = 0;
};
