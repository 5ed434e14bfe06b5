#include "source/gui/settings/chpseldlg.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "source/gui/settings/setids.h"
#include "source/gui/settings/vndrchpwnd.h"

clChpSelDlg::clChpSelDlg(clSettingSession& session, QWidget* parent) : QWidget(parent), m_Session(session)
{
    setObjectName("clChpSelDlg");
    auto* grid = new QGridLayout(this);

    m_pFilter = new QComboBox(this);
    m_pFilter->setObjectName(QkSetId(idSetFilter));
    m_pFilter->setEditable(true);
    m_pFilter->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& entry : m_Session.History())
        m_pFilter->addItem(QString::fromStdString(entry));
    m_pFilter->setEditText(QString());
    auto* filterLabel = new QLabel("&Filter:", this);
    filterLabel->setBuddy(m_pFilter);
    grid->addWidget(filterLabel, 0, 0);
    grid->addWidget(m_pFilter, 0, 1);

    m_pVendor = new QComboBox(this);
    m_pVendor->setObjectName(QkSetId(idSetVendor));
    auto* vendorLabel = new QLabel("&Vendor:", this);
    vendorLabel->setBuddy(m_pVendor);
    grid->addWidget(vendorLabel, 0, 2);
    grid->addWidget(m_pVendor, 0, 3);

    auto* frame = new QGroupBox(this);
    frame->setObjectName(QkSetId(idSetDeviceList));
    auto* frameLayout = new QVBoxLayout(frame);
    m_pList = new clVndrChpWnd(frame);
    frameLayout->addWidget(m_pList);
    grid->addWidget(frame, 1, 0, 1, 4);

    m_pInfo = new QPlainTextEdit(this);
    m_pInfo->setObjectName(QkSetId(idSetDeviceInfo));
    m_pInfo->setReadOnly(true);
    m_pInfo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Room for the longest description (a device with four spaces and lock bits).
    const int margins = static_cast<int>(2 * m_pInfo->document()->documentMargin()) + 2 * m_pInfo->frameWidth();
    m_pInfo->setFixedHeight(m_pInfo->fontMetrics().lineSpacing() * 13 + margins);
    grid->addWidget(m_pInfo, 2, 0, 1, 4);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(1, 1);

    ShowVendors();
    ShowList();
    ShowInfo();

    connect(m_pFilter, &QComboBox::editTextChanged, this, &clChpSelDlg::FilterTyped);
    connect(m_pFilter, &QComboBox::activated, this, &clChpSelDlg::HistoryPicked);
    connect(m_pVendor, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_Session.ChooseVendor(index);
        ShowList();
        ShowInfo();
    });
    connect(m_pList, &clVndrChpWnd::chipChosen, this, [this](unsigned short chipId) {
        m_Session.ChooseDevice(chipId);
        ShowInfo();
    });
}

void clChpSelDlg::FilterTyped(const QString& text)
{
    m_Session.ApplyFilter(text.toStdString());
    ShowVendors();
    ShowList();
    ShowInfo();
}

void clChpSelDlg::HistoryPicked(int index)
{
    if (index < 0)
        return;
    m_Session.PickHistory(m_pFilter->itemText(index).toStdString());
    ShowVendors();
    ShowList();
    ShowInfo();
}

void clChpSelDlg::ShowVendors()
{
    const QSignalBlocker quiet(m_pVendor);
    m_pVendor->clear();
    for (const std::string& vendor : m_Session.Devices().VendorChoice())
        m_pVendor->addItem(QString::fromStdString(vendor));
    m_pVendor->setCurrentIndex(m_Session.Devices().ChosenVendor());
}

void clChpSelDlg::ShowList()
{
    m_pList->Fill(m_Session.Devices().List(), m_Session.ChosenDevice());
}

void clChpSelDlg::ShowInfo()
{
    // The description is in the Windows-1252 code page; its one mark beyond
    // ASCII (0xB2, a superscript two) reads the same in Latin-1.
    m_pInfo->setPlainText(QString::fromLatin1(m_Session.InfoText()));
}
