#include "source/app/spcrange.h"

#include "comm/qkcommexpt.h"
#include "source/base/appmngr.h"
#include "source/base/qk51err.h"

// Views with start and stop fields.

clSpcRangeDlg::clSpcRangeDlg(clSpcOwner& owner, int space, clQKHugeBuffer* buffer, int startId, int stopId,
                             clQKOptIDType startOpt, clQKOptIDType stopOpt)
    : clSpcBaseDlg(owner, space, buffer),
      m_iStartId(startId),
      m_iStopId(stopId),
      m_StartOpt(startOpt),
      m_StopOpt(stopOpt)
{}

clAdrsFieldRules clSpcRangeDlg::Rules() const
{
    const clQKHugeBuffer& buf = Buf(340);
    return clAdrsFieldRules(buf.GetStartAdrs().GetLinear(), buf.GetStopAdrs().GetLinear(), buf.GetBlkAlignment());
}

// Set-up: the stored field texts give the range, without questions.
void clSpcRangeDlg::Refresh()
{
    if (HasBufferBytes()) {
        Options().Get(m_StartOpt, m_sStart);
        Options().Get(m_StopOpt, m_sStop);
        const clAdrsFieldRules rules = Rules();
        const auto none = [](unsigned short) { return true; };
        clAdrsFieldResult range = rules.Start(m_sStart, rules.Lowest(), rules.Highest(), false, none);
        range = rules.Stop(m_sStop, range.start, range.stop, false, none);
        m_sStart = QkFieldText(range.start);
        m_sStop = QkFieldText(range.stop);
        m_bStartTyped = m_bStopTyped = false;
        if (range.start != GetCmdStart() || range.stop != GetCmdStop())
            clSpcBaseDlg::SetCmdAddresses(range.start, range.stop);
    }
    clSpcBaseDlg::Refresh();
}

void clSpcRangeDlg::SetCmdAddresses(std::uint32_t start, std::uint32_t stop)
{
    const clAdrsFieldRules rules = Rules();
    const auto none = [](unsigned short) { return true; };
    clAdrsFieldResult range = rules.Start(QkFieldText(start), GetCmdStart(), GetCmdStop(), false, none);
    range = rules.Stop(QkFieldText(stop), range.start, range.stop, false, none);
    Store(range.start, range.stop);
}

void clSpcRangeDlg::Store(std::uint32_t start, std::uint32_t stop)
{
    clSpcBaseDlg::SetCmdAddresses(start, stop);
    m_sStart = QkFieldText(GetCmdStart());
    m_sStop = QkFieldText(GetCmdStop());
    m_bStartTyped = m_bStopTyped = false;
    Options().Set(m_StartOpt, m_sStart);
    Options().Set(m_StopOpt, m_sStop);
    m_bSettingsChanged = true;
    clSpcBaseDlg::Refresh();
    m_Owner.InfoChanged();
}

void clSpcRangeDlg::FieldEdited(int id, const std::string& text)
{
    if (id == m_iStartId && text != m_sStart) {
        m_sStart = text;
        m_bStartTyped = true;
    } else if (id == m_iStopId && text != m_sStop) {
        m_sStop = text;
        m_bStopTyped = true;
    }
}

bool clSpcRangeDlg::FieldLeft(int id)
{
    if ((id == m_iStartId && !m_bStartTyped) || (id == m_iStopId && !m_bStopTyped))
        return true;
    return ApplyField(id, true);
}

bool clSpcRangeDlg::ApplyField(int id, bool interactive)
{
    if (!HasBufferBytes())
        return true;
    const unsigned long window = Comm().GetPrcssId();
    const auto ask = [window](unsigned short message) {
        const bool question = message == kMsgUnderflow || message == kMsgOverflow;
        const int answer = QkAppErrMngr()
                           << clQk51Err(window, message, erTypeError, question ? erOptOk | erOptCancel : erOptOk);
        return question && answer == erIdOk;
    };
    const clAdrsFieldRules rules = Rules();
    const clAdrsFieldResult result = id == m_iStartId
                                         ? rules.Start(m_sStart, GetCmdStart(), GetCmdStop(), interactive, ask)
                                         : rules.Stop(m_sStop, GetCmdStart(), GetCmdStop(), interactive, ask);
    if (result.keepFocus) {
        if (m_pWindow != nullptr)
            m_pWindow->FocusField(id);
        return false;
    }
    Store(result.start, result.stop);
    return true;
}

bool clSpcRangeDlg::PrepareOperation()
{
    if (m_bStartTyped && !ApplyField(m_iStartId, true))
        return false;
    if (m_bStopTyped && !ApplyField(m_iStopId, true))
        return false;
    return true;
}

void clSpcRangeDlg::SetLowest()
{
    if (HasBufferBytes())
        Store(Rules().Lowest(), std::max(GetCmdStop(), Rules().Lowest()));
}

void clSpcRangeDlg::SetHighest()
{
    if (HasBufferBytes())
        Store(GetCmdStart(), Rules().Highest());
}
