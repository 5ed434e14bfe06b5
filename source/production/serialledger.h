// The serial-number ledger: every value a device is given is reserved in
// one committed transaction before it is used, then marked with how its
// cycle ended. A value is in the ledger once, so it never reaches two
// devices, and every value drawn is accounted for: verified, programmed but
// not verified, failed, retired (its cycle never completed) or still
// reserved (a cycle in progress).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "source/production/ledgerdb.h"
#include "source/production/serialsrc.h"

// The states of a value.
inline constexpr const char kLedgerReserved[] = "reserved";
inline constexpr const char kLedgerVerified[] = "verified";
inline constexpr const char kLedgerProgrammed[] = "programmed"; // programmed, the verify failed
inline constexpr const char kLedgerFailed[] = "failed";
inline constexpr const char kLedgerRetired[] = "retired"; // reserved, never completed

struct clLedgerEntry {
    std::string pool;
    std::int64_t seq = -1; // the value's place in its source
    std::string value;     // the bytes, hex
    std::string shown;     // as a person reads it
    std::string state;
    std::string reason;
    std::string station, port, project, imageChecksum;
    std::string reservedAt, updatedAt; // UTC, ISO 8601
};

// What happens to values whose cycle did not end well. Retiring is the
// default: a value that may be in a device is never given to another.
struct clLedgerPolicy {
    bool reuseStale = false;  // a reservation this station and port never completed
    bool reuseFailed = false; // the value of a board that failed
};

struct clLedgerSummary {
    std::map<std::string, std::int64_t> states; // state -> values
    std::int64_t issued = 0;
    struct clPool {
        std::string pool;
        std::int64_t values = 0, firstSeq = 0, lastSeq = 0;
        std::string lastShown;
        std::vector<std::string> gaps; // "12" or "15..19": places never drawn
    };
    std::vector<clPool> pools;
};

class clSerialLedger {
public:
    // Opens the ledger at where (a file or a postgresql:// URI), making it
    // when missing and create is set. Throws clLedgerError, writing nothing,
    // when it is damaged, belongs to another program, or is missing.
    explicit clSerialLedger(const std::string& where, bool create = true);
    std::string Where() const { return m_pDb->Where(); }

    // The reservations this station left on port and never completed (the
    // process was killed, the power failed): retired, or with reuseStale
    // kept for the next Reserve of pool. Returned to be reported.
    std::vector<clLedgerEntry> TakeStale(const std::string& station, const std::string& port, const std::string& pool,
                                         const clLedgerPolicy& policy);
    // Draws the next value of source for a device and commits its
    // reservation. Throws clLedgerError when the source has no value left or
    // gives one the ledger issued before.
    clLedgerEntry Reserve(clSerialSource& source, const std::string& station, const std::string& port,
                          const std::string& project, const clLedgerPolicy& policy);
    // What the next Reserve of source would draw as a new value ("" when
    // the source has none left, or would have to run a command to tell);
    // nothing is reserved.
    std::string Peek(clSerialSource& source);
    // Marks how the value's cycle ended (verified, programmed, failed).
    void Complete(const clLedgerEntry& entry, const std::string& state, const std::string& reason,
                  const std::string& imageChecksum);

    clLedgerSummary Summary();
    std::vector<clLedgerEntry> Entries();

private:
    void CheckOrCreateSchema(bool create);
    // The place after the last one pool drew (0 for a new pool).
    std::int64_t NextSeq(const std::string& pool);
    std::vector<clLedgerEntry> Select(const std::string& where, const std::vector<std::string>& params);
    void Update(const clLedgerEntry& entry, const std::string& state, const std::string& reason,
                const std::string& extraSql = "", const std::vector<std::string>& extra = {});

    std::unique_ptr<clLedgerDb> m_pDb;
};

// The name of this computer, for the ledger's station column.
std::string QkStationName();
// Now, UTC, as "2026-12-09T04:10:00Z".
std::string QkUtcNow();
