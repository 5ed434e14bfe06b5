#include "source/gui/spcpages.h"
#include "source/gui/serialdlg.h"

#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QLabel* CountLabel(QWidget* parent, int id)
{
    auto* label = new QLabel("0", parent);
    label->setObjectName(QString("id%1").arg(id));
    label->setMinimumWidth(36);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}
} // namespace

TSpcRangePage::TSpcRangePage(QWidget* parent, clSpcRangeDlg& view) : QWidget(parent), m_View(view)
{
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(14, 14, 14, 10);
    layout->setHorizontalSpacing(10);
    layout->setVerticalSpacing(8);
    m_pStart = new QLineEdit(this);
    m_pStart->setObjectName(QString("id%1").arg(view.GetStartId()));
    m_pStop = new QLineEdit(this);
    m_pStop->setObjectName(QString("id%1").arg(view.GetStopId()));
    for (QLineEdit* field : {m_pStart, m_pStop}) {
        field->setMaxLength(static_cast<int>(kAdrsFieldMax));
        field->setFixedWidth(110);
        field->installEventFilter(this);
    }
    auto* startLabel = new QLabel("Star&t address:", this);
    startLabel->setBuddy(m_pStart);
    auto* stopLabel = new QLabel("Stop a&ddress:", this);
    stopLabel->setBuddy(m_pStop);
    auto* lowest = new QPushButton("&Lowest address", this);
    lowest->setObjectName("id155");
    auto* highest = new QPushButton("&Highest address", this);
    highest->setObjectName("id154");
    layout->addWidget(startLabel, 0, 0);
    layout->addWidget(m_pStart, 0, 1);
    layout->addWidget(lowest, 0, 2);
    layout->addWidget(stopLabel, 1, 0);
    layout->addWidget(m_pStop, 1, 1);
    layout->addWidget(highest, 1, 2);
    layout->setColumnStretch(3, 1);

    if (view.GetKind() == vwData) {
        auto* stats = new QGroupBox("Statistics: ", this);
        stats->setObjectName("statistics");
        auto* row = new QHBoxLayout(stats);
        m_pSuccess = CountLabel(stats, idStatSuccess);
        m_pFailure = CountLabel(stats, idStatFailure);
        m_pCycles = CountLabel(stats, idStatCycles);
        const std::pair<const char*, QLabel*> counts[] = {
            {"Success:", m_pSuccess}, {"Failure:", m_pFailure}, {"Programming cycles:", m_pCycles}};
        for (const auto& [caption, value] : counts) {
            row->addWidget(new QLabel(caption, stats));
            row->addWidget(value);
            row->addSpacing(24);
        }
        row->addStretch();
        layout->addWidget(stats, 2, 0, 1, 4);

        auto* serial = new QGroupBox("Serial numbers: ", this);
        serial->setObjectName("serial");
        auto* serialRow = new QHBoxLayout(serial);
        m_pSerial = new QLabel(serial);
        m_pSerial->setObjectName("serialText");
        auto* settings = new QPushButton("Serial &Numbers...", serial);
        settings->setObjectName("serialSettings");
        serialRow->addWidget(m_pSerial, 1);
        serialRow->addWidget(settings);
        layout->addWidget(serial, 3, 0, 1, 4);
        connect(settings, &QPushButton::clicked, this, [this] {
            auto& data = static_cast<clSpcDataDlg&>(m_View);
            clSerialDlg dialog(data.Serial().Settings(), this);
            if (dialog.exec() == QDialog::Accepted)
                data.SetSerialSettings(dialog.Settings());
        });
    }
    layout->setRowStretch(4, 1);

    connect(m_pStart, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_View.FieldEdited(m_View.GetStartId(), text.toStdString()); });
    connect(m_pStop, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_View.FieldEdited(m_View.GetStopId(), text.toStdString()); });
    connect(m_pStart, &QLineEdit::returnPressed, this, [this] { Left(m_View.GetStartId()); });
    connect(m_pStop, &QLineEdit::returnPressed, this, [this] { Left(m_View.GetStopId()); });
    connect(lowest, &QPushButton::clicked, this, [this] { m_View.SetLowest(); });
    connect(highest, &QPushButton::clicked, this, [this] { m_View.SetHighest(); });
    m_View.SetWindow(this);
    Refresh();
}

QLineEdit* TSpcRangePage::Field(int id) const
{
    return id == m_View.GetStartId() ? m_pStart : m_pStop;
}

bool TSpcRangePage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && (watched == m_pStart || watched == m_pStop))
        Left(watched == m_pStart ? m_View.GetStartId() : m_View.GetStopId());
    return QWidget::eventFilter(watched, event);
}

void TSpcRangePage::Left(int id)
{
    // The question box takes the focus from the field: no second check then.
    if (m_bChecking)
        return;
    m_bChecking = true;
    m_View.FieldLeft(id);
    m_bChecking = false;
}

void TSpcRangePage::FocusField(int id)
{
    QLineEdit* field = Field(id);
    QTimer::singleShot(0, field, [field] {
        field->setFocus();
        field->selectAll();
    });
}

void TSpcRangePage::Refresh()
{
    if (!m_pStart->hasFocus() || m_pStart->text().toStdString() != m_View.GetStartText())
        m_pStart->setText(QString::fromStdString(m_View.GetStartText()));
    if (!m_pStop->hasFocus() || m_pStop->text().toStdString() != m_View.GetStopText())
        m_pStop->setText(QString::fromStdString(m_View.GetStopText()));
    if (auto* data = dynamic_cast<clSpcDataDlg*>(&m_View)) {
        m_pCycles->setText(QString::number(data->GetCycles()));
        m_pSuccess->setText(QString::number(data->GetSuccesses()));
        m_pFailure->setText(QString::number(data->GetFailures()));
        const std::string serial = data->Serial().Text();
        m_pSerial->setText(serial.empty() ? QString("Off: every device gets the same image")
                                          : QString::fromStdString(serial));
    }
}

