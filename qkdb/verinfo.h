// A version record: database, protocol and programmer versions are reported
// as lists of these.
#pragma once

#include <string>

class clVerInfo {
public:
    clVerInfo() = default;
    clVerInfo(const char* name, unsigned short hi, unsigned short lo, unsigned short alpha = 0,
              unsigned short rebuild = 0)
        : m_sName(name != nullptr ? name : ""), m_usHi(hi), m_usLo(lo), m_usAlpha(alpha), m_usRebuild(rebuild)
    {}
    virtual ~clVerInfo() = default;

    const char* GetName() const { return m_sName.c_str(); }
    unsigned short GetHiVer() const { return m_usHi; }
    unsigned short GetLoVer() const { return m_usLo; }
    unsigned short GetAlphaVer() const { return m_usAlpha; }
    unsigned short GetRebuildVer() const { return m_usRebuild; }

    bool operator==(const clVerInfo& other) const
    {
        return m_sName == other.m_sName && m_usHi == other.m_usHi && m_usLo == other.m_usLo &&
               m_usAlpha == other.m_usAlpha && m_usRebuild == other.m_usRebuild;
    }

private:
    std::string m_sName;
    unsigned short m_usHi = 0;
    unsigned short m_usLo = 0;
    unsigned short m_usAlpha = 0;
    unsigned short m_usRebuild = 0;
};
