#include "cpplib/clutil.h"

void clBinaryIO::ReadBytes(std::istream& in, void* dst, std::size_t count)
{
    if (count == 0)
        return;
    in.read(static_cast<char*>(dst), static_cast<std::streamsize>(count));
    if (in.gcount() != static_cast<std::streamsize>(count))
        QkRaise<clXIO>(&in, kClUtilSrc, 81);
}

void clBinaryIO::WriteBytes(std::ostream& out, const void* src, std::size_t count)
{
    if (count == 0)
        return;
    out.write(static_cast<const char*>(src), static_cast<std::streamsize>(count));
    if (!out)
        QkRaise<clXIO>(&out, kClUtilSrc, 92);
}
