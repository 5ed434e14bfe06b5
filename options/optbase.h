// The small parts every option server is built from: an on/off switch, a
// priority, an id.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>

#include "cpplib/clutil.h"

using clQKSwitchType = bool;
using clQKPriorityType = std::uint16_t;
using clQKOptIDType = std::uint16_t;
using clQKGrpIDType = std::uint16_t;

template <class T>
class clSwitch {
public:
    explicit clSwitch(bool on = true) : m_State(on) {}
    void SwitchOn() { m_State = true; }
    void SwitchOff() { m_State = false; }
    bool IsOn() const { return m_State; }
    bool IsOff() const { return !m_State; }

private:
    T m_State;
};

// Saving walks the priority levels from the highest down; these compares are
// all that walk needs.
template <class T>
class clPriority {
public:
    explicit clPriority(T value = 0) : m_Value(value) {}
    T Get() const { return m_Value; }
    bool IsEqual(T level) const { return m_Value == level; }
    bool IsLess(T level) const { return m_Value < level; }

private:
    T m_Value;
};

// An id is stored as 2 bytes.
template <class T>
class clID {
public:
    explicit clID(T id = 0) : m_Id(id) {}
    T Get() const { return m_Id; }
    bool Is(T id) const { return m_Id == id; }
    void Write(std::ostream& out) const { clBinaryIO::Write(out, m_Id); }
    void Read(std::istream& in) { clBinaryIO::Read(in, m_Id); }

private:
    T m_Id;
};
