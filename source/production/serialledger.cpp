#include "source/production/serialledger.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>

#include "cpplib/qkpath.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

constexpr const char kFormat[] = "QK-JTAG serial ledger";
constexpr const char kVersion[] = "1";

// The same tables on SQLite and PostgreSQL. A value's bytes are unique in
// the whole ledger: whatever pool or station draws it, it is given once.
const char* const kSchema[] = {
    "CREATE TABLE qk_ledger (name TEXT PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE qk_serials ("
    " pool TEXT NOT NULL, seq BIGINT NOT NULL, value TEXT NOT NULL UNIQUE, shown TEXT NOT NULL,"
    " state TEXT NOT NULL CHECK (state IN ('reserved', 'verified', 'programmed', 'failed', 'retired')),"
    " reason TEXT NOT NULL, station TEXT NOT NULL, port TEXT NOT NULL, project TEXT NOT NULL,"
    " image_checksum TEXT NOT NULL, reserved_at TEXT NOT NULL, updated_at TEXT NOT NULL,"
    " PRIMARY KEY (pool, seq))",
    "CREATE INDEX qk_serials_state ON qk_serials (state, station, port)",
};

constexpr const char kColumns[] = "pool, seq, value, shown, state, reason, station, port, project, image_checksum, "
                                  "reserved_at, updated_at";

clLedgerEntry FromRow(const clLedgerRow& row)
{
    clLedgerEntry e;
    e.pool = row.at(0);
    e.seq = std::strtoll(row.at(1).c_str(), nullptr, 10);
    e.value = row.at(2);
    e.shown = row.at(3);
    e.state = row.at(4);
    e.reason = row.at(5);
    e.station = row.at(6);
    e.port = row.at(7);
    e.project = row.at(8);
    e.imageChecksum = row.at(9);
    e.reservedAt = row.at(10);
    e.updatedAt = row.at(11);
    return e;
}

// Runs work in an exclusive transaction: committed when it returns, rolled
// back when it throws.
template <class F>
auto Exclusive(clLedgerDb& db, F&& work)
{
    db.BeginExclusive();
    try {
        auto result = work();
        db.Commit();
        return result;
    } catch (...) {
        db.Rollback();
        throw;
    }
}

std::string Range(std::int64_t from, std::int64_t to)
{
    return from == to ? std::to_string(from) : std::to_string(from) + ".." + std::to_string(to);
}

} // namespace

