// The byte buffer of one device memory space: a contiguous block of bytes
// that starts at a device address, with address-checked range operations.
#pragma once

#include <cstdint>
#include <istream>
#include <new>
#include <ostream>
#include <string>

#include "cladrs/cladrs.h"

template <class T>
class clHugeBuffer;

// Thrown by a whole-file load when the buffer cannot be allocated.
class clNoMemory : public std::bad_alloc {
public:
    const char* what() const noexcept override { return "no memory avaliable"; }
};

template <>
class clHugeBuffer<unsigned char> {
public:
    explicit clHugeBuffer(const char* name = "");
    clHugeBuffer(const clHugeBuffer&) = delete;
    clHugeBuffer& operator=(const clHugeBuffer&) = delete;
    virtual ~clHugeBuffer();

    virtual std::uint32_t GetSize() const { return m_ulSize; }
    virtual const char* GetName() const { return m_sName.c_str(); }
    virtual void SetName(const char* name);
    virtual clAdrs GetStartAdrs() const { return m_Start; }
    // start + size - 1; the start itself when the buffer is empty.
    virtual clAdrs GetStopAdrs() const;
    // The byte at an address (clXConstructor without memory, clXRange outside).
    virtual unsigned char GetByte(const clAdrs& adrs) const;

    // Range operations; stop is inclusive. Each raises clXConstructor when
    // the buffer has no memory and clXRange when stop is below start or the
    // range leaves the buffer.
    virtual std::uint16_t Sum(const clAdrs& start, const clAdrs& stop) const;
    virtual void SetByte(const clAdrs& adrs, const unsigned char* byte);
    virtual void CopyWithin(const clAdrs& start, const clAdrs& stop, const clAdrs& dest);
    virtual void CopyTo(const clAdrs& start, const clAdrs& stop, const clAdrs& dest,
                        clHugeBuffer<unsigned char>& other) const;
    virtual int Compare(const clAdrs& start, const clAdrs& stop, const unsigned char* bytes) const;
    virtual int Compare(const clAdrs& start, const clAdrs& stop, const clHugeBuffer<unsigned char>& other,
                        const clAdrs& otherAdrs) const;
    virtual void Read(const clAdrs& start, const clAdrs& stop, unsigned char* dst) const;
    virtual void ReadReversed(const clAdrs& start, const clAdrs& stop, unsigned char* dst) const;
    virtual void Write(const clAdrs& start, const clAdrs& stop, const unsigned char* src);
    virtual void Fill(const clAdrs& start, const clAdrs& stop, const unsigned char* value);

    // Stream form: name length, name, size, start address, bytes.
    virtual void LoadFromStream(std::istream& in);
    virtual void SaveToStream(std::ostream& out) const;

    // Sizes the buffer; 1 on success, 0 when refused (nothing changes).
    virtual int SetParams(std::uint32_t size, const clAdrs& start);

    // Loads a whole binary file from the buffer start (sizing an empty buffer
    // to the file); 0 when the file cannot be read.
    virtual int LoadFile(const char* path);
    // Binary file loads of an address range (file byte k at start address +
    // k); the plain buffer has none and answers 0.
    virtual int LoadBinRange(const char* path, const clAdrs& start, const clAdrs& stop);
    virtual int LoadBinRangeReversed(const char* path, const clAdrs& start, const clAdrs& stop);
    // Saves the bytes of a range as a binary file; 0 when it cannot be written.
    virtual int SaveBinRange(const char* path, const clAdrs& start, const clAdrs& stop) const;

    // Fill-on-resize: newly sized memory takes the fill value.
    virtual void SetFill(int flag, unsigned char value);
    virtual void FillOff() { m_iFillOnResize = 0; }
    virtual void FillOn() { m_iFillOnResize = 1; }
    int IsFillOn() const { return m_iFillOnResize; }
    unsigned char GetFillValue() const { return m_ucFillValue; }

    bool HasMemory() const { return m_pMem != nullptr; }

protected:
    // Raising checks shared by the range operations.
    void CheckMemory(unsigned short line) const;
    void CheckOrder(const clAdrs& start, const clAdrs& stop, unsigned short line) const;
    void CheckInside(const clAdrs& start, const clAdrs& stop, unsigned short line) const;
    void CheckRange(const clAdrs& start, const clAdrs& stop, unsigned short noMemLine, unsigned short orderLine,
                    unsigned short insideLine) const;
    bool Contains(const clAdrs& start, const clAdrs& stop) const;
    std::size_t OffsetOf(const clAdrs& adrs) const { return adrs.GetLinear() - m_Start.GetLinear(); }
    unsigned char* Memory() { return m_pMem; }
    const unsigned char* Memory() const { return m_pMem; }

private:
    void FillAfterResize(std::uint32_t keptBytes);

    unsigned char* m_pMem = nullptr;
    std::string m_sName;
    std::uint32_t m_ulSize = 0;
    clAdrs m_Start;
    int m_iFillOnResize = 0;
    unsigned char m_ucFillValue = 0;
};

using clByteBuffer = clHugeBuffer<unsigned char>;
