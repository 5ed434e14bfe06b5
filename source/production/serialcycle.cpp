#include "source/production/serialcycle.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "cpplib/qkpath.h"

namespace {

std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

} // namespace

std::string clSerialSettings::ToText() const
{
    // One "key=value" a line: a command or a path may hold any other character.
    std::string text = "source=" + source + "\nat=" + Hex(address) + "\nwidth=" + std::to_string(layout.width);
    text += std::string("\nformat=") + QkSerialFormatName(layout.format);
    text += std::string("\nendian=") + (layout.bigEndian ? "big" : "little") + "\nledger=" + ledger;
    text += std::string("\nstale=") + (policy.reuseStale ? "reuse" : "retire");
    text += std::string("\nfailed=") + (policy.reuseFailed ? "reuse" : "retire") + "\n";
    return text;
}

bool clSerialSettings::FromText(const std::string& text, clSerialSettings& settings, std::string& error)
{
    clSerialSettings read;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty())
            continue;
        const auto eq = line.find('=');
        const std::string key = line.substr(0, eq), value = eq == std::string::npos ? "" : line.substr(eq + 1);
        char* end = nullptr;
        bool ok = eq != std::string::npos;
        if (key == "source")
            read.source = value;
        else if (key == "at") {
            const unsigned long long at = std::strtoull(value.c_str(), &end, 0);
            ok = ok && !value.empty() && *end == '\0' && at <= 0xFFFFFFFFull;
            read.address = static_cast<std::uint32_t>(at);
        } else if (key == "width") {
            read.layout.width = static_cast<int>(std::strtol(value.c_str(), &end, 10));
            ok = ok && *end == '\0' && read.layout.width >= 1 && read.layout.width <= 8;
        } else if (key == "format") {
            ok = ok && QkSerialFormatByName(value, read.layout.format);
        } else if (key == "endian") {
            ok = ok && (value == "big" || value == "little");
            read.layout.bigEndian = value == "big";
        } else if (key == "ledger")
            read.ledger = value;
        else if (key == "stale" || key == "failed") {
            ok = ok && (value == "reuse" || value == "retire");
            (key == "stale" ? read.policy.reuseStale : read.policy.reuseFailed) = value == "reuse";
        } else
            ok = false;
        if (!ok) {
            error = "the serial setting \"" + line + "\" is not understood";
            return false;
        }
    }
    settings = read;
    return true;
}

std::string QkSerialState(bool ok, bool verifyFailed)
{
    return ok ? kLedgerVerified : verifyFailed ? kLedgerProgrammed : kLedgerFailed;
}

std::string QkSerialNext(const clSerialSettings& settings)
{
    std::string error;
    auto source = QkMakeSerialSource(settings.source, settings.layout, error);
    if (!source)
        return {};
    std::error_code ec;
    if (!QkIsLedgerUri(settings.ledger) && !std::filesystem::exists(QkPath(settings.ledger), ec)) {
        // No ledger yet: the source's first value.
        clSerialValue value;
        return source->Previewable() && source->ValueAt(0, value, error) ? value.shown : std::string();
    }
    try {
        return clSerialLedger(settings.ledger, false).Peek(*source);
    } catch (const clLedgerError&) {
        return {}; // the cycle names the fault
    }
}

clSerialCycle::clSerialCycle() = default;
clSerialCycle::~clSerialCycle() = default;

std::string clSerialCycle::Prepare(const clSerialSettings& settings, std::uint32_t start, std::uint32_t stop,
                                   const std::string& port, const std::string& project,
                                   std::vector<clLedgerEntry>& stale)
{
    m_Settings = settings;
    m_sPort = port;
    m_sProject = project;
    const std::uint64_t last = std::uint64_t{settings.address} + static_cast<std::uint64_t>(settings.layout.width) - 1;
    if (settings.address < start || last > stop)
        return "the serial value at " + Hex(settings.address) + " (" + std::to_string(settings.layout.width) +
               " bytes) lies outside the range programmed (" + Hex(start) + ".." + Hex(stop) + ")";
    std::string error;
    m_pSource = QkMakeSerialSource(settings.source, settings.layout, error);
    if (!m_pSource)
        return error;
    if (settings.ledger.empty())
        return "no ledger was named: every value is recorded before it is used";
    try {
        m_pLedger = std::make_unique<clSerialLedger>(settings.ledger);
        stale = m_pLedger->TakeStale(QkStationName(), port, m_pSource->Pool(), settings.policy);
    } catch (const clLedgerError& e) {
        m_pLedger.reset();
        return e.what();
    }
    return {};
}

std::string clSerialCycle::Next()
{
    if (!m_pLedger)
        return {};
    try {
        return m_pLedger->Peek(*m_pSource);
    } catch (const clLedgerError&) {
        return {};
    }
}

const clLedgerEntry& clSerialCycle::Patch(clHugeBuffer<unsigned char>& buffer)
{
    m_Drawn = m_pLedger->Reserve(*m_pSource, QkStationName(), m_sPort, m_sProject, m_Settings.policy);
    clSerialBytes bytes;
    std::string error;
    QkParseSerialValue(m_Drawn->value, bytes, error); // the ledger keeps hex
    const clAdrs first(m_Settings.address), last(m_Settings.address + static_cast<std::uint32_t>(bytes.size()) - 1);
    m_Replaced.resize(bytes.size());
    buffer.Read(first, last, m_Replaced.data());
    buffer.Write(first, last, bytes.data());
    return *m_Drawn;
}

void clSerialCycle::Restore(clHugeBuffer<unsigned char>& buffer)
{
    if (m_Replaced.empty())
        return;
    buffer.Write(clAdrs(m_Settings.address),
                 clAdrs(m_Settings.address + static_cast<std::uint32_t>(m_Replaced.size()) - 1), m_Replaced.data());
    m_Replaced.clear();
}

std::string clSerialCycle::Complete(const std::string& state, const std::string& reason, unsigned imageChecksum)
{
    if (!m_Drawn || m_Drawn->state != kLedgerReserved)
        return {};
    char checksum[8];
    std::snprintf(checksum, sizeof checksum, "%04X", imageChecksum & 0xFFFF);
    try {
        m_pLedger->Complete(*m_Drawn, state, reason, checksum);
        m_Drawn->state = state;
        m_Drawn->reason = reason;
    } catch (const clLedgerError& e) {
        return e.what();
    }
    return {};
}
