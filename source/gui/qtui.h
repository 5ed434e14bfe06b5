// The user-interface services of the desktop program: error records and
// message boxes in dialogs, message pumping, the beep.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>

#include "err/uisrv.h"

class TQtUi : public clUiServices {
public:
    TQtUi();
    ~TQtUi() override;

    int MessageBox(const char* text, const char* caption, unsigned char option) override;
    // Restores a minimised owner, tells it the record's type (it plays the
    // dialog's sound), then shows clErrDlg over it.
    int ShowError(const clBasicErr& err) override;
    void PumpMessages() override;
    void Beep() override;

    // The window an error record names by its process id.
    void RegisterWindow(unsigned long id, QWidget* window, std::function<void(int type)> onError);
    void UnregisterWindow(unsigned long id);

private:
    struct clOwner {
        QPointer<QWidget> window;
        std::function<void(int)> onError;
    };
    std::map<unsigned long, clOwner> m_Owners;
};

TQtUi& QkQtUi();
