// The OSD view: a range view of the OSD space.
#pragma once

#include "source/app/spcrange.h"

class clSpcOsdDlg : public clSpcRangeDlg {
public:
    clSpcOsdDlg(clSpcOwner& owner, int space, clQKHugeBuffer* buffer);
    int GetKind() const override { return vwOsd; }
    const char* GetHelpContext() const override { return "osd"; }
};
