// A space's dump-window options (its group of the option catalogue), read
// and written by id, plus the two flags the main window looks at: data
// changed and options changed.
#pragma once

#include <cstdint>
#include <string>

#include "source/project/qkopts.h"

class clDumpOptions {
public:
    // group: the space's dump options (its group id is the space index).
    explicit clDumpOptions(TBscOptGrp& group);

    int GetSpace() const { return m_iSpace; }

    std::uint8_t GetViewMode() const { return Get<std::uint8_t>(spcViewMode); }
    std::uint8_t GetLineWidth() const { return Get<std::uint8_t>(spcLineWidth); }
    std::uint8_t GetEndian() const { return Get<std::uint8_t>(spcEndian); }
    std::uint32_t GetDumpStart() const { return Get<std::uint32_t>(spcDumpStart); }
    std::uint8_t GetBinMode() const { return Get<std::uint8_t>(spcBinMode); }
    std::uint32_t GetCurAdrs() const { return Get<std::uint32_t>(spcCurAdrs); }
    std::string GetFind() const { return Get<std::string>(spcFind); }
    std::string GetReplace() const { return Get<std::string>(spcReplace); }
    std::uint32_t GetGoto() const { return Get<std::uint32_t>(spcGoto); }
    std::uint16_t GetX() const { return Get<std::uint16_t>(spcDumpX); }
    std::uint16_t GetY() const { return Get<std::uint16_t>(spcDumpY); }
    std::uint16_t GetW() const { return Get<std::uint16_t>(spcDumpW); }
    std::uint16_t GetH() const { return Get<std::uint16_t>(spcDumpH); }

    void SetViewMode(std::uint8_t v) { Set(spcViewMode, v); }
    void SetLineWidth(std::uint8_t v) { Set(spcLineWidth, v); }
    void SetEndian(std::uint8_t v) { Set(spcEndian, v); }
    void SetDumpStart(std::uint32_t v) { Set(spcDumpStart, v); }
    void SetBinMode(std::uint8_t v) { Set(spcBinMode, v); }
    void SetCurAdrs(std::uint32_t v) { Set(spcCurAdrs, v); }
    void SetFind(const std::string& v) { Set(spcFind, v); }
    void SetReplace(const std::string& v) { Set(spcReplace, v); }
    void SetGoto(std::uint32_t v) { Set(spcGoto, v); }
    void SetGeometry(std::uint16_t x, std::uint16_t y, std::uint16_t w, std::uint16_t h);

    bool IsDataChanged() const { return m_bDataChanged; }
    bool IsOptionsChanged() const { return m_bOptionsChanged; }
    void MarkDataChanged() { m_bDataChanged = true; }
    void MarkOptionsChanged() { m_bOptionsChanged = true; }
    // The main window takes the flags when it has marked the project.
    void ClearFlags() { m_bDataChanged = m_bOptionsChanged = false; }

private:
    // A switched-off option gives the type's zero and takes nothing.
    template <class T>
    T Get(clQKOptIDType offset) const
    {
        T value{};
        m_Group.Get(QkSpaceOptId(m_iSpace, offset), value);
        return value;
    }
    template <class T>
    void Set(clQKOptIDType offset, const T& value)
    {
        m_Group.Set(QkSpaceOptId(m_iSpace, offset), value);
    }

    TBscOptGrp& m_Group;
    int m_iSpace;
    bool m_bDataChanged = false;
    bool m_bOptionsChanged = false;
};
