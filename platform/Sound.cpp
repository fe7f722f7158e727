#include "platform/Sound.h"

#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace Sound
{
namespace
{
bool g_muted = false;
QStringList g_history;
} // namespace

bool play(const QString& path)
{
    g_history << path;
    const QFileInfo info(path);
    const QString real = AppPaths::findFileNoCase(info.path(), info.fileName());
    if (!QFileInfo(real).isFile())
        return false;
    if (g_muted || !QCoreApplication::instance() || QMediaDevices::audioOutputs().isEmpty())
        return true;
    // The effect owns itself: it is deleted once it has finished playing, so
    // the caller never waits and nothing leaks.
    auto* effect = new QSoundEffect(QCoreApplication::instance());
    QObject::connect(effect, &QSoundEffect::playingChanged, effect, [effect] {
        if (!effect->isPlaying() && effect->status() != QSoundEffect::Loading)
            effect->deleteLater();
    });
    QObject::connect(effect, &QSoundEffect::statusChanged, effect, [effect] {
        if (effect->status() == QSoundEffect::Error)
            effect->deleteLater();
        else if (effect->status() == QSoundEffect::Ready)
            effect->play();
    });
    effect->setSource(QUrl::fromLocalFile(real));
    return true;
}

void setMuted(bool muted)
{
    g_muted = muted;
}

QStringList history()
{
    return g_history;
}

void clearHistory()
{
    g_history.clear();
}

} // namespace Sound
