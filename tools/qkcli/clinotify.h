// How qkcli shows the system's messages on a terminal: the text goes to
// stderr and the answer is the one the command line chose.
#pragma once

#include "err/qkerr.h"
#include "err/uisrv.h"
#include "source/appmngr.h"

// Installed as the user interface for the length of a command.
class clCliUi : public clConsoleUi {
public:
    static constexpr int kShownAtMost = 20;

    // answer: the button every error record is answered with.
    explicit clCliUi(int answer);
    ~clCliUi() override;
    int ShowError(const clBasicErr& err) override;

    int GetCount() const { return m_iCount; }
    // Prints how many messages were not shown, if any.
    void PrintSummary() const;

private:
    int m_iAnswer;
    int m_iCount = 0;
};

// A progress bar on stderr, drawn only when stderr is a terminal.
class clCliProgress : public clProgressSink {
public:
    explicit clCliProgress(bool wanted);
    ~clCliProgress() override;
    void SetProgress(int percent, const char* text) override;

private:
    bool m_bActive;
    bool m_bDrawn = false;
};
