#include "source/gui/settings/sndloaddlg.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "source/settings/sndpage.h"

clSndLoadDlg::clSndLoadDlg(const QString& folder, std::function<void(const clSndActInfo&)> play, QWidget* parent)
    : QDialog(parent), m_Play(std::move(play))
{
    setObjectName("clSndLoadDlg");
    setWindowTitle(kSoundFileTitle);
    auto* layout = new QVBoxLayout(this);
    // The chooser lives inside this box, so "&Play" sits beside its buttons.
    m_pChooser = new QFileDialog(this);
    m_pChooser->setOption(QFileDialog::DontUseNativeDialog);
    m_pChooser->setWindowFlags(Qt::Widget);
    m_pChooser->setFileMode(QFileDialog::ExistingFile);
    m_pChooser->setAcceptMode(QFileDialog::AcceptOpen);
    m_pChooser->setNameFilter("Sound File (*.wav)");
    m_pChooser->setDirectory(folder);
    m_pChooser->setSizeGripEnabled(false);
    layout->addWidget(m_pChooser);
    // A dialog starts hidden even as a child widget: show it inside the box.
    m_pChooser->setVisible(true);

    auto* row = new QHBoxLayout;
    m_pPlay = new QPushButton("&Play", this);
    m_pPlay->setObjectName("play");
    row->addWidget(m_pPlay);
    row->addStretch(1);
    layout->addLayout(row);

    // The chooser's own size hint is not passed up: give the box a file
    // chooser's usual size.
    resize(640, 420);

    connect(m_pPlay, &QPushButton::clicked, this, [this] {
        const QString file = Current();
        if (file.isEmpty() || !m_Play)
            return;
        clSndActInfo sound;
        sound.kind = sndWave;
        sound.file = file.toStdString();
        m_Play(sound);
    });
    connect(m_pChooser, &QFileDialog::fileSelected, this, [this](const QString& file) {
        m_sFile = file;
        accept();
    });
    connect(m_pChooser, &QFileDialog::rejected, this, &QDialog::reject);
}

QString clSndLoadDlg::Current() const
{
    const QStringList selected = m_pChooser->selectedFiles();
    if (selected.isEmpty() || !QFileInfo(selected.front()).isFile())
        return {};
    return selected.front();
}
