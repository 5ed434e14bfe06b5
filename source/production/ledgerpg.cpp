// The ledger on a PostgreSQL server, shared by several stations. Every
// exclusive transaction first takes one advisory lock of the ledger's, so
// reservations of all stations follow one another; a transaction cut off by
// a crash is rolled back by the server.
#include <libpq-fe.h>

#include "source/production/ledgerdb.h"

namespace {

// The lock every station's reservation takes ("QKJT" as a number).
constexpr const char* kLedgerLock = "SELECT pg_advisory_xact_lock(1363823188)";

// The URI without its password, for messages.
std::string WithoutPassword(const std::string& uri)
{
    const auto scheme = uri.find("://");
    const auto at = uri.find('@', scheme == std::string::npos ? 0 : scheme + 3);
    const auto colon = scheme == std::string::npos ? std::string::npos : uri.find(':', scheme + 3);
    if (at == std::string::npos || colon == std::string::npos || colon > at)
        return uri;
    return uri.substr(0, colon) + ":***" + uri.substr(at);
}

std::string Trimmed(const char* text)
{
    std::string s = text != nullptr ? text : "";
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

class clPostgresDb : public clLedgerDb {
public:
    explicit clPostgresDb(const std::string& uri) : m_sWhere(WithoutPassword(uri))
    {
        m_pConn = PQconnectdb(uri.c_str());
        if (m_pConn == nullptr || PQstatus(m_pConn) != CONNECTION_OK) {
            const std::string why = Trimmed(PQerrorMessage(m_pConn));
            PQfinish(m_pConn); // the destructor does not run for a throwing constructor
            throw clLedgerError("cannot reach the ledger " + m_sWhere + ": " + why);
        }
        Run("SET client_min_messages = warning", {});
    }
    ~clPostgresDb() override { PQfinish(m_pConn); }

    std::vector<clLedgerRow> Run(const std::string& sql, const std::vector<std::string>& params) override
    {
        // ? becomes $1, $2, ... (the ledger's SQL has no ? inside strings).
        std::string text;
        int n = 0;
        for (const char c : sql)
            text += c == '?' ? "$" + std::to_string(++n) : std::string(1, c);
        std::vector<const char*> values;
        for (const std::string& p : params)
            values.push_back(p.c_str());
        PGresult* result = PQexecParams(m_pConn, text.c_str(), static_cast<int>(values.size()), nullptr, values.data(),
                                        nullptr, nullptr, 0);
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            const std::string message = Trimmed(PQresultErrorMessage(result));
            PQclear(result);
            throw clLedgerError("the ledger " + m_sWhere + ": " + message);
        }
        std::vector<clLedgerRow> rows(static_cast<std::size_t>(PQntuples(result)));
        for (int r = 0; r < PQntuples(result); ++r)
            for (int c = 0; c < PQnfields(result); ++c)
                rows[static_cast<std::size_t>(r)].emplace_back(PQgetvalue(result, r, c));
        PQclear(result);
        return rows;
    }

    void BeginExclusive() override
    {
        Run("BEGIN", {});
        Run(kLedgerLock, {});
    }
    void Commit() override { Run("COMMIT", {}); }
    void Rollback() override
    {
        if (PQtransactionStatus(m_pConn) != PQTRANS_IDLE)
            PQclear(PQexec(m_pConn, "ROLLBACK"));
    }
    std::vector<std::string> Tables() override
    {
        std::vector<std::string> names;
        for (const clLedgerRow& row :
             Run("SELECT table_name FROM information_schema.tables WHERE table_schema = current_schema()", {}))
            names.push_back(row.at(0));
        return names;
    }
    std::string Where() const override { return m_sWhere; }

private:
    std::string m_sWhere;
    PGconn* m_pConn = nullptr;
};

} // namespace

std::unique_ptr<clLedgerDb> QkOpenPostgresLedger(const std::string& uri)
{
    return std::make_unique<clPostgresDb>(uri);
}
