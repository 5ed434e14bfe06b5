// The dump editor's dialogs: fill ("FillBufDlg"), go to ("GoToDlg") and find
// or replace ("DumpSrchDlg"). Each checks its fields through the editor,
// which shows the messages; a bad field gets the focus back.
#pragma once

#include <QDialog>

#include "source/dump/dumpedit.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QPushButton;

// Control ids of the dialogs (also the controls' object names, "id" + number).
enum : int {
    idFillStart = 101,
    idFillCount = 102,
    idFillValue = 120,
    idGotoAdrs = 104,
    idSrchReplace = 114,
    idSrchFind = 115,
    idSrchFromStart = 116,
    idSrchFromCursor = 117,
    idSrchChangeAll = 118,
    idSrchPrompt = 119,
};

class TFillDlg : public QDialog {
    Q_OBJECT

public:
    TFillDlg(clDumpEditor& editor, QWidget* parent);
    void accept() override;

protected:
    // A field is checked when the focus leaves it for another field or OK.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    clDumpFillForm::clFields Fields() const;
    void Show(const clDumpFillForm::clFields& fields);

    clDumpEditor& m_Editor;
    QLineEdit* m_pFields[3];
    QPushButton* m_pCancel;
    bool m_bChecking = false;
};

class TGoToDlg : public QDialog {
    Q_OBJECT

public:
    TGoToDlg(clDumpEditor& editor, QWidget* parent);
    void accept() override;

private:
    clDumpEditor& m_Editor;
    QLineEdit* m_pAddress;
};

class clSrchDlg : public QDialog {
    Q_OBJECT

public:
    // mode: find or replace.
    clSrchDlg(clDumpEditor& editor, dmpFindMode mode, QWidget* parent);
    void accept() override;

private:
    clDumpEditor& m_Editor;
    dmpFindMode m_Mode;
    QLineEdit* m_pFind;
    QLineEdit* m_pReplace;
    QRadioButton* m_pFromCursor;
    QRadioButton* m_pFromStart;
    QCheckBox* m_pChangeAll;
    QCheckBox* m_pPrompt;
};
