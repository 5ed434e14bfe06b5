#include "source/dump/dumpopts.h"

clDumpOptions::clDumpOptions(TBscOptGrp& group) : m_Group(group), m_iSpace(group.GetGroupId()) {}

void clDumpOptions::SetGeometry(std::uint16_t x, std::uint16_t y, std::uint16_t w, std::uint16_t h)
{
    Set(spcDumpX, x);
    Set(spcDumpY, y);
    Set(spcDumpW, w);
    Set(spcDumpH, h);
}
