// The ledger in one SQLite file. Write-ahead log and a full sync on every
// commit: once a reservation is committed it survives a killed process and
// a power cut, and a transaction cut off before its commit leaves no trace.
#include <sqlite3.h>

#include "cpplib/qkpath.h"
#include "source/production/ledgerdb.h"

namespace {

class clSqliteDb : public clLedgerDb {
public:
    explicit clSqliteDb(std::string path) : m_sPath(std::move(path)) {}
    ~clSqliteDb() override
    {
        if (m_pDb != nullptr)
            sqlite3_close(m_pDb);
    }

    void Open()
    {
        std::error_code ec;
        const auto status = std::filesystem::status(QkPath(m_sPath), ec);
        if (std::filesystem::is_directory(status))
            throw clLedgerError("the ledger " + m_sPath + " is a directory");
        if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
            throw clLedgerError("the ledger " + m_sPath + " is not a regular file");
        if (sqlite3_open_v2(m_sPath.c_str(), &m_pDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK)
            throw clLedgerError("cannot open the ledger " + m_sPath + ": " + Message());
        // Another station's transaction is waited for, not failed.
        sqlite3_busy_timeout(m_pDb, 60000);
        // Reading the schema tells a database from a file of another kind
        // before anything is written.
        Run("SELECT count(*) FROM sqlite_master");
        if (Run("PRAGMA quick_check").at(0).at(0) != "ok")
            throw clLedgerError("the ledger " + m_sPath + " is damaged (the database's own check fails)");
        Run("PRAGMA synchronous=FULL");
    }

    // The log mode is kept in the file: set once, when the ledger is made.
    void UseWriteAheadLog() { Run("PRAGMA journal_mode=WAL"); }

    std::vector<clLedgerRow> Run(const std::string& sql, const std::vector<std::string>& params) override
    {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_pDb, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            throw Failure();
        for (std::size_t i = 0; i < params.size(); ++i)
            sqlite3_bind_text(statement, static_cast<int>(i + 1), params[i].c_str(), -1, SQLITE_TRANSIENT);
        std::vector<clLedgerRow> rows;
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
            clLedgerRow row;
            for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
                row.emplace_back(text != nullptr ? text : "");
            }
            rows.push_back(std::move(row));
        }
        sqlite3_finalize(statement);
        if (step != SQLITE_DONE)
            throw Failure();
        return rows;
    }
    std::vector<clLedgerRow> Run(const std::string& sql) { return Run(sql, {}); }

    // IMMEDIATE takes the write lock at once: two stations never read the
    // same last number and both take the next.
    void BeginExclusive() override { Run("BEGIN IMMEDIATE"); }
    void Commit() override { Run("COMMIT"); }
    void Rollback() override
    {
        if (sqlite3_get_autocommit(m_pDb) == 0)
            sqlite3_exec(m_pDb, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    std::vector<std::string> Tables() override
    {
        std::vector<std::string> names;
        for (const clLedgerRow& row : Run("SELECT name FROM sqlite_master WHERE type = 'table'"))
            names.push_back(row.at(0));
        return names;
    }
    std::string Where() const override { return m_sPath; }

private:
    std::string Message() const { return m_pDb != nullptr ? sqlite3_errmsg(m_pDb) : "out of memory"; }
    clLedgerError Failure() const
    {
        const int code = sqlite3_errcode(m_pDb);
        if (code == SQLITE_NOTADB)
            return clLedgerError("the ledger " + m_sPath +
                                 " is not a ledger (not an SQLite database); it was not changed");
        if (code == SQLITE_CORRUPT)
            return clLedgerError("the ledger " + m_sPath + " is damaged: " + Message());
        return clLedgerError("the ledger " + m_sPath + ": " + Message());
    }

    std::string m_sPath;
    sqlite3* m_pDb = nullptr;
};

} // namespace

std::unique_ptr<clLedgerDb> QkOpenSqliteLedger(const std::string& path)
{
    std::error_code ec;
    const bool isNew = !std::filesystem::exists(QkPath(path), ec) || std::filesystem::file_size(QkPath(path), ec) == 0;
    auto db = std::make_unique<clSqliteDb>(path);
    db->Open();
    if (isNew)
        db->UseWriteAheadLog();
    return db;
}
