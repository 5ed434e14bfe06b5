#include "source/gui/settings/settingdlg.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "qkdb/dbase32.h"
#include "source/base/appmngr.h"
#include "source/base/qk51err.h"
#include "source/gui/settings/aboutdlg.h"
#include "source/gui/settings/chpseldlg.h"
#include "source/gui/settings/setids.h"
#include "source/gui/settings/swoptdlg.h"

clSettingResult QkRunSettingDlg(const clSettingInput& input, std::function<void(const clSndActInfo&)> play,
                                QWidget* parent)
{
    clSettingDlg dialog(input, std::move(play), parent);
    dialog.exec();
    return dialog.Result();
}

clSettingDlg::clSettingDlg(const clSettingInput& input, std::function<void(const clSndActInfo&)> play, QWidget* parent)
    : QDialog(parent), m_pSession(std::make_unique<clSettingSession>(input))
{
    setObjectName("clSettingDlg");
    setWindowTitle("Settings");
    m_Result = m_pSession->Cancel();
    auto* layout = new QVBoxLayout(this);
    m_pTabs = new QTabWidget(this);
    m_pTabs->setObjectName(QkSetId(idSetTabs));
    m_pDevices = new clChpSelDlg(*m_pSession, m_pTabs);
    m_pOptions = new clSwOptDlg(*m_pSession, std::move(play), m_pTabs);
    m_pAbout = new clAboutDlg(QkSettingAboutLines(input.software, input.comm, *input.db), m_pTabs);
    m_pTabs->addTab(m_pDevices, "&Devices");
    m_pTabs->addTab(m_pOptions, "&Software Options");
    m_pTabs->addTab(m_pAbout, "&About");
    layout->addWidget(m_pTabs, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("&Ok", QDialogButtonBox::AcceptRole);
    ok->setObjectName(QkSetId(idSetOk));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
    cancel->setObjectName(QkSetId(idSetCancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(660, 540);
}

clSettingDlg::~clSettingDlg() = default;

void clSettingDlg::Complain(const std::string& text)
{
    QkAppErrMngr() << clQk51Err(0, text, erTypeError, erOptOk);
}

void clSettingDlg::accept()
{
    if (const std::string problem = m_pOptions->CommitPath(); !problem.empty()) {
        m_pTabs->setCurrentWidget(m_pOptions);
        Complain(problem);
        m_pOptions->PortPath()->setFocus();
        return;
    }
    if (const std::string problem = m_pSession->Check(); !problem.empty()) {
        m_pTabs->setCurrentWidget(m_pOptions);
        Complain(problem);
        m_pOptions->Frequency()->setFocus();
        m_pOptions->Frequency()->selectAll();
        return;
    }
    m_Result = m_pSession->Accept();
    QDialog::accept();
}

void clSettingDlg::reject()
{
    m_Result = m_pSession->Cancel();
    QDialog::reject();
}
