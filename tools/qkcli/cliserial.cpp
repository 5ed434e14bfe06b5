#include "tools/qkcli/cliserial.h"

#include <cstdio>

#include "source/production/serialcycle.h"

namespace {

// The settings the serial options give; false with the reason.
bool SettingsOf(const clCliArgs& args, clSerialSettings& settings, std::string& error)
{
    settings.source = args.Value("serial");
    settings.ledger = args.Value("ledger");
    std::uint32_t width = 0;
    if (!args.Has("serial-at") || !QkParseNumber(args.Value("serial-at"), settings.address)) {
        error = "--serial needs --serial-at ADDR (0x-hex or decimal)";
        return false;
    }
    if (!args.Has("serial-width") || !QkParseNumber(args.Value("serial-width"), width) || width < 1 || width > 8) {
        error = "--serial needs --serial-width N, 1 to 8 (bytes)";
        return false;
    }
    settings.layout.width = static_cast<int>(width);
    if (!QkSerialFormatByName(args.Value("serial-format", "bin"), settings.layout.format)) {
        error = "--serial-format is bin, bcd, text or hex";
        return false;
    }
    const std::string endian = args.Value("serial-endian", "little");
    if (endian != "little" && endian != "big") {
        error = "--serial-endian is little or big";
        return false;
    }
    settings.layout.bigEndian = endian == "big";
    for (const char* policy : {"serial-stale", "serial-failed"}) {
        const std::string given = args.Value(policy, "retire");
        if (given != "retire" && given != "reuse") {
            error = std::string("--") + policy + " is retire or reuse";
            return false;
        }
    }
    settings.policy.reuseStale = args.Value("serial-stale") == "reuse";
    settings.policy.reuseFailed = args.Value("serial-failed") == "reuse";
    return true;
}

// Whether the cycle failed in the verify that follows the program order:
// a mismatch record names the device's and the image's value, and the
// final verify has its own message ("Final verify operation has failed.").
bool VerifyFailed(const clCliMessage& error)
{
    return error.bufferValue.has_value() || error.number == 19;
}

} // namespace

std::string clCliSerial::CheckUsage(const clCliArgs& args)
{
    if (!Asked(args)) {
        for (const char* option : kQkSerialValueOptions)
            if (args.Has(option))
                return std::string("--") + option + " needs --serial";
        return {};
    }
    if (!args.Has("ledger"))
        return "--serial needs --ledger FILE|URI: every value is recorded before it is used";
    if (!args.Has("port"))
        return "--serial needs --port: the ledger records the port of every device";
    clSerialSettings settings;
    std::string error;
    return SettingsOf(args, settings, error) ? std::string() : error;
}

clCliSerial::clCliSerial(const clCliArgs& args) : m_Args(args), m_pCycle(std::make_unique<clSerialCycle>()) {}
clCliSerial::~clCliSerial() = default;

std::string clCliSerial::Prepare(std::uint32_t start, std::uint32_t stop, const std::string& port,
                                 const std::string& project, bool quiet)
{
    clSerialSettings settings;
    std::string error;
    if (!SettingsOf(m_Args, settings, error))
        return error;
    std::vector<clLedgerEntry> stale;
    if (std::string problem = m_pCycle->Prepare(settings, start, stop, port, project, stale); !problem.empty())
        return problem;
    if (!quiet)
        for (const clLedgerEntry& e : stale)
            std::fprintf(stderr,
                         "qkcli program: serial %s (%s, reserved %s on %s) was never completed: the run was cut off; "
                         "%s\n",
                         e.shown.c_str(), e.pool.c_str(), e.reservedAt.c_str(), e.port.c_str(),
                         settings.policy.reuseStale ? "it goes to the next device" : "retired");
    return {};
}

void clCliSerial::Patch(clQKHugeBufIntr& buffer, clCliRun& run)
{
    const clLedgerEntry& drawn = m_pCycle->Patch(buffer);
    run.imageChecksum = buffer.Sum(buffer.GetCmdStartAdrs(), buffer.GetCmdStopAdrs());
    run.serial = clCliSerialNote{drawn.shown, drawn.value, drawn.seq, drawn.state};
}

std::string clCliSerial::Complete(clCliRun& run)
{
    if (!run.serial)
        return {};
    const bool ok = run.outcome == clCliOutcome::ok;
    std::string reason;
    if (!ok) {
        reason = std::string(run.ResultText()) + (run.error ? ": " + run.error->text : std::string());
        if (run.error && run.error->address) {
            char at[24];
            std::snprintf(at, sizeof at, " at 0x%X", *run.error->address);
            reason += at;
        }
    }
    const std::string state = QkSerialState(ok, !ok && run.error && VerifyFailed(*run.error));
    const std::string problem = m_pCycle->Complete(state, reason, run.imageChecksum.value_or(0));
    if (problem.empty())
        run.serial->ledgerState = state;
    return problem;
}
