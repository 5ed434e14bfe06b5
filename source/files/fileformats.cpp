#include "source/files/fileformats.h"

#include <cctype>

#include "source/files/hexdefs.h"
#include "source/files/hexio.h"

const std::vector<clQkFileFormat>& QkFileFormats()
{
    // 16-bit Intel files carry offsets only, S1 and 20-bit Intel short
    // addresses: data above their reach would load at another address.
    static const std::vector<clQkFileFormat> formats = {
        {ftProject, "", "QK-JTAG Project (*.qkp)|*.qkp|", "", 0xFFFFFFFFu},
        {ftBinary, "bin", "Binary (*.bin)|*.bin|", "bin", 0xFFFFFFFFu},
        {ftIntel16, "intel", "Intel Hex (*.hex)|*.hex|", "", 0xFFFFu},
        {ftIntelSegment, "intel-seg", "Intel Extended Hex (*.hex)|*.hex|", "", 0xFFFFFu},
        {ftIntelLinear, "intel386", "Intel Hex 386(*.hex)|*.hex|", "hex", 0xFFFFFFFFu},
        {ftS1, "s1", "Motorola Hex S1 (*.s1)|*.s1|", "s19;s1", 0xFFFFu},
        {ftS2, "s2", "Motorola Hex S2 (*.s2)|*.s2|", "s28;s2", 0xFFFFFFu},
        {ftS3, "s3", "Motorola Hex S3(*.s3)|*.s3|", "s37;s3", 0xFFFFFFFFu},
    };
    return formats;
}

const clQkFileFormat* QkFormatByName(const std::string& name)
{
    for (const clQkFileFormat& f : QkFileFormats())
        if (!name.empty() && name == f.name)
            return &f;
    return nullptr;
}

const clQkFileFormat* QkFormatByType(int fileType)
{
    for (const clQkFileFormat& f : QkFileFormats())
        if (f.fileType == fileType)
            return &f;
    return nullptr;
}

const clQkFileFormat* QkFormatByExtension(const std::string& path)
{
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return nullptr;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const clQkFileFormat& f : QkFileFormats())
        if (!ext.empty() && (";" + std::string(f.byExtension) + ";").find(";" + ext + ";") != std::string::npos)
            return &f;
    return nullptr;
}

std::vector<clSaveEntry> QkSaveList(std::uint32_t stop)
{
    std::vector<clSaveEntry> list;
    for (const clQkFileFormat& f : QkFileFormats())
        if (stop <= f.highest)
            list.push_back({f.filter, f.fileType});
    return list;
}

std::string QkSaveFilter(const std::vector<clSaveEntry>& entries)
{
    std::string filter;
    for (const clSaveEntry& entry : entries)
        filter += entry.filter;
    return filter;
}

bool QkSaveRange(const clHugeBuffer<unsigned char>& buffer, std::uint32_t first, std::uint32_t last,
                 const std::string& path, int fileType, clProgressSink* progress, unsigned long prcssId)
{
    if (fileType == ftBinary)
        return buffer.SaveBinRange(path.c_str(), clAdrs(first), clAdrs(last)) != 0;
    if (QkWriteFormatKind(fileType) == 0)
        return false;
    clHexLoader writer(progress, prcssId);
    if (writer.OpenFile(path.c_str(), QkWriteFormatKind(fileType), HEX_WRITE) == 0)
        return false;
    const int saved = writer.Save(buffer, first, last);
    return writer.CloseFile() != 0 && saved != 0;
}
