// The "Load File" and "Save File" dialogs of "&Open" and "&Save": a file
// dialog with the program's own controls beside it.
#pragma once

#include <QDialog>
#include <optional>

#include "source/app/qk51main.h"

class QButtonGroup;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

// "Name (*.ext)|*.ext|" as the file dialog shows it: "Name (*.ext)".
QString QkQtFilter(const char* filter);

class Tmp51OpenDlg : public QDialog {
    Q_OBJECT
public:
    Tmp51OpenDlg(QWidget* parent, const clLoadDialogSetup& setup);
    std::optional<clLoadChoice> Choice() const { return m_Choice; }

    QFileDialog* FileDialog() const { return m_pFiles; }
    // Selects the type at position in the list and the file to open.
    void Select(int position, const QString& path);
    // What the file dialog's "Open" button does.
    void Confirm();
    int CurrentType() const;
    QString DescriptionLabel() const;
    QString DescriptionText() const;
    bool IsNoteVisible() const;
    bool IsInitEnabled() const;
    void SetInit(int init);

private:
    void TypeChanged();
    void FileChanged(const QString& path);
    void Accepted();

    clLoadDialogSetup m_Setup;
    QFileDialog* m_pFiles;
    QLabel* m_pDescLabel;
    QPlainTextEdit* m_pDesc;
    QLabel* m_pNote;
    QGroupBox* m_pInit;
    QButtonGroup* m_pInitChoice;
    std::optional<clLoadChoice> m_Choice;
};

class Tmp51SaveDlg : public QDialog {
    Q_OBJECT
public:
    Tmp51SaveDlg(QWidget* parent, const clSaveDialogSetup& setup);
    std::optional<clSaveChoice> Choice() const { return m_Choice; }

    QFileDialog* FileDialog() const { return m_pFiles; }
    void Select(int position, const QString& path);
    // What the file dialog's "Save" button does.
    void Confirm();
    int CurrentPosition() const;
    int SaveOption() const;
    bool IsOptionEnabled(int id) const;
    void SetSaveOption(int id);
    void SetDescription(const QString& text);

private:
    void TypeChanged();
    void Accepted();

    clSaveDialogSetup m_Setup;
    QFileDialog* m_pFiles;
    QLineEdit* m_pDesc;
    QGroupBox* m_pOptions;
    QButtonGroup* m_pOptionChoice;
    std::optional<clSaveChoice> m_Choice;
};