std::string QkUtcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &now);
#else
    gmtime_r(&now, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string QkStationName()
{
#ifdef _WIN32
    const char* name = std::getenv("COMPUTERNAME");
    return name != nullptr ? name : "station";
#else
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 && name[0] != '\0' ? name : "station";
#endif
}

clSerialLedger::clSerialLedger(const std::string& where, bool create)
{
    std::error_code ec;
    if (!create && !QkIsLedgerUri(where) && !std::filesystem::exists(QkPath(where), ec))
        throw clLedgerError("there is no ledger " + where);
    m_pDb = QkOpenLedgerDb(where);
    CheckOrCreateSchema(create);
}

void clSerialLedger::CheckOrCreateSchema(bool create)
{
    const auto has = [](const std::vector<std::string>& tables, const char* name) {
        for (const std::string& t : tables)
            if (t == name)
                return true;
        return false;
    };
    const std::string where = m_pDb->Where();
    Exclusive(*m_pDb, [&] {
        const std::vector<std::string> tables = m_pDb->Tables();
        if (!has(tables, "qk_ledger")) {
            // A file of another program is left as it is; on a server the
            // database may hold other tables beside ours.
            if (has(tables, "qk_serials") || (!QkIsLedgerUri(where) && !tables.empty()))
                throw clLedgerError("the ledger " + where + " is a database of another program; it was not changed");
            if (!create)
                throw clLedgerError("there is no ledger in " + where);
            for (const char* statement : kSchema)
                m_pDb->Run(statement);
            m_pDb->Run("INSERT INTO qk_ledger (name, value) VALUES ('format', ?), ('version', ?)", {kFormat, kVersion});
            return 0;
        }
        const auto format = m_pDb->Run("SELECT value FROM qk_ledger WHERE name = 'format'");
        const auto version = m_pDb->Run("SELECT value FROM qk_ledger WHERE name = 'version'");
        if (format.empty() || format[0].at(0) != kFormat || !has(tables, "qk_serials"))
            throw clLedgerError("the ledger " + where + " is a database of another program; it was not changed");
        if (version.empty() || version[0].at(0) != kVersion)
            throw clLedgerError("the ledger " + where +
                                " was made by another version of this software (ledger version " +
                                (version.empty() ? std::string("?") : version[0].at(0)) + "); it was not changed");
        return 0;
    });
}

std::int64_t clSerialLedger::NextSeq(const std::string& pool)
{
    const auto last = m_pDb->Run("SELECT MAX(seq) FROM qk_serials WHERE pool = ?", {pool});
    return last.empty() || last[0].at(0).empty() ? 0 : std::strtoll(last[0][0].c_str(), nullptr, 10) + 1;
}

std::vector<clLedgerEntry> clSerialLedger::Select(const std::string& where, const std::vector<std::string>& params)
{
    std::vector<clLedgerEntry> entries;
    for (const clLedgerRow& row : m_pDb->Run(std::string("SELECT ") + kColumns + " FROM qk_serials " + where, params))
        entries.push_back(FromRow(row));
    return entries;
}

std::vector<clLedgerEntry> clSerialLedger::TakeStale(const std::string& station, const std::string& port,
                                                     const std::string& pool, const clLedgerPolicy& policy)
{
    return Exclusive(*m_pDb, [&] {
        auto stale =
            Select("WHERE state = 'reserved' AND station = ? AND port = ? ORDER BY pool, seq", {station, port});
        for (const clLedgerEntry& e : stale)
            if (!(policy.reuseStale && e.pool == pool))
                m_pDb->Run(
                    "UPDATE qk_serials SET state = 'retired', reason = ?, updated_at = ? WHERE pool = ? AND "
                    "seq = ?",
                    {"reserved at " + e.reservedAt + ", never completed", QkUtcNow(), e.pool, std::to_string(e.seq)});
        return stale;
    });
}

clLedgerEntry clSerialLedger::Reserve(clSerialSource& source, const std::string& station, const std::string& port,
                                      const std::string& project, const clLedgerPolicy& policy)
{
    const std::string pool = source.Pool();
    return Exclusive(*m_pDb, [&]() -> clLedgerEntry {
        const std::string now = QkUtcNow();
        // The first value matching where, reserved again for this cycle: it
        // keeps its place in its pool.
        const auto takeAgain = [&](const std::string& where,
                                   const std::vector<std::string>& params) -> std::optional<clLedgerEntry> {
            auto found = Select(where + " ORDER BY seq LIMIT 1", params);
            if (found.empty())
                return std::nullopt;
            clLedgerEntry e = found[0];
            m_pDb->Run("UPDATE qk_serials SET state = 'reserved', reason = '', station = ?, port = ?, project = ?, "
                       "image_checksum = '', reserved_at = ?, updated_at = ? WHERE pool = ? AND seq = ?",
                       {station, port, project, now, now, e.pool, std::to_string(e.seq)});
            e.state = kLedgerReserved;
            e.reason.clear();
            e.imageChecksum.clear();
            e.station = station;
            e.port = port;
            e.project = project;
            e.reservedAt = e.updatedAt = now;
            return e;
        };
        if (policy.reuseStale)
            if (auto e = takeAgain("WHERE pool = ? AND state = 'reserved' AND station = ? AND port = ?",
                                   {pool, station, port}))
                return *e;
        if (policy.reuseFailed)
            if (auto e = takeAgain("WHERE pool = ? AND state IN ('failed', 'programmed')", {pool}))
                return *e;
        const auto last = m_pDb->Run("SELECT MAX(seq) FROM qk_serials WHERE pool = ?", {pool});
        const std::int64_t seq =
            last.empty() || last[0].at(0).empty() ? 0 : std::strtoll(last[0][0].c_str(), nullptr, 10) + 1;
        clSerialValue value;
        std::string error;
        if (!source.ValueAt(seq, value, error))
            throw clLedgerError("no serial value for the device: " + error);
        clLedgerEntry e;
        e.pool = pool;
        e.seq = seq;
        e.value = QkSerialHex(value.bytes);
        e.shown = value.shown;
        e.state = kLedgerReserved;
        e.station = station;
        e.port = port;
        e.project = project;
        e.reservedAt = e.updatedAt = now;
        const auto before = Select("WHERE value = ?", {e.value});
        if (!before.empty())
            throw clLedgerError("the serial value " + e.shown + " (" + e.value + ") was issued before (" +
                                before[0].pool + ", place " + std::to_string(before[0].seq) + ", " + before[0].state +
                                "); it is not given twice");
        m_pDb->Run(std::string("INSERT INTO qk_serials (") + kColumns +
                       ") VALUES (?, ?, ?, ?, ?, '', ?, ?, ?, '', ?, ?)",
                   {e.pool, std::to_string(e.seq), e.value, e.shown, e.state, e.station, e.port, e.project,
                    e.reservedAt, e.updatedAt});
        return e;
    });
}

std::string clSerialLedger::Peek(clSerialSource& source)
{
    if (!source.Previewable())
        return {};
    clSerialValue value;
    std::string error;
    return source.ValueAt(NextSeq(source.Pool()), value, error) ? value.shown : std::string();
}

void clSerialLedger::Complete(const clLedgerEntry& entry, const std::string& state, const std::string& reason,
                              const std::string& imageChecksum)
{
    Exclusive(*m_pDb, [&] {
        m_pDb->Run("UPDATE qk_serials SET state = ?, reason = ?, image_checksum = ?, updated_at = ? WHERE pool = ? AND "
                   "seq = ? AND state = 'reserved'",
                   {state, reason, imageChecksum, QkUtcNow(), entry.pool, std::to_string(entry.seq)});
        return 0;
    });
}

std::vector<clLedgerEntry> clSerialLedger::Entries()
{
    return Select("ORDER BY pool, seq", {});
}

clLedgerSummary clSerialLedger::Summary()
{
    clLedgerSummary summary;
    for (const char* state : {kLedgerVerified, kLedgerProgrammed, kLedgerFailed, kLedgerRetired, kLedgerReserved})
        summary.states[state] = 0;
    for (const clLedgerEntry& e : Entries()) {
        ++summary.issued;
        ++summary.states[e.state];
        if (summary.pools.empty() || summary.pools.back().pool != e.pool) {
            summary.pools.emplace_back();
            summary.pools.back().pool = e.pool;
            summary.pools.back().firstSeq = summary.pools.back().lastSeq = -1;
        }
        clLedgerSummary::clPool& pool = summary.pools.back();
        // Places are drawn in order from 0: a place missing below the last
        // one drawn is a value the ledger lost.
        const std::int64_t expected = pool.lastSeq + 1;
        if (e.seq > expected)
            pool.gaps.push_back(Range(expected, e.seq - 1));
        if (pool.values == 0)
            pool.firstSeq = e.seq;
        ++pool.values;
        pool.lastSeq = e.seq;
        pool.lastShown = e.shown;
    }
    return summary;
}
