#include "source/gui/settings/swoptdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "comm/comports.h"
#include "comm/qkcomm.h"
#include "qkdb/dbase32.h"
#include "source/gui/settings/qksnddlg.h"
#include "source/gui/settings/setids.h"

clSwOptDlg::clSwOptDlg(clSettingSession& session, std::function<void(const clSndActInfo&)> play, QWidget* parent)
    : QWidget(parent), m_Session(session)
{
    setObjectName("clSwOptDlg");
    const clSettingInput& input = m_Session.Input();
    clSettingResult& edits = m_Session.Edits();
    auto* columns = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    // The port, its device path and the crystal.
    auto* link = new QGroupBox("Communication", this);
    auto* linkGrid = new QGridLayout(link);
    m_pPort = new QComboBox(link);
    m_pPort->setObjectName(QkSetId(idSetPort));
    auto* portLabel = new QLabel("Co&mmunication port:", link);
    portLabel->setBuddy(m_pPort);
    linkGrid->addWidget(portLabel, 0, 0, 1, 3);
    linkGrid->addWidget(m_pPort, 1, 0, 1, 3);
    m_pPath = new QLineEdit(link);
    m_pPath->setObjectName(QkSetId(idSetPortPath));
    m_pPath->setToolTip("The device this COM number opens, for example /dev/serial/by-id/... or a qksim link. "
                        "Empty: the port found on this machine.");
    auto* pathLabel = new QLabel("Device pat&h:", link);
    pathLabel->setBuddy(m_pPath);
    linkGrid->addWidget(pathLabel, 2, 0);
    linkGrid->addWidget(m_pPath, 2, 1, 1, 2);
    m_pPathNote = new QLabel(link);
    m_pPathNote->setObjectName("pathNote");
    m_pPathNote->setWordWrap(true);
    m_pPathNote->setStyleSheet("color: #b00000");
    m_pPathNote->hide();
    linkGrid->addWidget(m_pPathNote, 3, 0, 1, 3);
    m_pXtal = new QLineEdit(QString::fromStdString(edits.frequency), link);
    m_pXtal->setObjectName(QkSetId(idSetXtal));
    m_pXtal->setMaxLength(static_cast<int>(kFrequencyMax));
    auto* xtalLabel = new QLabel("Xtal:", link);
    xtalLabel->setObjectName(QkSetId(idSetXtalLabel));
    xtalLabel->setBuddy(m_pXtal);
    auto* xtalUnit = new QLabel("Hz, K or M", link);
    xtalUnit->setObjectName(QkSetId(idSetXtalUnit));
    linkGrid->addWidget(xtalLabel, 4, 0);
    linkGrid->addWidget(m_pXtal, 4, 1);
    linkGrid->addWidget(xtalUnit, 4, 2);
    for (QWidget* widget :
         {static_cast<QWidget*>(xtalLabel), static_cast<QWidget*>(m_pXtal), static_cast<QWidget*>(xtalUnit)})
        widget->setVisible(input.showFrequency);
    left->addWidget(link);

    // What runs before every program operation, and production use.
    auto* automatic = new QGroupBox("Automatic", this);
    auto* autoLayout = new QVBoxLayout(automatic);
    clAutoOptions& options = edits.autoOptions;
    QCheckBox* blank = Check(idSetAutoBlnkChk, "&Blank check", options.blnkChk != 0);
    QCheckBox* erase = Check(idSetAutoErase, "&Erase", options.erase != 0);
    m_pSigChk = Check(idSetAutoSigChk, "S&ignature check", options.sigChk != 0);
    m_pSigChk->setEnabled(false);
    QCheckBox* robot = Check(idSetAutoRobot, "&Robot mode", options.robot != 0);
    robot->setToolTip("Shows \"&Robot\": the programmer then programs on its own at each press of its start button.");
    QCheckBox* flash = Check(idSetAllowFlash, "Allow f&lash programming", edits.flash);
    flash->setToolTip("Shows \"&Flash\": stores the project in the programmer.");
    QCheckBox* ignore = Check(idSetIgnoreStartStop, "I&gnore start/stop buttons", edits.ignoreStartStop);
    QCheckBox* boot = Check(idSetBootUpdate, "Allow Boot S&W update", edits.bootUpdate);
    // For the programmer's maker ("ADMIN"): the menu toggles the start/stop buttons for everyone else.
    ignore->setVisible(input.admin);
    boot->setVisible(input.admin);
    for (QCheckBox* box : {blank, erase, m_pSigChk, robot, flash, ignore, boot})
        autoLayout->addWidget(box);
    left->addWidget(automatic);
    m_pPgmUpdate = new QPushButton("&Programmer SW update", this);
    m_pPgmUpdate->setObjectName(QkSetId(idSetPgmUpdate));
    m_pPgmUpdate->setEnabled(QkCanUpdateProgrammer(input.comm));
    m_pPgmUpdate->setToolTip("Restarts the programmer into its boot monitor: it takes new software when it "
                             "connects again.");
    left->addWidget(m_pPgmUpdate, 0, Qt::AlignLeft);
    left->addStretch(1);

    auto* style = new QGroupBox("Buttons", this);
    auto* styleLayout = new QVBoxLayout(style);
    auto* standard = new QRadioButton("S&tandard Buttons", style);
    standard->setObjectName(QkSetId(idSetStdButtons));
    auto* flyOver = new QRadioButton("&Fly-Over Buttons", style);
    flyOver->setObjectName(QkSetId(idSetFlyOver));
    (edits.flyOver ? flyOver : standard)->setChecked(true);
    styleLayout->addWidget(standard);
    styleLayout->addWidget(flyOver);
    right->addWidget(style);
    m_pSounds = new clQkSndDlg(m_Session.Sounds(), std::move(play), this);
    right->addWidget(m_pSounds);
    right->addStretch(1);

    ShowPorts();
    m_pPort->setCurrentIndex(QkPortEntryIndex(m_Session.Ports(), m_Session.ChosenPort()));
    PortChosen(m_pPort->currentIndex());

    connect(m_pPort, &QComboBox::currentIndexChanged, this, &clSwOptDlg::PortChosen);
    connect(m_pPath, &QLineEdit::editingFinished, this, [this] { CommitPath(); });
    connect(m_pPath, &QLineEdit::textEdited, this, [this](const QString& text) {
        const std::string problem = QkPortPathProblem(text.trimmed().toStdString());
        m_pPathNote->setText(QString::fromStdString(problem));
        m_pPathNote->setVisible(!problem.empty());
    });
    connect(m_pXtal, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_Session.Edits().frequency = text.toStdString(); });
    auto flag = [](QCheckBox* box, auto apply) { QObject::connect(box, &QCheckBox::toggled, box, apply); };
    flag(blank, [this](bool on) { m_Session.Edits().autoOptions.blnkChk = on ? 1 : 0; });
    flag(erase, [this](bool on) { m_Session.Edits().autoOptions.erase = on ? 1 : 0; });
    flag(m_pSigChk, [this](bool on) { m_Session.Edits().autoOptions.sigChk = on ? 1 : 0; });
    flag(robot, [this](bool on) { m_Session.Edits().autoOptions.robot = on ? 1 : 0; });
    flag(flash, [this](bool on) { m_Session.Edits().flash = on; });
    flag(ignore, [this](bool on) { m_Session.Edits().ignoreStartStop = on; });
    flag(boot, [this](bool on) { m_Session.Edits().bootUpdate = on; });
    connect(flyOver, &QRadioButton::toggled, this, [this](bool on) { m_Session.Edits().flyOver = on; });
    connect(m_pPgmUpdate, &QPushButton::clicked, this, &clSwOptDlg::UpdateProgrammer);
}

