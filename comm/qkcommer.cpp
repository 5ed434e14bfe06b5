#include "comm/qkcommer.h"

clErrMngr& GetCommErrMngr()
{
    static clErrMngr manager;
    return manager;
}
