// A build without SQLite's client library.
#include "source/production/ledgerdb.h"

std::unique_ptr<clLedgerDb> QkOpenSqliteLedger(const std::string& path)
{
    throw clLedgerError("the ledger " + path + " cannot be opened: this build has no SQLite");
}
