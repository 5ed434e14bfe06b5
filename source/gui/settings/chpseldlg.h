// The "&Devices" page (resource 506): the filter with the device history,
// the vendor choice, the device list and the text beside it (the counts, or
// the chosen device's description).
#pragma once

#include <QWidget>

#include "source/settings/setsession.h"

class QComboBox;
class QPlainTextEdit;
class clVndrChpWnd;

class clChpSelDlg : public QWidget {
    Q_OBJECT

public:
    clChpSelDlg(clSettingSession& session, QWidget* parent);

    QComboBox* Filter() const { return m_pFilter; }
    QComboBox* VendorChoice() const { return m_pVendor; }
    clVndrChpWnd* List() const { return m_pList; }
    QPlainTextEdit* Info() const { return m_pInfo; }

private:
    void FilterTyped(const QString& text);
    void HistoryPicked(int index);
    void ShowVendors();
    void ShowList();
    void ShowInfo();

    clSettingSession& m_Session;
    QComboBox* m_pFilter;
    QComboBox* m_pVendor;
    clVndrChpWnd* m_pList;
    QPlainTextEdit* m_pInfo;
};
