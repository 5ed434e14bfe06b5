// The database under the serial-number ledger: an SQLite file on one
// station, or a PostgreSQL server that several stations share. Both take the
// same SQL (with ? for parameters) and give rows of text.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// What went wrong with the ledger, in words for the user.
class clLedgerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using clLedgerRow = std::vector<std::string>;

class clLedgerDb {
public:
    virtual ~clLedgerDb() = default;
    // Runs one statement with its ? placeholders bound to params; the rows
    // it returns, every column as text. Throws clLedgerError.
    virtual std::vector<clLedgerRow> Run(const std::string& sql, const std::vector<std::string>& params = {}) = 0;
    // A transaction that no other process on the ledger interleaves with:
    // it waits until the others have finished theirs.
    virtual void BeginExclusive() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    // The names of the tables the database holds.
    virtual std::vector<std::string> Tables() = 0;
    // The ledger as the user named it, without a password.
    virtual std::string Where() const = 0;
};

// Whether where names a PostgreSQL server ("postgresql://..." or
// "postgres://...") rather than a file.
bool QkIsLedgerUri(const std::string& where);

// Opens the ledger at where: an SQLite file (created when missing) or a
// PostgreSQL URI. Throws clLedgerError when it cannot be opened, or is not a
// database at all; nothing is written then.
std::unique_ptr<clLedgerDb> QkOpenLedgerDb(const std::string& where);
std::unique_ptr<clLedgerDb> QkOpenSqliteLedger(const std::string& path);
std::unique_ptr<clLedgerDb> QkOpenPostgresLedger(const std::string& uri);
