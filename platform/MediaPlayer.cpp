#include "MediaPlayer.h"

#include "Guard.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <utility>

// What both back ends share: the bookkeeping of the pending notification and the delivery of
// completions through the event loop. The devices themselves are in MediaPlayerQt.cpp (Linux,
// QtMultimedia) and MediaPlayerMci.cpp (Windows, the media control interface).

namespace {
const QEvent::Type DeliveryEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
} // namespace

std::string TMediaPlayer::describe(const char* what, const QString& path)
{
    return std::string(what) + ": " + QDir::toNativeSeparators(path).toStdString();
}

QFileInfo TMediaPlayer::playableFile(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        throw EMCIDeviceError(describe("The specified file cannot be found", path));
    if (!info.isFile())
        throw EMCIDeviceError(describe("The specified name is not a file", path));
    return info;
}

int TMediaPlayer::openWaitDepth = 0;
QList<QPointer<TMediaPlayer>> TMediaPlayer::holding;

TMediaPlayer::TMediaPlayer(QObject* parent) : QObject(parent)
{}

TMediaPlayer::~TMediaPlayer()
{
    if (device)
    {
        // Torn down without notifications: nobody is left to receive them.
        pending = false;
        Close();
    }
}

void TMediaPlayer::beginOpenWait()
{
    ++openWaitDepth;
}

void TMediaPlayer::endOpenWait()
{
    if (--openWaitDepth > 0)
        return;
    const auto players = std::exchange(holding, {});
    for (const QPointer<TMediaPlayer>& p : players)
    {
        if (!p)
            continue;
        for (int i = std::exchange(p->heldDeliveries, 0); i > 0; --i)
            QCoreApplication::postEvent(p.data(), new QEvent(DeliveryEvent));
    }
}

void TMediaPlayer::Rewind()
{
    setPosition(0);
}

void TMediaPlayer::complete(TMPNotifyValues value)
{
    pending = false;
    postCompletion(value);
}

void TMediaPlayer::postCompletion(TMPNotifyValues value)
{
    queued.append(value);
    QCoreApplication::postEvent(this, new QEvent(DeliveryEvent));
}

bool TMediaPlayer::event(QEvent* e)
{
    if (e->type() != DeliveryEvent)
        return QObject::event(e);
    guarded([&] {
        if (openWaitDepth > 0)
        {
            ++heldDeliveries;
            if (!holding.contains(this))
                holding.append(this);
            return;
        }
        if (queued.isEmpty())
            return;
        notifyValue = queued.takeFirst();
        emit OnNotify(this);
    });
    return true;
}
