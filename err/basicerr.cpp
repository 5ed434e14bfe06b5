#include "err/qkerr.h"

#include <cstdlib>
#include <cstring>

namespace {
char* DuplicateText(const char* text)
{
    return text != nullptr ? strdup(text) : nullptr;
}
} // namespace

clBasicErr::clBasicErr() : m_usErrNo(0), m_iErrType(erTypeNone), m_pErrStr(nullptr), m_ucOpt(erOptOk), m_ulPrcssId(0) {}

clBasicErr::clBasicErr(unsigned long processId, unsigned short errNo, ERR_TYPE type, unsigned char option)
    : m_usErrNo(errNo), m_iErrType(type), m_pErrStr(nullptr), m_ucOpt(option), m_ulPrcssId(processId)
{}

clBasicErr::clBasicErr(const clBasicErr& other)
    : m_usErrNo(other.m_usErrNo),
      m_iErrType(other.m_iErrType),
      m_pErrStr(DuplicateText(other.m_pErrStr)),
      m_ucOpt(other.m_ucOpt),
      m_ulPrcssId(other.m_ulPrcssId)
{}

// Assignment keeps this record's process id: the record stays with the window
// that owns it.
clBasicErr& clBasicErr::operator=(const clBasicErr& other)
{
    if (this == &other)
        return *this;
    FreeData();
    m_usErrNo = other.m_usErrNo;
    m_iErrType = other.m_iErrType;
    m_ucOpt = other.m_ucOpt;
    m_pErrStr = DuplicateText(other.m_pErrStr);
    return *this;
}

clBasicErr::~clBasicErr()
{
    // Not the virtual call: a derived part is already gone here.
    std::free(m_pErrStr);
}

void clBasicErr::FreeData()
{
    std::free(m_pErrStr);
    m_pErrStr = nullptr;
}

char* clBasicErr::GetErrStr() const
{
    return DuplicateText(m_pErrStr);
}

void clBasicErr::SetErrStr(const char* text)
{
    std::free(m_pErrStr);
    m_pErrStr = DuplicateText(text);
}