TSpcCnfgPage::TSpcCnfgPage(QWidget* parent, clSpcCnfgDlg& view) : QWidget(parent), m_View(view)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 10);
    m_pList = new QTreeWidget(this);
    m_pList->setObjectName("id4116");
    m_pList->setRootIsDecorated(false);
    m_pList->setHeaderLabels({"Value", "Config Byte"});
    m_pList->setColumnWidth(0, 60);
    m_pList->setColumnWidth(1, 80);
    m_pList->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    layout->addWidget(m_pList);
    connect(m_pList, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (m_bFilling || column != 0)
            return;
        const int row = m_pList->indexOfTopLevelItem(item);
        // A value that is not a byte goes back to what the buffer holds.
        if (!m_View.SetValue(row, item->text(0).toStdString()))
            Refresh();
    });
    m_View.SetWindow(this);
    Refresh();
}

void TSpcCnfgPage::Refresh()
{
    m_bFilling = true;
    const auto rows = m_View.Rows();
    if (m_pList->topLevelItemCount() != static_cast<int>(rows.size())) {
        m_pList->clear();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            auto* item = new QTreeWidgetItem(m_pList);
            item->setFlags(item->flags() | Qt::ItemIsEditable);
        }
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QTreeWidgetItem* item = m_pList->topLevelItem(static_cast<int>(i));
        item->setText(0, QString::fromStdString(rows[i].value));
        item->setText(1, QString::fromStdString(rows[i].label));
    }
    m_bFilling = false;
}

TSpcScrtyPage::TSpcScrtyPage(QWidget* parent, clSpcScrtyDlg& view) : QWidget(parent), m_View(view)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 10);
    auto* group = new QGroupBox("Security Lock Bits:", this);
    auto* bits = new QVBoxLayout(group);
    const char* labels[] = {"Lock Bit &1", "Lock Bit &2", "Lock Bit &3"};
    for (int n = 0; n < 3; ++n) {
        m_pLock[n] = new QCheckBox(labels[n], group);
        m_pLock[n]->setObjectName(QString("id%1").arg(idLockBit1 + n));
        bits->addWidget(m_pLock[n]);
        connect(m_pLock[n], &QCheckBox::clicked, this,
                [this, n](bool checked) { m_View.ClickLockBit(n + 1, checked); });
    }
    m_pEncryption = new QCheckBox("Encryption", group);
    m_pEncryption->setObjectName(QString("id%1").arg(idEncryption));
    bits->addWidget(m_pEncryption);
    connect(m_pEncryption, &QCheckBox::clicked, this, [this](bool checked) { m_View.ClickEncryption(checked); });
    layout->addWidget(group);
    layout->addStretch();
    m_View.SetWindow(this);
    Refresh();
}

void TSpcScrtyPage::Refresh()
{
    for (int n = 0; n < 3; ++n) {
        const bool shown = m_View.IsLockBitShown(n + 1);
        m_pLock[n]->setVisible(shown);
        m_pLock[n]->setEnabled(shown);
        m_pLock[n]->setChecked(m_View.IsLockBitSet(n + 1));
    }
    const bool encryption = m_View.IsEncryptionShown();
    m_pEncryption->setVisible(encryption);
    m_pEncryption->setEnabled(encryption);
    m_pEncryption->setChecked(encryption && m_View.IsEncryptionSet());
}

TSpcAllPage::TSpcAllPage(QWidget* parent, clSpcAllDlg& view) : QWidget(parent), m_View(view)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 10);
    layout->addWidget(new QLabel("Device spaces:", this));
    m_pList = new QListWidget(this);
    m_pList->setObjectName("id1025");
    layout->addWidget(m_pList);
    connect(m_pList, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!m_bFilling)
            m_View.SetChecked(static_cast<std::size_t>(m_pList->row(item)), item->checkState() == Qt::Checked);
    });
    m_View.SetWindow(this);
    Refresh();
}

void TSpcAllPage::Refresh()
{
    m_bFilling = true;
    const auto& entries = m_View.Entries();
    if (m_pList->count() != static_cast<int>(entries.size())) {
        m_pList->clear();
        for (const auto& entry : entries)
            m_pList->addItem(QString::fromStdString(entry.title));
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        QListWidgetItem* item = m_pList->item(static_cast<int>(i));
        // A space the programmer cannot take is listed but cannot be chosen.
        const bool enabled = m_View.IsEnabled(i);
        Qt::ItemFlags flags = Qt::ItemIsUserCheckable | Qt::ItemIsSelectable;
        if (enabled)
            flags |= Qt::ItemIsEnabled;
        item->setFlags(flags);
        item->setCheckState(enabled && m_View.IsChecked(i) ? Qt::Checked : Qt::Unchecked);
    }
    m_bFilling = false;
}

QWidget* QkMakeSpacePage(QWidget* parent, clSpcBaseDlg& view)
{
    switch (view.GetKind()) {
    case vwData:
    case vwOsd: return new TSpcRangePage(parent, static_cast<clSpcRangeDlg&>(view));
    case vwCnfg: return new TSpcCnfgPage(parent, static_cast<clSpcCnfgDlg&>(view));
    case vwScrty: return new TSpcScrtyPage(parent, static_cast<clSpcScrtyDlg&>(view));
    default: return new TSpcAllPage(parent, static_cast<clSpcAllDlg&>(view));
    }
}
