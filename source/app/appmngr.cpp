#include "source/app/appmngr.h"

clErrMngr& QkAppErrMngr()
{
    static clErrMngr manager;
    return manager;
}
