// The "All" view: one operation over several spaces.
#pragma once

#include <string>
#include <vector>

#include "source/app/spcbase.h"

class clSpcAllDlg : public clSpcBaseDlg {
public:
    struct clEntry {
        clSpcBaseDlg* view;
        std::string title;
    };
    clSpcAllDlg(clSpcOwner& owner, std::vector<clEntry> entries);
    int GetKind() const override { return vwAll; }
    std::string GetTitle() const override { return "All"; }
    const char* GetHelpContext() const override { return "all"; }
    bool HasSizeField() const override { return false; }
    bool IsOpAllowed(int cmd) override;
    bool PrepareOperation() override;
    void ProgramAuto(clOpRunner& runner) override;
    unsigned short Program() override;
    void Erase() override;

    const std::vector<clEntry>& Entries() const { return m_Entries; }
    bool IsChecked(std::size_t entry);
    // A space the programmer cannot take is shown but cannot be checked.
    bool IsEnabled(std::size_t entry);
    void SetChecked(std::size_t entry, bool checked);

private:
    std::vector<clEntry> m_Entries;
};
