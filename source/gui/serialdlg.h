// "Serial Numbers": the settings of each device's own value (a counter, a
// list or a command; where it goes; the ledger), kept in the project.
#pragma once

#include <QDialog>

#include "source/production/serialcycle.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

class clSerialDlg : public QDialog {
    Q_OBJECT
public:
    clSerialDlg(const clSerialSettings& settings, QWidget* parent);
    // The settings as accepted (an empty source: no serial values).
    const clSerialSettings& Settings() const { return m_Settings; }

private:
    // Takes the fields; false with the reason shown when they do not make
    // a source.
    bool Take();
    void KindChanged();

    clSerialSettings m_Settings;
    QComboBox* m_pKind;
    QLineEdit* m_pSource;
    QLabel* m_pSourceHint;
    QLineEdit* m_pAddress;
    QSpinBox* m_pWidth;
    QComboBox* m_pFormat;
    QComboBox* m_pEndian;
    QLineEdit* m_pLedger;
    QComboBox* m_pStale;
    QComboBox* m_pFailed;
    QLabel* m_pProblem;
};
