#include "source/base/appmngr.h"

clErrMngr& QkAppErrMngr()
{
    static clErrMngr manager;
    return manager;
}
