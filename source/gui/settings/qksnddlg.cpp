#include "source/gui/settings/qksnddlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "source/gui/settings/setids.h"
#include "source/gui/settings/sndloaddlg.h"

namespace {
constexpr int kSoundWidth = 270; // the combo's width, which a long path is cut to
}

clQkSndDlg::clQkSndDlg(clSndPage& page, std::function<void(const clSndActInfo&)> play, QWidget* parent)
    : QGroupBox("Sound options", parent), m_Page(page), m_Play(std::move(play))
{
    setObjectName("clQkSndDlg");
    auto* grid = new QGridLayout(this);

    m_pActions = new QListWidget(this);
    m_pActions->setObjectName(QkSetId(idSetActions));
    for (const clSndActInfo& action : m_Page.Sounds().Actions())
        m_pActions->addItem(QString::fromStdString(action.name));
    // Every action in sight, no scrolling.
    m_pActions->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pActions->setFixedHeight(m_pActions->sizeHintForRow(0) * m_pActions->count() + 2 * m_pActions->frameWidth() + 4);
    auto* actionsLabel = new QLabel("Actio&ns:", this);
    actionsLabel->setBuddy(m_pActions);
    grid->addWidget(actionsLabel, 0, 0, 1, 3);
    grid->addWidget(m_pActions, 1, 0, 1, 3);

    m_pSound = new QComboBox(this);
    m_pSound->setObjectName(QkSetId(idSetSound));
    m_pSound->setFixedWidth(kSoundWidth);
    auto* soundLabel = new QLabel("So&und:", this);
    soundLabel->setBuddy(m_pSound);
    grid->addWidget(soundLabel, 2, 0, 1, 3);
    grid->addWidget(m_pSound, 3, 0, 1, 3);

    m_pOpen = new QPushButton("Open", this);
    m_pOpen->setObjectName(QkSetId(idSetSoundOpen));
    m_pPlay = new QPushButton("Play", this);
    m_pPlay->setObjectName(QkSetId(idSetSoundPlay));
    m_pMute = new QCheckBox("Mute", this);
    m_pMute->setObjectName(QkSetId(idSetMute));
    m_pMute->setChecked(m_Page.IsMuted());
    grid->addWidget(m_pOpen, 4, 0);
    grid->addWidget(m_pPlay, 4, 1);
    grid->addWidget(m_pMute, 4, 2);
    grid->setRowStretch(5, 1);

    connect(m_pActions, &QListWidget::currentRowChanged, this, [this](int row) {
        m_Page.SelectAction(row);
        ShowSound();
    });
    connect(m_pSound, &QComboBox::activated, this, [this](int entry) { m_Page.ChooseEntry(entry); });
    connect(m_pOpen, &QPushButton::clicked, this, &clQkSndDlg::OpenFile);
    connect(m_pPlay, &QPushButton::clicked, this, [this] {
        if (const clSndActInfo* sound = m_Page.PlaySound(); sound != nullptr && m_Play)
            m_Play(*sound);
    });
    connect(m_pMute, &QCheckBox::toggled, this, [this](bool on) { m_Page.SetMute(on); });
    m_pActions->setCurrentRow(0);
}

void clQkSndDlg::ShowSound()
{
    const QSignalBlocker quiet(m_pSound);
    m_pSound->clear();
    const QFontMetrics metrics = m_pSound->fontMetrics();
    // Room for the text beside the drop-down arrow.
    const int room = kSoundWidth - 40;
    const auto fits = [&](const std::string& text) {
        return metrics.horizontalAdvance(QString::fromStdString(text)) <= room;
    };
    for (const std::string& entry : m_Page.Entries(fits))
        m_pSound->addItem(QString::fromStdString(entry));
    m_pSound->setCurrentIndex(m_Page.CurrentEntry());
    const clSndActInfo* current = m_Page.Current();
    m_pSound->setToolTip(current != nullptr && current->kind == sndWave ? QString::fromStdString(current->file)
                                                                        : QString());
    m_pOpen->setEnabled(current != nullptr);
    m_pPlay->setEnabled(current != nullptr);
}

void clQkSndDlg::OpenFile()
{
    const clSndActInfo* current = m_Page.Current();
    if (current == nullptr)
        return;
    QString folder = QDir::homePath();
    // The current file's folder, while it is there.
    if (!current->file.empty()) {
        const QString own = QFileInfo(QString::fromStdString(current->file)).path();
        if (QDir(own).exists())
            folder = own;
    }
    clSndLoadDlg dialog(folder, m_Play, this);
    m_pLoad = &dialog;
    const int answer = dialog.exec();
    m_pLoad = nullptr;
    if (answer != QDialog::Accepted || dialog.File().isEmpty())
        return;
    m_Page.SetFile(dialog.File().toStdString());
    ShowSound();
}
