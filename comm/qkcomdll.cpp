// The communication library's load routine: it records its instance handle
// and opens its error manager with the error-handler library's notifier.
#include "comm/qkcomm.h"
#include "comm/qkcommer.h"
#include "err/errntfy.h"

HINSTANCE GetDLLCommInstance()
{
    static const HINSTANCE instance = QkModuleOf(reinterpret_cast<const void*>(&GetDLLCommInstance));
    return instance;
}

namespace {

struct clCommModule {
    clCommModule() { GetCommErrMngr().OpenErrMngr(GetNotifier(), GetDLLCommInstance()); }
};

const clCommModule g_CommModule;

} // namespace
