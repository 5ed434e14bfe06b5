#include "source/gui/dump/dumpdlgs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "source/dump/dumptext.h"

namespace {
QString Text(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Latin1(const QLineEdit* edit)
{
    return edit->text().toLatin1().toStdString();
}

template <class W>
W* Named(W* widget, int id)
{
    widget->setObjectName(QStringLiteral("id%1").arg(id));
    return widget;
}

QDialogButtonBox* OkCancel(QDialog* dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

// The number syntax, under the fields: hexadecimal needs its "h" or "0x".
QLabel* NumberHint(QWidget* parent)
{
    auto* hint = new QLabel("Numbers: 1Fh or 0x1F (hex), 31 or 31d, 37o", parent);
    hint->setObjectName("numberHint");
    hint->setStyleSheet("color: #4a5a70;");
    return hint;
}
} // namespace

// Fill.

TFillDlg::TFillDlg(clDumpEditor& editor, QWidget* parent) : QDialog(parent), m_Editor(editor)
{
    setObjectName("FillBufDlg");
    setWindowTitle("Fill");
    auto* form = new QFormLayout;
    const int ids[3] = {idFillStart, idFillCount, idFillValue};
    const char* labels[3] = {"&Start address:", "&Count:", "&Value:"};
    for (int i = 0; i < 3; ++i) {
        m_pFields[i] = Named(new QLineEdit(this), ids[i]);
        m_pFields[i]->installEventFilter(this);
        form->addRow(labels[i], m_pFields[i]);
    }
    auto* buttons = OkCancel(this);
    m_pCancel = buttons->button(QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(NumberHint(this));
    layout->addWidget(buttons);
    const clDumpCursor& cursor = editor.Cursor();
    Show(editor.FillForm().Propose(cursor.Selection(), cursor.Caret()));
}

clDumpFillForm::clFields TFillDlg::Fields() const
{
    return {Latin1(m_pFields[0]), Latin1(m_pFields[1]), Latin1(m_pFields[2])};
}

void TFillDlg::Show(const clDumpFillForm::clFields& fields)
{
    m_pFields[0]->setText(Text(fields.start));
    m_pFields[1]->setText(Text(fields.count));
    m_pFields[2]->setText(Text(fields.value));
}

bool TFillDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::FocusOut || m_bChecking)
        return QDialog::eventFilter(watched, event);
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    // Leaving the dialog, or for Cancel, is no reason to check.
    if ((reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason && reason != Qt::MouseFocusReason) ||
        QApplication::focusWidget() == m_pCancel)
        return QDialog::eventFilter(watched, event);
    for (int field = 0; field < 3; ++field) {
        if (watched != m_pFields[field])
            continue;
        m_bChecking = true;
        auto fields = Fields();
        if (m_Editor.CheckFillField(field, fields))
            Show(fields);
        else
            m_pFields[field]->setFocus();
        m_bChecking = false;
    }
    return QDialog::eventFilter(watched, event);
}

void TFillDlg::accept()
{
    m_bChecking = true;
    auto fields = Fields();
    const int failed = m_Editor.Fill(fields);
    m_bChecking = false;
    if (failed >= 0) {
        m_pFields[failed]->setFocus();
        return;
    }
    QDialog::accept();
}

// Go to.

TGoToDlg::TGoToDlg(clDumpEditor& editor, QWidget* parent) : QDialog(parent), m_Editor(editor)
{
    setObjectName("GoToDlg");
    setWindowTitle("Goto address");
    m_pAddress = Named(new QLineEdit(Text(editor.ProposedGoto()), this), idGotoAdrs);
    auto* form = new QFormLayout;
    form->addRow("&Address:", m_pAddress);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(NumberHint(this));
    layout->addWidget(OkCancel(this));
}

void TGoToDlg::accept()
{
    if (!m_Editor.Goto(Latin1(m_pAddress))) {
        m_pAddress->setFocus();
        return;
    }
    QDialog::accept();
}

// Find and replace.

clSrchDlg::clSrchDlg(clDumpEditor& editor, dmpFindMode mode, QWidget* parent)
    : QDialog(parent), m_Editor(editor), m_Mode(mode)
{
    setObjectName("DumpSrchDlg");
    setWindowTitle(mode == dmpFindMode::replace ? "Dump Replace" : "Dump Find");
    const clDumpSearch& search = editor.Search();
    m_pFind = Named(new QLineEdit(Text(editor.ProposedFindText()), this), idSrchFind);
    m_pReplace = Named(new QLineEdit(Text(search.ReplaceText()), this), idSrchReplace);
    for (QLineEdit* edit : {m_pFind, m_pReplace})
        edit->setMaxLength(static_cast<int>(kDumpSearchTextMax));
    m_pFromCursor = Named(new QRadioButton("From &cursor", this), idSrchFromCursor);
    m_pFromStart = Named(new QRadioButton("From &start", this), idSrchFromStart);
    (search.FromStart() ? m_pFromStart : m_pFromCursor)->setChecked(true);
    m_pChangeAll = Named(new QCheckBox("Change &All", this), idSrchChangeAll);
    m_pPrompt = Named(new QCheckBox("&Prompt on Replace", this), idSrchPrompt);
    m_pChangeAll->setChecked(search.ChangeAll());
    m_pPrompt->setChecked(search.Prompt());
    // Finding has nothing to replace.
    const bool replacing = mode == dmpFindMode::replace;
    m_pReplace->setEnabled(replacing);
    m_pChangeAll->setEnabled(replacing);
    m_pPrompt->setEnabled(replacing);

    auto* form = new QFormLayout;
    form->addRow("&Find:", m_pFind);
    form->addRow("R&eplace:", m_pReplace);
    form->addRow(new QLabel("Ex.  0xFF,12h,'B',\"AM\",10", this));
    auto* origin = new QGroupBox(this);
    auto* originLayout = new QVBoxLayout(origin);
    originLayout->addWidget(m_pFromCursor);
    originLayout->addWidget(m_pFromStart);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(origin);
    layout->addWidget(m_pChangeAll);
    layout->addWidget(m_pPrompt);
    layout->addWidget(OkCancel(this));
    m_pFind->selectAll();
}

void clSrchDlg::accept()
{
    const int failed = m_Editor.AcceptSearch(m_Mode, Latin1(m_pFind), Latin1(m_pReplace), m_pFromStart->isChecked(),
                                             m_pChangeAll->isChecked(), m_pPrompt->isChecked());
    if (failed != 0) {
        (failed == idSrchReplace ? m_pReplace : m_pFind)->setFocus();
        return;
    }
    QDialog::accept();
}
