// Checked binary transfers of single values, little-endian, whatever the
// host's byte order. A stream that reports failure after a transfer (a short
// read included) raises clXIO.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <type_traits>

#include "cpplib/clexpt.h"
#include "cpplib/qkbytes.h"

inline constexpr const char kClUtilSrc[] = "..\\CPPLIB\\CLUTIL.H";

class clBinaryIO {
public:
    template <class T>
    static void Read(std::istream& in, T& value)
    {
        static_assert(std::is_integral_v<T> || std::is_enum_v<T>);
        unsigned char bytes[sizeof(T)];
        in.read(reinterpret_cast<char*>(bytes), sizeof(T));
        if (in.gcount() != static_cast<std::streamsize>(sizeof(T)))
            QkRaise<clXIO>(&in, kClUtilSrc, 48);
        value = static_cast<T>(QkLoadLE(bytes, sizeof(T)));
    }

    template <class T>
    static void Write(std::ostream& out, T value)
    {
        static_assert(std::is_integral_v<T> || std::is_enum_v<T>);
        unsigned char bytes[sizeof(T)];
        QkStoreLE(bytes, static_cast<std::uint64_t>(value), sizeof(T));
        out.write(reinterpret_cast<const char*>(bytes), sizeof(T));
        if (!out)
            QkRaise<clXIO>(&out, kClUtilSrc, 67);
    }

    // Raw bytes, checked the same way.
    static void ReadBytes(std::istream& in, void* dst, std::size_t count);
    static void WriteBytes(std::ostream& out, const void* src, std::size_t count);
    // The same, a fault raised with the caller's own source reference.
    static void ReadBytes(std::istream& in, void* dst, std::size_t count, const char* file, unsigned short line);
    static void WriteBytes(std::ostream& out, const void* src, std::size_t count, const char* file,
                           unsigned short line);
};
