#include "source/production/ledgerdb.h"

bool QkIsLedgerUri(const std::string& where)
{
    return where.rfind("postgresql://", 0) == 0 || where.rfind("postgres://", 0) == 0;
}

std::unique_ptr<clLedgerDb> QkOpenLedgerDb(const std::string& where)
{
    if (where.empty())
        throw clLedgerError("no ledger was named");
    return QkIsLedgerUri(where) ? QkOpenPostgresLedger(where) : QkOpenSqliteLedger(where);
}
