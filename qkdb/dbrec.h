// The device database records: plain values built from the bytes of one
// resource (little-endian, names NUL-terminated and cut at 255 characters).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class clDBBasic {
public:
    explicit clDBBasic(unsigned short dbId = 0) : m_usDBId(dbId) {}
    virtual ~clDBBasic() = default;
    // The resource id the record was read from.
    unsigned short GetDBId() const { return m_usDBId; }

protected:
    void SetDBId(unsigned short dbId) { m_usDBId = dbId; }

private:
    unsigned short m_usDBId;
};

// A vendor (resources 1 to 499).
class clDBVndr : public clDBBasic {
public:
    clDBVndr() = default;
    clDBVndr(unsigned short dbId, const unsigned char* data, std::size_t size);
    const char* GetName() const { return m_sName.c_str(); }

private:
    std::string m_sName;
};

// A socket adapter (resources 1001 to 1999).
class clDBAdptr : public clDBBasic {
public:
    clDBAdptr() = default;
    clDBAdptr(unsigned short dbId, const unsigned char* data, std::size_t size);
    unsigned short GetID() const { return m_usId; }
    const char* GetName() const { return m_sName.c_str(); }

private:
    unsigned short m_usId = 0;
    std::string m_sName;
};

// A memory space of a device (resources 2001 to 4999).
class clDBBuf : public clDBBasic {
public:
    clDBBuf() = default;
    clDBBuf(unsigned short dbId, const unsigned char* data, std::size_t size);
    unsigned short GetSpace() const { return m_usSpace; }
    std::uint32_t GetStartAdrs() const { return m_ulStart; }
    std::uint32_t GetStopAdrs() const { return m_ulStop; }
    std::uint32_t GetBlkAlignment() const { return m_ulAlignment; }
    unsigned char GetEraseVal() const { return m_ucEraseVal; }
    unsigned short GetDlgHndlId() const { return m_usDlgHndlId; }
    const char* GetName() const { return m_sName.c_str(); }

private:
    unsigned short m_usSpace = 0;
    std::uint32_t m_ulStart = 0;
    std::uint32_t m_ulStop = 0;
    std::uint32_t m_ulAlignment = 1;
    unsigned char m_ucEraseVal = 0xFF;
    unsigned short m_usDlgHndlId = 0;
    std::string m_sName;
};

// A device header; the resource ids are named by the index resources.
class clDBChipHdr : public virtual clDBBasic {
public:
    clDBChipHdr() = default;
    clDBChipHdr(unsigned short dbId, const unsigned char* data, std::size_t size);
    std::int32_t GetType() const { return m_lType; }
    unsigned short GetVndrNo() const { return m_usVndrNo; }
    unsigned short GetAdptrNo() const { return m_usAdptrNo; }
    unsigned short GetChipId() const { return m_usChipId; }
    const char* GetName() const { return m_sName.c_str(); }

protected:
    void ReadHeader(const unsigned char* data, std::size_t size);

private:
    std::int32_t m_lType = 0;
    unsigned short m_usVndrNo = 0;
    unsigned short m_usAdptrNo = 0;
    unsigned short m_usChipId = 0;
    std::string m_sName;
};

// A device's parameters (header resource id + 4000; 55 bytes).
class clDBChipInfo : public virtual clDBBasic {
public:
    static constexpr int kMaxBufs = 15;
    static constexpr std::size_t kRecordSize = 55;

    clDBChipInfo() = default;
    clDBChipInfo(unsigned short dbId, const unsigned char* data, std::size_t size);
    unsigned short GetAlgID() const { return m_usAlgId; }
    unsigned short GetDeviceID() const { return m_usDeviceId; }
    unsigned short GetVppVal() const { return m_usVppVal; }
    std::int32_t IsSigChkAvail() const { return m_lSigChk; }
    std::int32_t IsEraseAvail() const { return m_lErase; }
    std::uint32_t GetEraseTime() const { return m_ulEraseTime; }
    std::uint32_t GetPgmTime() const { return m_ulPgmTime; }
    unsigned short GetVerSupp() const { return m_usVerSupp; }
    unsigned char GetScrtyBits() const { return m_ucScrtyBits; }
    // The number of valid buffer ids (never more than the 15 slots).
    unsigned short GetBufCount() const { return m_usBufCount; }
    // The i-th buffer resource id; 0 at or beyond the count.
    unsigned short GetBufNo(int i) const;
    unsigned short GetPgmPulse() const { return m_usPgmPulse; }

protected:
    void ReadInfo(const unsigned char* data, std::size_t size);

private:
    unsigned short m_usAlgId = 0;
    unsigned short m_usDeviceId = 0;
    unsigned short m_usVppVal = 0;
    std::int32_t m_lSigChk = 0;
    std::int32_t m_lErase = 0;
    std::uint32_t m_ulEraseTime = 0;
    std::uint32_t m_ulPgmTime = 0;
    unsigned short m_usVerSupp = 0xFFFF;
    unsigned char m_ucScrtyBits = 0;
    unsigned short m_usBufNo[kMaxBufs] = {};
    unsigned short m_usBufCount = 0;
    unsigned short m_usPgmPulse = 0;
};

// A device's complete record.
class clDBChip : public virtual clDBChipHdr, public virtual clDBChipInfo {
public:
    clDBChip() = default;
    clDBChip(unsigned short dbId, const unsigned char* header, std::size_t headerSize, const unsigned char* info,
             std::size_t infoSize);
};
