#include "source/gui/qkapp.h"

#include <QMessageBox>

#include "source/app/exptguard.h"

TQkApplication::TQkApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName("qkprog");
    setOrganizationName("HALVANE");
}

bool TQkApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        Escaped(std::current_exception());
    }
    return false;
}

void TQkApplication::Escaped(const std::exception_ptr& escaped)
{
    if (m_bInGuard)
        return; // the box of the first one is up; the window closes after it
    m_bInGuard = true;
    const clGuardKind kind = QkGuardKind(escaped);
    if (kind != clGuardKind::unknown) {
        QMessageBox box(QMessageBox::Critical, kGuardCaption, QkGuardText(kind), QMessageBox::Ok);
        box.setObjectName("exceptionBox");
        box.exec();
    }
    if (m_Fatal)
        m_Fatal();
    m_bInGuard = false;
}
