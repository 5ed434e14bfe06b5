#include "tools/qkcli/cliserial.h"

#include <cstdio>

#include "source/production/serialledger.h"
#include "source/production/serialsrc.h"

const char* const kQkSerialValueOptions[kQkSerialOptionCount] = {
    "serial", "serial-at", "serial-width", "serial-format", "serial-endian", "serial-stale", "serial-failed", "ledger"};

namespace {

bool ParseLayout(const clCliArgs& args, clSerialLayout& layout, std::string& error)
{
    std::uint32_t width = 0;
    if (!QkParseNumber(args.Value("serial-width"), width) || width < 1 || width > 8) {
        error = "--serial-width takes 1 to 8 (bytes)";
        return false;
    }
    layout.width = static_cast<int>(width);
    const std::string format = args.Value("serial-format", "bin");
    if (format == "bin")
        layout.format = clSerialFormat::bin;
    else if (format == "bcd")
        layout.format = clSerialFormat::bcd;
    else if (format == "text")
        layout.format = clSerialFormat::text;
    else if (format == "hex")
        layout.format = clSerialFormat::hex;
    else {
        error = "--serial-format is bin, bcd, text or hex";
        return false;
    }
    const std::string endian = args.Value("serial-endian", "little");
    if (endian != "little" && endian != "big") {
        error = "--serial-endian is little or big";
        return false;
    }
    layout.bigEndian = endian == "big";
    return true;
}

clLedgerPolicy Policy(const clCliArgs& args)
{
    clLedgerPolicy policy;
    policy.reuseStale = args.Value("serial-stale", "retire") == "reuse";
    policy.reuseFailed = args.Value("serial-failed", "retire") == "reuse";
    return policy;
}

// Whether the cycle failed in the verify that follows the program order:
// a mismatch record names the device's and the image's value, and the
// final verify has its own message ("Final verify operation has failed.").
bool VerifyFailed(const clCliMessage& error)
{
    return error.bufferValue.has_value() || error.number == 19;
}

std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

} // namespace

struct clCliSerial::clReserved {
    clLedgerEntry entry;
};

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
    std::uint32_t address = 0;
    if (!args.Has("serial-at") || !QkParseNumber(args.Value("serial-at"), address))
        return "--serial needs --serial-at ADDR (0x-hex or decimal)";
    if (!args.Has("serial-width"))
        return "--serial needs --serial-width N (bytes)";
    for (const char* policy : {"serial-stale", "serial-failed"})
        if (args.Has(policy) && args.Value(policy) != "retire" && args.Value(policy) != "reuse")
            return std::string("--") + policy + " is retire or reuse";
    clSerialLayout layout;
    std::string error;
    return ParseLayout(args, layout, error) ? std::string() : error;
}

clCliSerial::clCliSerial(const clCliArgs& args) : m_Args(args) {}
clCliSerial::~clCliSerial() = default;

std::string clCliSerial::Prepare(std::uint32_t start, std::uint32_t stop, const std::string& port,
                                 const std::string& project, bool quiet)
{
    clSerialLayout layout;
    std::string error;
    ParseLayout(m_Args, layout, error); // checked with the usage
    QkParseNumber(m_Args.Value("serial-at"), m_ulAddress);
    m_iWidth = layout.width;
    const std::uint64_t last = std::uint64_t{m_ulAddress} + static_cast<std::uint64_t>(m_iWidth) - 1;
    if (m_ulAddress < start || last > stop)
        return "the serial value at " + Hex(m_ulAddress) + " (" + std::to_string(m_iWidth) +
               " bytes) lies outside the range programmed (" + Hex(start) + ".." + Hex(stop) + ")";
    m_pSource = QkMakeSerialSource(m_Args.Value("serial"), layout, error);
    if (!m_pSource)
        return error;
    m_sPort = port;
    m_sProject = project;
    try {
        m_pLedger = std::make_unique<clSerialLedger>(m_Args.Value("ledger"));
        for (const clLedgerEntry& e : m_pLedger->TakeStale(QkStationName(), port, m_pSource->Pool(), Policy(m_Args)))
            if (!quiet)
                std::fprintf(stderr,
                             "qkcli program: serial %s (%s, reserved %s on %s) was never completed: the run was cut "
                             "off; %s\n",
                             e.shown.c_str(), e.pool.c_str(), e.reservedAt.c_str(), e.port.c_str(),
                             Policy(m_Args).reuseStale && e.pool == m_pSource->Pool() ? "it goes to the next device"
                                                                                      : "retired");
    } catch (const clLedgerError& e) {
        return e.what();
    }
    return {};
}

void clCliSerial::Patch(clQKHugeBufIntr& buffer, clCliRun& run)
{
    m_pReserved = std::make_unique<clReserved>();
    m_pReserved->entry = m_pLedger->Reserve(*m_pSource, QkStationName(), m_sPort, m_sProject, Policy(m_Args));
    clSerialBytes bytes;
    std::string error;
    QkParseSerialValue(m_pReserved->entry.value, bytes, error); // the ledger keeps hex
    buffer.Write(clAdrs(m_ulAddress), clAdrs(m_ulAddress + static_cast<std::uint32_t>(m_iWidth) - 1), bytes.data());
    run.imageChecksum = buffer.Sum(buffer.GetCmdStartAdrs(), buffer.GetCmdStopAdrs());
    run.serial =
        clCliSerialNote{m_pReserved->entry.shown, m_pReserved->entry.value, m_pReserved->entry.seq, kLedgerReserved};
}

std::string clCliSerial::Complete(clCliRun& run)
{
    if (!m_pReserved)
        return {};
    std::string state = kLedgerVerified;
    std::string reason;
    if (run.outcome != clCliOutcome::ok) {
        // The verify failed after the program order went through: the value
        // is in the device.
        const bool verifyFailed = run.error && VerifyFailed(*run.error);
        state = verifyFailed ? kLedgerProgrammed : kLedgerFailed;
        reason = std::string(run.ResultText()) + (run.error ? ": " + run.error->text : std::string());
        if (run.error && run.error->address)
            reason += " at " + Hex(*run.error->address);
    }
    char checksum[8];
    std::snprintf(checksum, sizeof checksum, "%04X", run.imageChecksum.value_or(0));
    try {
        m_pLedger->Complete(m_pReserved->entry, state, reason, checksum);
        run.serial->ledgerState = state;
    } catch (const clLedgerError& e) {
        return e.what();
    }
    return {};
}
