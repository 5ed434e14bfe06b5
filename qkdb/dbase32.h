// The device database: vendors, adapters, memory spaces and devices, read
// from the raw-data resources compiled into this library.
#pragma once

#include "cpplib/tarray.h"
#include "err/qkexpt.h"
#include "err/qkwin.h"
#include "qkdb/dbrec.h"
#include "qkdb/verinfo.h"

// A database look-up of an id that does not exist.
class clDbBadId : public virtual clBscExpt {
public:
    clDbBadId() = default;
    clDbBadId(const clDbBadId&) = default;
    ~clDbBadId() override = default;
};

class clDataBase {
public:
    // Resource id ranges and index resources.
    static constexpr unsigned long kFirstVndr = 1, kLastVndr = 499;
    static constexpr unsigned long kFirstAdptr = 1001, kLastAdptr = 1999;
    static constexpr unsigned long kFirstBuf = 2001, kLastBuf = 4999;
    static constexpr unsigned long kInfoOffset = 4000;
    static constexpr unsigned long kFirstOrder = 20001, kLastOrder = 23998;
    static constexpr unsigned long kChipIndexBase = 30001;
    static constexpr unsigned long kVersionId = 514;
    static constexpr unsigned long kReadSize = 256;

    // module: the module whose resources hold the data (GetDLLDBaseInstance()).
    explicit clDataBase(HINSTANCE module);
    virtual ~clDataBase() = default;

    // Clears len bytes of dst, copies min(resource size, len) bytes of
    // resource id and returns that count; 0 when it is missing or empty.
    static unsigned long LoadData(HINSTANCE module, unsigned long id, char* dst, unsigned long len);

    clDBVndr GetVndr(unsigned short id) const;
    clDBAdptr GetAdptr(unsigned short id) const;
    clDBBuf GetBuf(unsigned short id) const;
    clDBChipHdr GetChipHdr(unsigned short chipId) const;
    clDBChipInfo GetChipInfo(unsigned short chipId) const;
    clDBChip GetChip(unsigned short chipId) const;

    // Call fn for each record in id order until a missing id, the end of the
    // range or fn answering 0.
    void IterVndrs(int (*fn)(clDBVndr&, void*), void* user) const;
    void IterAdptrs(int (*fn)(clDBAdptr&, void*), void* user) const;
    void IterBufs(int (*fn)(clDBBuf&, void*), void* user) const;
    // The device headers in display order.
    void IterChipsHdr(int (*fn)(clDBChipHdr&, void*), void* user) const;

    // Appends "QKDB" with the database version.
    void GetVer(TArrayAsVector<clVerInfo>& list) const;

private:
    struct clResBytes {
        unsigned char bytes[kReadSize];
        unsigned long size;
    };
    bool Read(unsigned long id, clResBytes& out) const;
    bool ReadHeaderId(unsigned short chipId, unsigned short& headerId) const;

    HINSTANCE m_hModule;
};

// The instance handle of the database library.
HINSTANCE GetDLLDBaseInstance();
