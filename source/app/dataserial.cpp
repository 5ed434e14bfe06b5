#include "source/app/dataserial.h"

#include "source/project/qkopts.h"

clDataSerial::clDataSerial(TBscOptServer& options) : m_Options(options) {}
clDataSerial::~clDataSerial() = default;

clSerialSettings clDataSerial::Settings() const
{
    std::string text;
    m_Options.Get(kOptSerial, text);
    clSerialSettings settings;
    std::string error;
    clSerialSettings::FromText(text, settings, error); // a malformed setting reads as none
    return settings;
}

void clDataSerial::SetSettings(const clSerialSettings& settings)
{
    m_Options.Set(kOptSerial, settings.IsOn() ? settings.ToText() : std::string());
}

std::string clDataSerial::Prepare(std::uint32_t start, std::uint32_t stop, const std::string& port,
                                  const std::string& project)
{
    m_pCycle.reset();
    const clSerialSettings settings = Settings();
    if (!settings.IsOn())
        return {};
    auto cycle = std::make_unique<clSerialCycle>();
    std::vector<clLedgerEntry> stale; // retired (or kept) by policy; the ledger records why
    if (std::string problem = cycle->Prepare(settings, start, stop, port, project, stale); !problem.empty())
        return problem;
    m_pCycle = std::move(cycle);
    return {};
}

void clDataSerial::Patch(clQKHugeBuffer& buffer)
{
    if (!m_pCycle)
        return;
    clQKHugeBuffer::clHold hold(buffer); // sent with the rest of the range
    const clLedgerEntry& drawn = m_pCycle->Patch(buffer);
    m_sLast = drawn.shown + " " + drawn.state;
}

std::string clDataSerial::Finish(clQKHugeBuffer& buffer, bool succeeded, const std::string& reason)
{
    if (!m_pCycle)
        return {};
    std::unique_ptr<clSerialCycle> cycle = std::move(m_pCycle);
    if (!cycle->Drawn())
        return {};
    const unsigned checksum = buffer.Sum(buffer.GetCmdStartAdrs(), buffer.GetCmdStopAdrs());
    {
        // The next order sends the user's own bytes back.
        clQKHugeBuffer::clHold hold(buffer);
        cycle->Restore(buffer);
    }
    const std::string problem = cycle->Complete(QkSerialState(succeeded, false), reason, checksum);
    m_sLast = cycle->Drawn()->shown + " " + cycle->Drawn()->state;
    m_sNextFor.clear(); // the ledger moved on
    return problem;
}

std::string clDataSerial::Text()
{
    const clSerialSettings settings = Settings();
    if (!settings.IsOn())
        return {};
    if (const std::string key = settings.ToText(); key != m_sNextFor) {
        m_sNext = QkSerialNext(settings);
        m_sNextFor = key;
    }
    const std::string last = m_sLast.empty() ? std::string() : "Last: " + m_sLast + ";  ";
    return last + (m_sLast.empty() ? "Next: " : "next: ") +
           (m_sNext.empty() ? std::string("from ") + settings.source : m_sNext);
}
