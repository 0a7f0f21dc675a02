#include "MediaPlayer.h"

#ifndef Q_OS_WIN

#include "Guard.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>
#include <utility>

// One opened file: the back-end player and what has been learnt about it.
struct TMediaPlayer::Device
{
    QMediaPlayer* player = nullptr;
    QAudioOutput* output = nullptr;
    bool opening = true; // Open is still waiting for the back end
    bool ready = false;  // the back end accepted the file
    bool failed = false;
    QString error;
    bool playing = false;
    bool ended = false;     // the position is at the end of the media
    qint64 endPosition = 0; // where the media ended, for streams that never report their length
};

TMPModes TMediaPlayer::Mode() const
{
    if (!device || device->opening)
        return mpNotReady;
    return device->playing ? mpPlaying : mpStopped;
}

qint64 TMediaPlayer::Position() const
{
    if (!device || device->opening)
        return 0;
    if (device->ended)
        return Length();
    return device->player->position();
}

qint64 TMediaPlayer::Length() const
{
    if (!device || device->opening)
        return 0;
    const qint64 duration = device->player->duration();
    return duration > 0 ? duration : device->endPosition;
}

bool TMediaPlayer::atEnd() const
{
    return device && device->ended;
}

void TMediaPlayer::requireOpen(const char* command) const
{
    if (!device || device->opening)
        throw EMCIDeviceError(std::string("Cannot ") + command + ": no media device is open");
}

void TMediaPlayer::Open()
{
    Close();

    // A copy: the player may be destroyed by a handler that runs while Open waits.
    const QString path = fileName;
    const QFileInfo info = playableFile(path);

    auto* d = new Device;
    d->player = new QMediaPlayer(this);
    d->output = new QAudioOutput(d->player);
    d->player->setAudioOutput(d->output);
    connectGuarded(d->player, &QMediaPlayer::mediaStatusChanged, this, [this, d] { onStatusChanged(d); });
    connectGuarded(d->player, &QMediaPlayer::errorOccurred, this,
                   [this, d](QMediaPlayer::Error, const QString& text) { onError(d, text); });
    device = d;

    // The back end loads asynchronously; wait for its verdict as a waiting command would.
    // Completions are held back meanwhile so no handler runs against a half-opened device.
    const QPointer<TMediaPlayer> self(this);
    {
        beginOpenWait();
        struct EndWait
        {
            ~EndWait() { TMediaPlayer::endOpenWait(); }
        } endWait;

        QEventLoop loop;
        QTimer timeout;
        timeout.setSingleShot(true);
        connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(d->player, &QMediaPlayer::mediaStatusChanged, &loop, &QEventLoop::quit);
        connect(d->player, &QMediaPlayer::errorOccurred, &loop, &QEventLoop::quit);
        openLoop = &loop;
        timeout.start(OpenTimeoutMs);
        d->player->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
        // Once the application has been told to quit, exec returns -1 at once without running
        // timers, so the timeout would never expire: give up instead of spinning.
        while (self && device == d && !d->ready && !d->failed && timeout.isActive())
            if (loop.exec(QEventLoop::ExcludeUserInputEvents) < 0)
                break;
        if (self)
            openLoop = nullptr;
    }
    if (!self || device != d)
        throw EMCIDeviceError(describe("The device was closed while it was being opened", path));

    if (d->ready && !d->failed && !d->player->hasAudio())
    {
        d->failed = true;
        d->error = QStringLiteral("no audio stream");
    }
    if (!d->ready || d->failed)
    {
        const std::string reason = d->failed
                                       ? (d->error.isEmpty() ? std::string("unsupported file") : d->error.toStdString())
                                       : std::string("the device did not answer in time");
        Close();
        throw EMCIDeviceError(describe("The file cannot be played", path) + " (" + reason + ")");
    }
    d->opening = false;
}

void TMediaPlayer::Close()
{
    if (!device)
        return;
    Device* d = std::exchange(device, nullptr);
    if (openLoop)
        openLoop->quit(); // an Open waiting for this device gives up at once
    if (pending)
        complete(nvAborted);
    QObject::disconnect(d->player, nullptr, this, nullptr);
    d->player->stop();
    // The back-end player may be inside one of its own signals; let it unwind first.
    d->player->deleteLater();
    delete d;
}

void TMediaPlayer::Play()
{
    requireOpen("play");
    Device* d = device;
    if (pending)
        complete(nvSuperseded);
    if (d->ended)
    {
        if (!autoRewind)
        {
            // Playing from the end to the end: nothing sounds and the play is over at once.
            if (notify)
                postCompletion(nvSuccessful);
            return;
        }
        d->player->setPosition(0);
        d->ended = false;
    }
    pending = notify;
    d->playing = true;
    d->player->play();
}

void TMediaPlayer::Stop()
{
    requireOpen("stop");
    if (pending)
        complete(nvAborted);
    if (device->playing)
    {
        device->playing = false;
        device->player->pause();
    }
}

void TMediaPlayer::setPosition(qint64 milliseconds)
{
    requireOpen("seek");
    Stop();
    const qint64 length = Length();
    const qint64 target = qBound<qint64>(0, milliseconds, length > 0 ? length : milliseconds);
    device->ended = length > 0 && target >= length;
    device->player->setPosition(target);
}

void TMediaPlayer::onStatusChanged(Device* d)
{
    if (d != device)
        return;
    switch (d->player->mediaStatus())
    {
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::BufferingMedia:
    case QMediaPlayer::BufferedMedia:
        d->ready = true;
        break;
    case QMediaPlayer::EndOfMedia:
        d->ready = true;
        d->ended = true;
        d->endPosition = qMax(d->endPosition, d->player->position());
        d->playing = false;
        if (pending)
            complete(nvSuccessful);
        break;
    case QMediaPlayer::InvalidMedia:
        onError(d, d->player->errorString());
        break;
    default:
        break;
    }
}

void TMediaPlayer::onError(Device* d, const QString& text)
{
    if (d != device)
        return;
    if (d->opening)
    {
        d->failed = true;
        if (d->error.isEmpty())
            d->error = text;
        return;
    }
    d->playing = false;
    if (pending)
        complete(nvFailure);
}

#endif // Q_OS_WIN
