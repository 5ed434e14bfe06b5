#include "source/app/spcosd.h"

#include "source/project/qkopts.h"

clSpcOsdDlg::clSpcOsdDlg(clSpcOwner& owner, int space, clQKHugeBuffer* buffer)
    : clSpcRangeDlg(owner, space, buffer, idOsdStart, idOsdStop, kOptOsdStart, kOptOsdStop)
{}
