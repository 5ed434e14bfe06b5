#include "source/app/spcdlg.h"

std::vector<clTabSetup> QkDeviceTabs(const clDataBase& db, unsigned short chipId)
{
    const clDBChip chip = db.GetChip(chipId);
    std::vector<clTabSetup> tabs;
    bool seen[kSpaceCount + 1] = {};
    for (int i = 0; i < chip.GetBufCount(); ++i) {
        const clDBBuf desc = db.GetBuf(chip.GetBufNo(i));
        const int space = desc.GetSpace();
        if (space < 1 || space > kSpaceCount || seen[space])
            continue;
        seen[space] = true;
        int kind = desc.GetDlgHndlId();
        if (space == 2)
            kind = vwScrty;
        else if (kind != vwCnfg && kind != vwOsd)
            kind = vwData;
        tabs.push_back({space, kind, space == 2 ? "Security" : desc.GetName()});
    }
    if (!seen[2] && QkLockBitCount(chip.GetScrtyBits()) > 0)
        tabs.push_back({2, vwScrty, "Security"});
    if (tabs.size() > 1)
        tabs.push_back({0, vwAll, "All"});
    return tabs;
}
