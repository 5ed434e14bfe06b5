// Fuzzes the hex reader: any file text, Intel or Motorola, into a space at a
// random place, with "Ignore" or "Abort" answered to every warning. The load
// must end, and store nothing outside the space.
//
// Input: byte 0 picks the format kind, byte 1 the answer, bytes 2..5 the
// space start (little-endian), bytes 6..7 its size; the rest is the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "cpplib/qk51buff.h"
#include "source/base/appmngr.h"
#include "source/files/hexio.h"

namespace {
class clAnswer : public clBasicErrNtfy {
public:
    explicit clAnswer(int answer) : m_iAnswer(answer) {}
    int Notify(const clBasicErr&) override { return m_iAnswer; }

private:
    int m_iAnswer;
};

const std::string& ScratchFile()
{
    static const std::string path = [] {
        char name[] = "/tmp/qkfuzz-hex-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0)
            close(fd);
        return std::string(name);
    }();
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 8)
        return 0;
    const int kind = HEXFMT_S1 + data[0] % 8;
    const int answer = (data[1] & 1) ? erIdAbort : erIdIgnore;
    const std::uint32_t start = data[2] | data[3] << 8 | data[4] << 16 | static_cast<std::uint32_t>(data[5]) << 24;
    const std::uint32_t spaceSize = 1u + (data[6] | data[7] << 8);

    std::FILE* file = std::fopen(ScratchFile().c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data + 8, 1, size - 8, file);
    std::fclose(file);

    clQKHugeBuffer space("fuzz");
    space.SetFill(1, 0xA5);
    if (space.SetParams(spaceSize, clAdrs(start)) == 0)
        return 0;
    QkAppErrMngr().OpenErrMngr(new clAnswer(answer), nullptr);
    clHexLoader loader(nullptr, 0);
    if (loader.OpenFile(ScratchFile().c_str(), kind, HEX_READ) == 1) {
        loader.Load(space, start, start + (spaceSize - 1));
        loader.CloseFile();
    }
    QkAppErrMngr().CloseErrMngr();
    if (space.GetSize() != spaceSize || space.GetStartAdrs().GetLinear() != start)
        std::abort();
    return 0;
}
