#include "source/gui/qksound.h"

#include <QApplication>
#include <QSoundEffect>
#include <QUrl>

TQkSound::TQkSound(QObject* parent) : QObject(parent) {}

void TQkSound::Play(const clSndActInfo& sound)
{
    if (sound.kind == sndBeep) {
        m_sLast = "beep";
        QApplication::beep();
    } else if (sound.kind == sndWave && !sound.file.empty()) {
        m_sLast = QString::fromStdString(sound.file);
        if (m_pEffect == nullptr)
            m_pEffect = new QSoundEffect(this);
        m_pEffect->setSource(QUrl::fromLocalFile(m_sLast));
        m_pEffect->play();
    }
}
