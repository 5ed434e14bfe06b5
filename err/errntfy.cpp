#include "err/errntfy.h"

#include "err/uisrv.h"

int clErrNtfy::Notify(const clBasicErr& err)
{
    return QkUi().ShowError(err);
}

clBasicErrNtfy* GetNotifier()
{
    return new clErrNtfy;
}
