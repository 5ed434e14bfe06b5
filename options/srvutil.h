// The datum of an option server and its stored forms.
//
// Every datum writes itself to a stream and reads itself back from an item of
// a given length. The length comes from the file: a datum refuses a length
// that does not fit its encoding (clXDataFormat) and changes its value only
// once the whole item has been read.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include "cpplib/clexpt.h"
#include "cpplib/clutil.h"
#include "cpplib/qk51buff.h"

inline constexpr const char kSrvUtilSrc[] = "..\\options\\srvutil.cpp";

// Raises clXDataFormat at the stream's current position.
[[noreturn]] void QkRaiseDataFormat(std::istream& in, const char* file, unsigned short line);

class clDataInterface {
public:
    virtual ~clDataInterface() = default;
    // The number of bytes Write produces.
    virtual std::uint32_t Size() const = 0;
    virtual void Write(std::ostream& out) const = 0;
    // Reads an item of length bytes; the caller has made sure the stream
    // holds them.
    virtual void Read(std::istream& in, std::uint32_t length) = 0;
    // Takes the value of a datum of the same type (clXType otherwise).
    virtual void CopyFrom(const clDataInterface& other) = 0;

protected:
    template <class D>
    static const D& SameType(const clDataInterface& other)
    {
        const auto* same = dynamic_cast<const D*>(&other);
        if (same == nullptr)
            QkRaise<clXType>(&other, kSrvUtilSrc, 61);
        return *same;
    }
};

// Numbers and flags: the raw little-endian bytes of the type (bool as one
// byte). Stored numbers are 8, 16 or 32 bits wide whatever the host's long.
template <class T>
class clData : public clDataInterface {
    static_assert(std::is_integral_v<T> && sizeof(T) <= 4, "stored numbers are at most 32 bits");
    using Stored = std::conditional_t<std::is_same_v<T, bool>, std::uint8_t, T>;

public:
    explicit clData(T value = T{}) : m_Value(value) {}
    T& Value() { return m_Value; }
    const T& Value() const { return m_Value; }

    std::uint32_t Size() const override { return sizeof(Stored); }
    void Write(std::ostream& out) const override { clBinaryIO::Write(out, static_cast<Stored>(m_Value)); }
    void Read(std::istream& in, std::uint32_t length) override
    {
        if (length != sizeof(Stored))
            QkRaiseDataFormat(in, kSrvUtilSrc, 94);
        Stored stored{};
        clBinaryIO::Read(in, stored);
        m_Value = static_cast<T>(stored);
    }
    void CopyFrom(const clDataInterface& other) override { m_Value = SameType<clData>(other).m_Value; }

private:
    T m_Value;
};

// Text: the characters and one zero byte.
template <>
class clData<std::string> : public clDataInterface {
public:
    explicit clData(std::string value = {}) : m_Value(std::move(value)) {}
    std::string& Value() { return m_Value; }
    const std::string& Value() const { return m_Value; }

    std::uint32_t Size() const override;
    void Write(std::ostream& out) const override;
    void Read(std::istream& in, std::uint32_t length) override;
    void CopyFrom(const clDataInterface& other) override { m_Value = SameType<clData>(other).m_Value; }

private:
    std::string m_Value;
};

// A space buffer: its stream form (name, size, start address, bytes). An
// empty buffer is stored with size 0.
template <>
class clData<clQKHugeBuffer> : public clDataInterface {
public:
    clQKHugeBuffer& Value() { return m_Value; }
    const clQKHugeBuffer& Value() const { return m_Value; }

    std::uint32_t Size() const override;
    void Write(std::ostream& out) const override;
    void Read(std::istream& in, std::uint32_t length) override;
    // Copies name, start, bytes, command range, space id and alignment.
    void CopyFrom(const clDataInterface& other) override;

private:
    clQKHugeBuffer m_Value;
};

// The per-entry header of list data, 10 bytes when stored.
struct OPTITEMINFO {
    std::uint16_t textLength = 0; // with the terminating zero
    std::uint32_t itemData = 0;
    std::uint16_t selected = 0;
    std::uint16_t reserved = 0; // written as 0, ignored on reading
};

// The entries of a list box: text, item data, selected flag. Stored entries
// are merged into the list on reading, never substituted for it.
class TListBoxData {
public:
    struct Entry {
        std::string text;
        std::uint32_t itemData = 0;
        bool selected = false;
        bool operator==(const Entry&) const = default;
    };

    TListBoxData() = default;
    TListBoxData(const TListBoxData&) = default;
    TListBoxData& operator=(const TListBoxData&) = default;
    virtual ~TListBoxData() = default;

    const std::vector<Entry>& Entries() const { return m_Entries; }
    void Add(const std::string& text, std::uint32_t itemData, bool selected = false);
    // Merges one stored entry: an entry of the same text is only marked
    // selected when the stored flag says so; a new text is appended.
    void Merge(const Entry& stored);
    virtual void Select(std::size_t index);

protected:
    std::vector<Entry> m_Entries;
};

// A combo box: at most one entry is selected.
class TComboBoxData : public TListBoxData {
public:
    void Select(std::size_t index) override;
};

// List data: entry count (2 bytes), then per entry an OPTITEMINFO and the
// text with its zero byte.
template <class L>
class clListData : public clDataInterface {
public:
    L& Value() { return m_Value; }
    const L& Value() const { return m_Value; }

    std::uint32_t Size() const override;
    void Write(std::ostream& out) const override;
    void Read(std::istream& in, std::uint32_t length) override;
    void CopyFrom(const clDataInterface& other) override { m_Value = SameType<clListData>(other).m_Value; }

private:
    L m_Value;
};

template <>
class clData<TListBoxData> : public clListData<TListBoxData> {};
template <>
class clData<TComboBoxData> : public clListData<TComboBoxData> {};

extern template class clListData<TListBoxData>;
extern template class clListData<TComboBoxData>;
