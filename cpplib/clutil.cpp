#include "cpplib/clutil.h"

void clBinaryIO::ReadBytes(std::istream& in, void* dst, std::size_t count)
{
    ReadBytes(in, dst, count, kClUtilSrc, 81);
}

void clBinaryIO::WriteBytes(std::ostream& out, const void* src, std::size_t count)
{
    WriteBytes(out, src, count, kClUtilSrc, 92);
}

void clBinaryIO::ReadBytes(std::istream& in, void* dst, std::size_t count, const char* file, unsigned short line)
{
    if (count == 0)
        return;
    in.read(static_cast<char*>(dst), static_cast<std::streamsize>(count));
    if (in.gcount() != static_cast<std::streamsize>(count))
        QkRaise<clXIO>(&in, file, line);
}

void clBinaryIO::WriteBytes(std::ostream& out, const void* src, std::size_t count, const char* file,
                            unsigned short line)
{
    if (count == 0)
        return;
    out.write(static_cast<const char*>(src), static_cast<std::streamsize>(count));
    if (!out)
        QkRaise<clXIO>(&out, file, line);
}
