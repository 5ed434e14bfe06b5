// Records that cross the communication library's boundary: the programmer's
// status, the connect choice and the port configuration. All packed.
#pragma once

#include <cstdint>

#pragma pack(push, 1)

// The programmer's status: bit 0 of the flags says the start-button value is
// valid; the other flag bits are left as they are.
struct QK_STATUS {
    QK_STATUS() = default;
    QK_STATUS(const QK_STATUS& other)
    {
        Reset();
        m_ucFlags = static_cast<unsigned char>((m_ucFlags & ~1u) | (other.m_ucFlags & 1u));
        m_lStartBttn = other.m_lStartBttn;
    }
    QK_STATUS& operator=(const QK_STATUS&) = default;

    void Reset()
    {
        m_ucFlags = static_cast<unsigned char>(m_ucFlags & ~1u);
        m_lStartBttn = 0;
    }
    void SetStartBttnClicked(int value)
    {
        m_lStartBttn = value;
        m_ucFlags = static_cast<unsigned char>(m_ucFlags | 1u);
    }
    int VerifyStartBttn() const { return m_ucFlags & 1; }
    int StartBttnClicked() const { return m_lStartBttn; }

    unsigned char m_ucFlags = 0;
    std::int32_t m_lStartBttn = 0;
};

// The connect choice: port number (-1 none), port kind, protocol (-1 demo,
// 0 or 1 the real one).
struct QK_PORT_CFG {
    std::int32_t m_lPortNo = -1;
    std::int32_t m_lPortKind = 0;
    std::int32_t m_lProtocol = 0;
};

// The port configuration the protocol layer fills with its defaults and
// connects with; the handshake kind is the 16-bit value after the first 64
// bytes.
struct QK_COMM_PORT {
    std::int32_t m_lPortNo = -1;
    std::int32_t m_lPortKind = 0;
    std::int32_t m_lProtocol = 0;
    std::int32_t m_lReserved[4] = {};
    std::int32_t m_lValues[2] = {};
    std::int32_t m_lComIndex = 0; // the port opened is COM index + 1
    std::uint16_t m_usOpenParams[4] = {};
    std::uint16_t m_usInQueue = 0;
    std::uint16_t m_usOutQueue = 0;
    std::uint16_t m_usSpare = 0;
    std::int32_t m_lBaud = 0;
    std::uint16_t m_usParity = 0; // the low byte is the parity code
    std::uint16_t m_usDataBits = 0;
    std::uint16_t m_usStopBits = 0;
    std::uint16_t m_usHandshake = 0;
};

#pragma pack(pop)

static_assert(sizeof(QK_STATUS) == 5);
static_assert(sizeof(QK_PORT_CFG) == 12);
static_assert(sizeof(QK_COMM_PORT) == 66);
