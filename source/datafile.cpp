#include "source/datafile.h"

#include <cctype>
#include <fstream>

#include "cpplib/qk51buff.h"
#include "source/hexdefs.h"
#include "source/hexio.h"

int QkDetectFileType(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ftNone;
    char head[5] = {};
    in.read(head, sizeof head);
    if (in.gcount() == 5 && head[0] == 15 && std::string(head + 1, 4) == "RIR-")
        return ftProject;
    in.clear();
    in.seekg(0);
    for (int c = in.get(); c != EOF; c = in.get()) {
        if (std::isspace(c))
            continue;
        if (c == ':')
            return ftIntelAny;
        if (c == 'S')
            return ftMotorolaAny;
        break;
    }
    return ftBinary;
}

int QkLoadDataFile(clQKHugeBuffer& buffer, const std::string& path, int fileType, std::uint32_t start,
                   std::uint32_t stop)
{
    if (fileType == ftBinary)
        return buffer.LoadBinRange(path.c_str(), clAdrs(start), clAdrs(stop));
    clHexLoader loader(nullptr, 0);
    if (loader.OpenFile(path.c_str(), QkReadFormatKind(fileType, start), HEX_READ) == 0)
        return 0;
    const int loaded = loader.Load(buffer, start, stop);
    loader.CloseFile();
    return loaded;
}
