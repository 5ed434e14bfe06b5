#include "err/qkerr.h"

clErrMngr::~clErrMngr()
{
    CloseErrMngr();
}

void clErrMngr::OpenErrMngr(clBasicErrNtfy* notifier, HINSTANCE instance)
{
    FlushErr();
    if (m_pNotifier != notifier)
        delete m_pNotifier;
    m_pNotifier = notifier;
    m_hInstance = instance;
}

void clErrMngr::CloseErrMngr()
{
    FlushErr();
    delete m_pNotifier;
    m_pNotifier = nullptr;
    m_hInstance = nullptr;
}

int clErrMngr::operator<<(const clBasicErr& err)
{
    FlushErr();
    if (m_pNotifier == nullptr)
        return erIdAbort;
    return m_pNotifier->Notify(err);
}

HINSTANCE GetDLLQkerrInstance()
{
    static const HINSTANCE instance = QkModuleOf(reinterpret_cast<const void*>(&GetDLLQkerrInstance));
    return instance;
}
