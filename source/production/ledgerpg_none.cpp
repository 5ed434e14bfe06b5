// A build without PostgreSQL's client library.
#include "source/production/ledgerdb.h"

std::unique_ptr<clLedgerDb> QkOpenPostgresLedger(const std::string& /*uri*/)
{
    throw clLedgerError("a PostgreSQL ledger cannot be reached: this build has no PostgreSQL client");
}
