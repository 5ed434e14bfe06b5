#include "source/app/srvccomm.h"

clQkSrvcComm::clQkSrvcComm(int argc, const char* const* argv, clDataBase& db) : clQKComm(argc, argv, db) {}

clQkSrvcComm::~clQkSrvcComm()
{
    // The gauge goes with the window; nothing may report to it any more.
    m_pGauge = nullptr;
}

int clQkSrvcComm::CommProgress(unsigned char percent, const clAdrs&, const char* text) const
{
    if (m_pGauge != nullptr)
        m_pGauge->Progress(percent, text);
    if (m_ucAbort != 0) {
        m_ucAbort = 0;
        return 0;
    }
    return 1;
}
