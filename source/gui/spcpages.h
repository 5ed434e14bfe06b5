// The widgets of the space views, one per tab: thin pages over the views'
// rules (clSpcDataDlg and the others).
#pragma once

#include <QWidget>

#include "source/app/spcdlg.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTreeWidget;

// The data and OSD views: start and stop fields (and the data view's statistics).
class TSpcRangePage : public QWidget, public clSpcWindow {
    Q_OBJECT
public:
    TSpcRangePage(QWidget* parent, clSpcRangeDlg& view);
    void Refresh() override;
    void FocusField(int id) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* Field(int id) const;
    void Left(int id);

    clSpcRangeDlg& m_View;
    QLineEdit* m_pStart;
    QLineEdit* m_pStop;
    QLabel* m_pCycles = nullptr;
    QLabel* m_pSuccess = nullptr;
    QLabel* m_pFailure = nullptr;
    QLabel* m_pSerial = nullptr;
    bool m_bChecking = false; // a field's question is open
};

class TSpcCnfgPage : public QWidget, public clSpcWindow {
    Q_OBJECT
public:
    TSpcCnfgPage(QWidget* parent, clSpcCnfgDlg& view);
    void Refresh() override;
    void FocusField(int) override {}

private:
    clSpcCnfgDlg& m_View;
    QTreeWidget* m_pList;
    bool m_bFilling = false;
};

class TSpcScrtyPage : public QWidget, public clSpcWindow {
    Q_OBJECT
public:
    TSpcScrtyPage(QWidget* parent, clSpcScrtyDlg& view);
    void Refresh() override;
    void FocusField(int) override {}

private:
    clSpcScrtyDlg& m_View;
    QCheckBox* m_pLock[3];
    QCheckBox* m_pEncryption;
};

class TSpcAllPage : public QWidget, public clSpcWindow {
    Q_OBJECT
public:
    TSpcAllPage(QWidget* parent, clSpcAllDlg& view);
    void Refresh() override;
    void FocusField(int) override {}

private:
    clSpcAllDlg& m_View;
    QListWidget* m_pList;
    bool m_bFilling = false;
};

// The page of a view, bound to it.
QWidget* QkMakeSpacePage(QWidget* parent, clSpcBaseDlg& view);
