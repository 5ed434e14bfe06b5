// The application object of qkprog: every window event passes its guard.
#pragma once

#include <QApplication>
#include <functional>

class TQkApplication : public QApplication {
    Q_OBJECT
public:
    TQkApplication(int& argc, char** argv);

    // What escaped a handler: the "Exception" box (for a known kind), then
    // fatal runs (the main window marks itself idle and closes).
    bool notify(QObject* receiver, QEvent* event) override;
    void SetFatalHandler(std::function<void()> fatal) { m_Fatal = std::move(fatal); }
    // The guard's work, for an exception caught elsewhere on the GUI thread.
    void Escaped(const std::exception_ptr& escaped);

private:
    std::function<void()> m_Fatal;
    bool m_bInGuard = false;
};