QCheckBox* clSwOptDlg::Check(int id, const char* text, bool checked)
{
    auto* box = new QCheckBox(text, this);
    box->setObjectName(QkSetId(id));
    box->setChecked(checked);
    return box;
}

void clSwOptDlg::ShowPorts()
{
    const QSignalBlocker quiet(m_pPort);
    const int current = m_pPort->currentIndex();
    m_pPort->clear();
    for (const clPortEntry& entry : m_Session.Ports())
        m_pPort->addItem(QString::fromStdString(m_Session.PortText(entry)), entry.port);
    m_pPort->setCurrentIndex(current);
}

void clSwOptDlg::PortChosen(int index)
{
    const int port = index < 0 ? -1 : m_pPort->itemData(index).toInt();
    if (index >= 0)
        m_Session.ChoosePort(port);
    const bool com = port > 0;
    m_pPath->setEnabled(com);
    m_pPath->setText(com ? QString::fromStdString(m_Session.PortPath(port)) : QString());
    const std::string found = com ? ComPortPath(port) : std::string();
    m_pPath->setPlaceholderText(
        com ? (found.empty() ? QString("no device found for this COM number") : QString::fromStdString(found))
            : QString());
    m_pPathNote->hide();
}

std::string clSwOptDlg::CommitPath()
{
    const int port = m_Session.ChosenPort();
    if (port <= 0)
        return {};
    const std::string path = m_pPath->text().trimmed().toStdString();
    if (path == m_Session.PortPath(port))
        return {};
    std::string problem = m_Session.SetPortPath(port, path);
    m_pPathNote->setText(QString::fromStdString(problem));
    m_pPathNote->setVisible(!problem.empty());
    if (problem.empty())
        ShowPorts();
    return problem;
}

void clSwOptDlg::showEvent(QShowEvent* event)
{
    bool available = false;
    if (const unsigned short chip = m_Session.ChosenDevice() != 0 ? m_Session.ChosenDevice() : m_Session.Input().device;
        chip != 0 && m_Session.Input().db != nullptr) {
        try {
            available = m_Session.Input().db->GetChipInfo(chip).IsSigChkAvail() != 0;
        } catch (const clBscExpt&) {
        }
    }
    m_pSigChk->setEnabled(available);
    QWidget::showEvent(event);
}

void clSwOptDlg::UpdateProgrammer()
{
    clQKComm* comm = m_Session.Input().comm;
    if (comm == nullptr)
        return;
    // Whatever the programmer answered, the line is made again when the
    // dialog closes: a restarted programmer, or one the failure disconnected.
    m_Session.RequestReconnect();
    m_pPgmUpdate->setEnabled(false);
    try {
        comm->ForceRebootSeq();
    } catch (const clBscExpt&) {
        // The communication library has shown what went wrong.
    }
}
