#include "source/appmngr.h"

clErrMngr& QkAppErrMngr()
{
    static clErrMngr manager;
    return manager;
}
