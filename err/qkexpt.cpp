#include "err/qkexpt.h"

clBscExpt::clBscExpt(const clBscExpt& other)
    : m_sFile(other.m_sFile), m_usLine(other.m_usLine), m_pFunc(other.m_pFunc), m_lCounter(0)
{}

clBscExpt& clBscExpt::operator=(const clBscExpt& other)
{
    m_sFile = other.m_sFile;
    m_usLine = other.m_usLine;
    m_pFunc = other.m_pFunc;
    return *this;
}

void clBscExpt::AppendFile(const char* file)
{
    if (file != nullptr)
        m_sFile += file;
}

const char* QkExptName(const clBscExpt& e)
{
    const clBscExpt* p = &e;
    if (dynamic_cast<const clXRange*>(p))
        return "clXRange";
    if (dynamic_cast<const clXSize*>(p))
        return "clXSize";
    if (dynamic_cast<const clXConstructor*>(p))
        return "clXConstructor";
    if (dynamic_cast<const clXIO*>(p))
        return "clXIO";
    if (dynamic_cast<const clXEOF*>(p))
        return "clXEOF";
    if (dynamic_cast<const clXType*>(p))
        return "clXType";
    if (dynamic_cast<const clXAbort*>(p))
        return "clXAbort";
    if (dynamic_cast<const clXAlloc*>(p))
        return "clXAlloc";
    if (dynamic_cast<const clXUnSuppFormat*>(p))
        return "clXUnSuppFormat";
    if (dynamic_cast<const clXIntrErr*>(p))
        return "clXIntrErr";
    if (dynamic_cast<const clXDataFormat*>(p))
        return "clXDataFormat";
    return "clBscExpt";
}
