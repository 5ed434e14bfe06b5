#include "source/savelist.h"

#include "source/hexdefs.h"

std::vector<clSaveEntry> QkSaveList(std::uint32_t start, std::uint32_t stop)
{
    // 16-bit Intel files carry offsets only; loading puts them in the 64 KB
    // page of the space, so one page is enough. The other limited kinds
    // carry absolute addresses and must reach the stop address itself.
    const bool onePage = (start >> 16) == (stop >> 16);
    const bool segmentReach = stop <= 0xFFFFFu;
    const bool s1Reach = stop <= 0xFFFFu;
    const bool s2Reach = stop <= 0xFFFFFFu;

    std::vector<clSaveEntry> list;
    list.push_back({"QK-JTAG Project (*.qkp)|*.qkp|", ftProject});
    list.push_back({"Binary (*.bin)|*.bin|", ftBinary});
    if (onePage)
        list.push_back({"Intel Hex (*.hex)|*.hex|", ftIntel16});
    if (segmentReach)
        list.push_back({"Intel Extended Hex (*.hex)|*.hex|", ftIntelSegment});
    list.push_back({"Intel Hex 386(*.hex)|*.hex|", ftIntelLinear});
    if (s1Reach)
        list.push_back({"Motorola Hex S1 (*.s1)|*.s1|", ftS1});
    if (s2Reach)
        list.push_back({"Motorola Hex S2 (*.s2)|*.s2|", ftS2});
    list.push_back({"Motorola Hex S3(*.s3)|*.s3|", ftS3});
    return list;
}

std::string QkSaveFilter(const std::vector<clSaveEntry>& entries)
{
    std::string filter;
    for (const clSaveEntry& entry : entries)
        filter += entry.filter;
    return filter;
}
