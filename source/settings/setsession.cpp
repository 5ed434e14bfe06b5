#include "source/settings/setsession.h"

#include <algorithm>

#include "comm/comports.h"
#include "comm/qkcalc.h"
#include "qkdb/dbase32.h"
#include "source/settings/chpdescr.h"
#include "source/settings/qksettings.h"

bool QkFrequencyValid(const std::string& text)
{
    if (text.empty() || text.size() > kFrequencyMax)
        return false;
    unsigned char doublings = 0;
    return QkParseFrequency(QkFrequencyFromText(text.c_str()), doublings) >= 0;
}

clSettingSession::clSettingSession(const clSettingInput& input)
    : m_Input(input),
      m_Edits(QkUnchangedResult(input)),
      m_Devices(*input.db),
      m_Ports(QkPortEntries(input.lastCom, input.port)),
      m_iPort(input.port),
      m_Sounds(input.sounds, input.mute)
{
    if (m_Input.settings != nullptr) {
        m_History = QkGetDeviceHistory(*m_Input.settings);
        m_PortPaths = QkGetPortPaths(*m_Input.settings);
    }
    if (m_Devices.Find(input.device) != nullptr)
        m_usChosen = input.device;
}

void clSettingSession::ChooseDevice(unsigned short chipId)
{
    const auto& list = m_Devices.List();
    const bool listed =
        std::any_of(list.begin(), list.end(), [&](const clChpRow* row) { return row->chipId == chipId; });
    m_usChosen = listed ? chipId : 0;
}

void clSettingSession::ApplyFilter(const std::string& filter)
{
    m_Devices.SetFilter(filter);
    ChooseDevice(m_usChosen);
}

void clSettingSession::ChooseVendor(int index)
{
    m_Devices.ChooseVendor(index);
    ChooseDevice(m_usChosen);
}

void clSettingSession::PickHistory(const std::string& entry)
{
    ApplyFilter(entry);
    if (const clChpRow* row = m_Devices.FindEntry(entry))
        ChooseDevice(row->chipId);
}

std::string clSettingSession::InfoText() const
{
    if (m_usChosen != 0) {
        try {
            return QkDeviceDescription(*m_Input.db, m_usChosen);
        } catch (const clBscExpt&) {
            // A device the database cannot describe shows the counts.
        }
    }
    return m_Devices.CountsText();
}

std::string clSettingSession::PortPath(int comNo) const
{
    const auto found = m_PortPaths.find(comNo);
    return found == m_PortPaths.end() ? std::string() : found->second;
}

std::string clSettingSession::SetPortPath(int comNo, const std::string& path)
{
    if (comNo < 1 || comNo >= kPortComLimit)
        return {};
    if (std::string problem = QkPortPathProblem(path); !problem.empty())
        return problem;
    if (path.empty())
        m_PortPaths.erase(comNo);
    else
        m_PortPaths[comNo] = path;
    return {};
}

std::string clSettingSession::PortText(const clPortEntry& entry) const
{
    std::string path = PortPath(entry.port);
    if (path.empty() && entry.port != kPortScan)
        path = ComPortPath(entry.port);
    return QkPortEntryText(entry, path);
}

std::string clSettingSession::Check() const
{
    if (m_Input.showFrequency && !QkFrequencyValid(m_Edits.frequency))
        return kBadFrequency;
    return {};
}

clSettingResult clSettingSession::Accept()
{
    clSettingResult result = m_Edits;
    result.accepted = true;
    result.sounds = m_Sounds.Sounds();
    result.mute = m_Sounds.IsMuted();
    if (m_usChosen != 0) {
        if (const clChpRow* row = m_Devices.Find(m_usChosen); row != nullptr && m_Input.settings != nullptr) {
            m_History = QkPushHistory(m_History, QkHistoryEntry(*row));
            QkSetDeviceHistory(*m_Input.settings, m_History);
        }
        if (m_usChosen != m_Input.device)
            result.device = m_usChosen;
    }
    if (m_iPort != m_Input.port)
        result.port = m_iPort;
    if (m_Input.settings != nullptr) {
        const std::map<int, std::string> before = QkGetPortPaths(*m_Input.settings);
        for (int comNo = 1; comNo < kPortComLimit; ++comNo) {
            const std::string path = PortPath(comNo);
            const auto old = before.find(comNo);
            if (path == (old == before.end() ? std::string() : old->second))
                continue;
            QkSetPortPath(*m_Input.settings, comNo, path);
            ComMapPort(comNo, path);
            // The port in use now leads elsewhere: connect there.
            if (comNo == m_Input.port && m_iPort == m_Input.port)
                result.reconnect = true;
        }
    }
    return result;
}

clSettingResult clSettingSession::Cancel() const
{
    clSettingResult result = QkUnchangedResult(m_Input);
    result.reconnect = m_Edits.reconnect;
    return result;
}
