// qkcli ledger show / export: the accounting of the serial values a ledger
// gave out, and every value as CSV.
#include <cstdio>
#include <string>

#include "source/production/serialledger.h"
#include "tools/qkcli/cliargs.h"
#include "tools/qkcli/clijson.h"
#include "tools/qkcli/commands.h"

namespace {

// A CSV field: quoted when it holds a comma, a quote or a line end.
std::string Csv(const std::string& field)
{
    if (field.find_first_of(",\"\r\n") == std::string::npos)
        return field;
    std::string quoted = "\"";
    for (const char c : field)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

int Show(clSerialLedger& ledger, bool json)
{
    const clLedgerSummary summary = ledger.Summary();
    std::int64_t gaps = 0;
    for (const auto& pool : summary.pools)
        gaps += static_cast<std::int64_t>(pool.gaps.size());
    if (json) {
        clJsonObject states;
        for (const auto& [state, count] : summary.states)
            states.Add(state, count);
        clJsonArray pools;
        for (const auto& pool : summary.pools) {
            clJsonArray poolGaps;
            for (const std::string& gap : pool.gaps)
                poolGaps.AddRaw(QkJsonString(gap));
            pools.Add(clJsonObject()
                          .Add("pool", pool.pool)
                          .Add("values", pool.values)
                          .Add("first_place", pool.firstSeq)
                          .Add("last_place", pool.lastSeq)
                          .Add("last_value", pool.lastShown)
                          .AddRaw("gaps", poolGaps.Text()));
        }
        std::printf("%s\n", clJsonObject()
                                .Add("ledger", ledger.Where())
                                .Add("issued", summary.issued)
                                .AddRaw("states", states.Text())
                                .AddRaw("pools", pools.Text())
                                .Text()
                                .c_str());
        return exitOk;
    }
    const auto count = [&](const char* state) { return static_cast<long long>(summary.states.at(state)); };
    std::printf("Ledger:      %s\n", ledger.Where().c_str());
    std::printf("Issued:      %lld\n", static_cast<long long>(summary.issued));
    std::printf("Verified:    %lld\n", count(kLedgerVerified));
    std::printf("Programmed:  %lld  (the verify failed)\n", count(kLedgerProgrammed));
    std::printf("Failed:      %lld\n", count(kLedgerFailed));
    std::printf("Retired:     %lld  (reserved, the cycle never completed)\n", count(kLedgerRetired));
    std::printf("Reserved:    %lld  (a cycle in progress, or cut off and not yet restarted)\n", count(kLedgerReserved));
    std::printf("Gaps:        %s\n", gaps == 0 ? "none" : std::to_string(gaps).c_str());
    for (const auto& pool : summary.pools) {
        std::printf("  %s: %lld values, places %lld..%lld, last %s\n", pool.pool.c_str(),
                    static_cast<long long>(pool.values), static_cast<long long>(pool.firstSeq),
                    static_cast<long long>(pool.lastSeq), pool.lastShown.c_str());
        for (const std::string& gap : pool.gaps)
            std::printf("    gap: places %s never recorded\n", gap.c_str());
    }
    return exitOk;
}

int Export(clSerialLedger& ledger)
{
    std::printf("pool,place,value,bytes,state,reason,station,port,project,image_checksum,reserved_at,updated_at\n");
    for (const clLedgerEntry& e : ledger.Entries()) {
        const std::string fields[] = {
            e.pool,    std::to_string(e.seq), e.shown,      e.value,    e.state, e.reason, e.station, e.port,
            e.project, e.imageChecksum,       e.reservedAt, e.updatedAt};
        std::string line;
        for (const std::string& field : fields)
            line += (line.empty() ? "" : ",") + Csv(field);
        std::printf("%s\n", line.c_str());
    }
    return exitOk;
}

} // namespace

int QkCmdLedger(int argc, char** argv, int first)
{
    const clCliArgs args(argc, argv, first, {}, {"json", "csv"});
    if (!args.IsValid())
        return QkUsageError("ledger", args.GetError());
    const auto& words = args.Positional();
    if (words.size() != 2 || (words[0] != "show" && words[0] != "export"))
        return QkUsageError("ledger", "give show FILE|URI or export FILE|URI --csv");
    if (words[0] == "export" && !args.Has("csv"))
        return QkUsageError("ledger", "export writes --csv");
    try {
        clSerialLedger ledger(words[1], false);
        return words[0] == "show" ? Show(ledger, args.Has("json")) : Export(ledger);
    } catch (const clLedgerError& e) {
        std::fprintf(stderr, "qkcli ledger: %s\n", e.what());
        return exitUsage;
    }
}
