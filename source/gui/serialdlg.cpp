#include "source/gui/serialdlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The source kinds as the combo box lists them, and their prefixes.
constexpr const char* kKinds[][3] = {
    {"None", "", ""},
    {"Counter", "counter:", "START or START:STEP, e.g. 1000 or 0x1B00:1"},
    {"List file", "list:", "a file, one value a line: hex bytes or \"quoted text\""},
    {"Command", "exec:", "prints the value; QKJTAG_SERIAL_SEQ holds its place"},
};

QComboBox* Choice(QWidget* parent, const char* name, std::initializer_list<const char*> items)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    for (const char* item : items)
        box->addItem(item);
    return box;
}

} // namespace

clSerialDlg::clSerialDlg(const clSerialSettings& settings, QWidget* parent) : QDialog(parent), m_Settings(settings)
{
    setObjectName("clSerialDlg");
    setWindowTitle("Serial Numbers");
    auto* form = new QFormLayout;
    m_pKind = Choice(this, "serialKind", {kKinds[0][0], kKinds[1][0], kKinds[2][0], kKinds[3][0]});
    m_pSource = new QLineEdit(this);
    m_pSource->setObjectName("serialSource");
    m_pSourceHint = new QLabel(this);
    m_pSourceHint->setObjectName("serialHint");
    m_pAddress = new QLineEdit(this);
    m_pAddress->setObjectName("serialAddress");
    m_pWidth = new QSpinBox(this);
    m_pWidth->setObjectName("serialWidth");
    m_pWidth->setRange(1, 8);
    m_pWidth->setSuffix(" bytes");
    m_pFormat = Choice(this, "serialFormat", {"Binary", "Packed BCD", "ASCII decimal", "ASCII hexadecimal"});
    m_pEndian = Choice(this, "serialEndian", {"Little endian", "Big endian"});
    m_pLedger = new QLineEdit(this);
    m_pLedger->setObjectName("serialLedger");
    m_pLedger->setPlaceholderText("a file, or postgresql://...");
    m_pLedger->setMinimumWidth(340); // a path or a server's address reads whole
    auto* browse = new QPushButton("&Browse...", this);
    auto* ledgerRow = new QHBoxLayout;
    ledgerRow->addWidget(m_pLedger, 1);
    ledgerRow->addWidget(browse);
    m_pStale = Choice(this, "serialStale", {"Retire it", "Give it to the next device"});
    m_pFailed = Choice(this, "serialFailed", {"Retire it", "Give it to the next device"});
    form->addRow("&Source:", m_pKind);
    form->addRow("&Value:", m_pSource);
    form->addRow("", m_pSourceHint);
    form->addRow("&Address:", m_pAddress);
    form->addRow("&Width:", m_pWidth);
    form->addRow("&Format:", m_pFormat);
    form->addRow("Byte &order:", m_pEndian);
    auto* ledgerLabel = new QLabel("&Ledger:", this);
    ledgerLabel->setBuddy(m_pLedger);
    form->addRow(ledgerLabel, ledgerRow);
    form->addRow("A cycle cut &off:", m_pStale);
    form->addRow("A failed &board's:", m_pFailed);

    m_pProblem = new QLabel(this);
    m_pProblem->setObjectName("serialProblem");
    m_pProblem->setStyleSheet("color: #b00000");
    m_pProblem->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_pProblem);
    layout->addWidget(buttons);

    int kind = 0;
    for (int k = 1; k < 4; ++k)
        if (settings.source.rfind(kKinds[k][1], 0) == 0)
            kind = k;
    m_pKind->setCurrentIndex(kind);
    m_pSource->setText(
        QString::fromStdString(kind == 0 ? "" : settings.source.substr(std::string(kKinds[kind][1]).size())));
    m_pAddress->setText(QString("0x%1").arg(settings.address, 0, 16).toUpper().replace("0X", "0x"));
    m_pWidth->setValue(settings.layout.width);
    m_pFormat->setCurrentIndex(static_cast<int>(settings.layout.format));
    m_pEndian->setCurrentIndex(settings.layout.bigEndian ? 1 : 0);
    m_pLedger->setText(QString::fromStdString(settings.ledger));
    m_pStale->setCurrentIndex(settings.policy.reuseStale ? 1 : 0);
    m_pFailed->setCurrentIndex(settings.policy.reuseFailed ? 1 : 0);
    KindChanged();

    connect(m_pKind, &QComboBox::currentIndexChanged, this, [this] { KindChanged(); });
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString file =
            QFileDialog::getSaveFileName(this, "Ledger", m_pLedger->text(), "Ledgers (*.ledger);;All (*)", nullptr,
                                         QFileDialog::DontConfirmOverwrite);
        if (!file.isEmpty())
            m_pLedger->setText(file);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (Take())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void clSerialDlg::KindChanged()
{
    const int kind = m_pKind->currentIndex();
    m_pSourceHint->setText(kKinds[kind][2]);
    for (QWidget* field : std::initializer_list<QWidget*>{m_pSource, m_pAddress, m_pWidth, m_pFormat, m_pEndian,
                                                          m_pLedger, m_pStale, m_pFailed})
        field->setEnabled(kind != 0);
}

bool clSerialDlg::Take()
{
    clSerialSettings settings;
    const int kind = m_pKind->currentIndex();
    if (kind == 0) {
        m_Settings = settings;
        return true;
    }
    settings.source = kKinds[kind][1] + m_pSource->text().trimmed().toStdString();
    bool ok = false;
    settings.address = m_pAddress->text().trimmed().toUInt(&ok, 0);
    settings.layout.width = m_pWidth->value();
    settings.layout.format = static_cast<clSerialFormat>(m_pFormat->currentIndex());
    settings.layout.bigEndian = m_pEndian->currentIndex() == 1;
    settings.ledger = m_pLedger->text().trimmed().toStdString();
    settings.policy.reuseStale = m_pStale->currentIndex() == 1;
    settings.policy.reuseFailed = m_pFailed->currentIndex() == 1;
    std::string problem;
    if (!ok)
        problem = "The address is a number: 0x-hexadecimal or decimal.";
    else if (settings.ledger.empty())
        problem = "Name the ledger: every value is recorded there before it is used.";
    else if (!QkMakeSerialSource(settings.source, settings.layout, problem))
        problem[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(problem[0])));
    else
        problem.clear();
    m_pProblem->setText(QString::fromStdString(problem));
    if (!problem.empty())
        return false;
    m_Settings = settings;
    return true;
}
