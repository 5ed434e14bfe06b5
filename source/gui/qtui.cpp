#include "source/gui/qtui.h"

#include <QApplication>
#include <cstdlib>

#include "err/qkerr.h"
#include "source/gui/errdlgqt.h"

TQtUi::TQtUi()
{
    QkSetUi(this);
}

TQtUi::~TQtUi()
{
    QkSetUi(nullptr);
}

TQtUi& QkQtUi()
{
    static TQtUi ui;
    return ui;
}

void TQtUi::RegisterWindow(unsigned long id, QWidget* window, std::function<void(int)> onError)
{
    m_Owners[id] = {window, std::move(onError)};
}

void TQtUi::UnregisterWindow(unsigned long id)
{
    m_Owners.erase(id);
}

int TQtUi::MessageBox(const char* text, const char* caption, unsigned char option)
{
    QWidget* parent = QApplication::activeWindow();
    clErrDlg dialog(parent, erTypeNone, option != 0 ? option : static_cast<unsigned char>(erOptOk),
                    text != nullptr ? text : "", caption != nullptr ? caption : "");
    return dialog.exec();
}

int TQtUi::ShowError(const clBasicErr& err)
{
    QWidget* parent = nullptr;
    std::function<void(int)> onError;
    if (const auto found = m_Owners.find(err.GetPrcssId()); found != m_Owners.end() && found->second.window) {
        parent = found->second.window;
        onError = found->second.onError;
        if (parent->isMinimized())
            parent->showNormal();
        if (parent->isMinimized())
            parent = nullptr;
    }
    if (parent != nullptr && onError)
        onError(err.GetErrType());
    char* text = err.GetErrStr();
    const std::string message = text != nullptr ? text : "";
    std::free(text);
    clErrDlg dialog(parent, err.GetErrType(), err.GetErrOpt(), message);
    return dialog.exec();
}

void TQtUi::PumpMessages()
{
    QCoreApplication::processEvents();
}

void TQtUi::Beep()
{
    QApplication::beep();
}
