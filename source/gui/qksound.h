// Action sounds: the standard beep, or a wave file played without waiting.
#pragma once

#include <QObject>

#include "source/settings/qksnd.h"

class QSoundEffect;

class TQkSound : public QObject {
    Q_OBJECT
public:
    explicit TQkSound(QObject* parent = nullptr);
    void Play(const clSndActInfo& sound);
    // What was asked last ("beep", a file path, or ""), for a look from tests.
    const QString& GetLast() const { return m_sLast; }

private:
    QSoundEffect* m_pEffect = nullptr;
    QString m_sLast;
};
