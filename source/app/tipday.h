// The tip-of-the-day box without its window: which tip it shows, "Next Tip"
// and what "Tip Mode" becomes when it closes.
#pragma once

#include <functional>
#include <string>

class clQkTipOfDay {
public:
    // mode: "Tip Mode" (2 before the first run: tip 2101 first); seed picks
    // the first tip otherwise. text gives a string of the table, "" when
    // there is none.
    clQkTipOfDay(int mode, unsigned long seed, std::function<const char*(unsigned)> text);
    explicit clQkTipOfDay(int mode, unsigned long seed);

    int GetCount() const { return m_iCount; }
    // The current tip ("No tips available!" without tips).
    std::string GetText() const;
    int GetIndex() const { return m_iIndex; }
    // The check box "Show Tips on StartUp." starts checked in mode 1.
    bool IsShowChecked() const { return m_iMode == 1; }
    // The mode while the box is open (2 has become 1).
    int GetMode() const { return m_iMode; }
    void Next();
    // "Tip Mode" after the box closes with the check box as given.
    static int ModeOnClose(bool showChecked) { return showChecked ? 1 : 0; }

private:
    std::function<const char*(unsigned)> m_Text;
    int m_iCount;
    int m_iIndex = 0;
    int m_iMode;
};
