#include "source/app/spcall.h"

#include "comm/qkcommexpt.h"
#include "comm/qkcomml2.h"
#include "cpplib/clexpt.h"
#include "err/qkassert.h"
#include "source/project/qkopts.h"
#include "source/run/autoopts.h"

namespace {
constexpr const char kSrcAll[] = "salldlg";
} // namespace

// The "All" view.

clSpcAllDlg::clSpcAllDlg(clSpcOwner& owner, std::vector<clEntry> entries)
    : clSpcBaseDlg(owner, 0, nullptr), m_Entries(std::move(entries))
{}

bool clSpcAllDlg::IsChecked(std::size_t entry)
{
    std::uint32_t state = 0;
    if (entry < m_Entries.size())
        Options().Get(QkSpaceOptId(m_Entries[entry].view->GetSpaceIndex(), spcCLState), state);
    return state == 1;
}

bool clSpcAllDlg::IsEnabled(std::size_t entry)
{
    return entry < m_Entries.size() && m_Entries[entry].view->IsOpAllowed(cmdProgram);
}

void clSpcAllDlg::SetChecked(std::size_t entry, bool checked)
{
    if (entry >= m_Entries.size())
        return;
    Options().Set(QkSpaceOptId(m_Entries[entry].view->GetSpaceIndex(), spcCLState), std::uint32_t{checked ? 1u : 0u});
    m_bSettingsChanged = true;
    m_Owner.InfoChanged();
}

bool clSpcAllDlg::IsOpAllowed(int cmd)
{
    switch (cmd) {
    case cmdSettings: return true;
    case cmdProgram:
        for (std::size_t i = 0; i < m_Entries.size(); ++i)
            if (IsChecked(i) && IsEnabled(i))
                return true;
        return false;
    case cmdErase: return IsDeviceErasable();
    default: return false;
    }
}

bool clSpcAllDlg::PrepareOperation()
{
    for (std::size_t i = 0; i < m_Entries.size(); ++i)
        if (IsChecked(i) && IsEnabled(i) && !m_Entries[i].view->PrepareOperation())
            return false;
    return true;
}

void clSpcAllDlg::Erase()
{
    // The programmer erases the whole device whatever the range says.
    clQKHugeBufIntr all("EraseAll");
    all.SetParams(1, clAdrs(0u));
    all.SetSpaceId(clQKCommLL2::spData);
    clQkSrvcComm& comm = Comm();
    if (comm.IsCommExist() == 0) {
        comm.Prolog();
        comm.Epilog();
    }
    if (comm.GetProtocol() == clQkProtocol::real)
        comm.SetAddressesSeq(all);
    comm.EraseSeq(all);
    m_Owner.WaitDelay();
}

void clSpcAllDlg::ProgramAuto(clOpRunner& runner)
{
    const clAutoOptions automatic = QkReadAutoOptions(Options());
    std::vector<clSpcBaseDlg*> spaces;
    for (std::size_t i = 0; i < m_Entries.size(); ++i)
        if (IsChecked(i) && IsEnabled(i))
            spaces.push_back(m_Entries[i].view);
    QK_ASSERT(!spaces.empty(), kSrcAll, 90);
    clCycleOrders orders;
    if (automatic.sigChk != 0 && IsDeviceSigChk())
        orders.sigChk = [this] { Comm().SigChkSeq(); };
    if (automatic.erase != 0 && IsOpAllowed(cmdErase))
        orders.erase = [this] { Erase(); };
    if (automatic.blnkChk != 0)
        orders.blankCheck = [&spaces] {
            for (clSpcBaseDlg* view : spaces)
                if (view->IsOpAllowed(cmdBlnkChk))
                    view->BlnkChk();
        };
    orders.program = [this] { Program(); };
    runner.ProgramCycle(orders, false);
}

unsigned short clSpcAllDlg::Program()
{
    // A space that fails does not stop the others; the run fails in the end.
    bool failed = false;
    for (std::size_t i = 0; i < m_Entries.size(); ++i) {
        if (!IsChecked(i) || !IsEnabled(i))
            continue;
        try {
            m_Entries[i].view->Program();
        } catch (const clQKTargetFail&) {
            failed = true;
        }
    }
    if (failed)
        QkRaise<clQKTargetFail>(this, kSrcAll, 120);
    return 0;
}
