// Views with start and stop fields: the data and OSD views.
#pragma once

#include <cstdint>
#include <string>

#include "source/app/spcbase.h"

// Views with start and stop fields: the data view (with its statistics) and
// the OSD view.
class clSpcRangeDlg : public clSpcBaseDlg {
public:
    clSpcRangeDlg(clSpcOwner& owner, int space, clQKHugeBuffer* buffer, int startId, int stopId, clQKOptIDType startOpt,
                  clQKOptIDType stopOpt);

    void Refresh() override;
    void SetCmdAddresses(std::uint32_t start, std::uint32_t stop) override;
    bool PrepareOperation() override;
    void ProgramAuto(clOpRunner& runner) override { ProgramSteps(runner, true); }

    int GetStartId() const { return m_iStartId; }
    int GetStopId() const { return m_iStopId; }
    // The field texts as the widget shows them.
    const std::string& GetStartText() const { return m_sStart; }
    const std::string& GetStopText() const { return m_sStop; }
    // The widget reports typing, and leaving a field (the rules run then).
    void FieldEdited(int id, const std::string& text);
    // false: the field keeps the focus.
    bool FieldLeft(int id);
    void SetLowest();
    void SetHighest();
    clAdrsFieldRules Rules() const;

private:
    bool ApplyField(int id, bool interactive);
    void Store(std::uint32_t start, std::uint32_t stop);

    int m_iStartId, m_iStopId;
    clQKOptIDType m_StartOpt, m_StopOpt;
    std::string m_sStart, m_sStop;
    bool m_bStartTyped = false, m_bStopTyped = false;
};
