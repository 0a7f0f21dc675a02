#pragma once

#include <QFileInfo>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <stdexcept>
#include <string>

class QAudioOutput;
class QEventLoop;
class QMediaPlayer;

// Raised by a player command that fails: opening a missing or unplayable file, or playing or
// stopping while no device is open. The text says what went wrong and names the file.
class EMCIDeviceError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// How a play with notification ended.
enum TMPNotifyValues
{
    nvSuccessful, // played to the end of the media
    nvSuperseded, // a later play replaced it
    nvAborted,    // stopped, or its device closed
    nvFailure     // the media could not be played
};

enum TMPModes
{
    mpNotReady, // no device open
    mpStopped,
    mpPlaying,
    mpRecording,
    mpSeeking,
    mpPaused,
    mpOpen
};

// An invisible sound player with the command model of a classic multimedia device: a file is
// opened as a device, played from the current position, stopped (the position is kept) and
// closed. Open, Close and Stop complete before they return; Play returns at once.
//
// A play with Notify set registers one pending notification. It completes as successful at the
// end of the media, aborted by Stop, Close or a seek, superseded by a later Play, and failure on
// a playback error. The completion is delivered through the event loop like a window message:
// OnNotify(this) is emitted later, with NotifyValue telling the kind, so a completion of an
// earlier device can arrive after another file was opened. Open waits for the back end in a
// local event loop (timers run, user input waits); no completion is delivered meanwhile: they
// follow, in order, once it returns.
//
// On Linux backed by QMediaPlayer: without a sound card the GStreamer back end plays into a
// silent sink that keeps real time, so playback still progresses and reaches its end. On Windows
// backed by the system's media control interface (winmm's MCI, the device model imitated here):
// Open completes inside the MCI command, with no event loop, and a completion arrives as the
// device's MM_MCINOTIFY message.
class TMediaPlayer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString FileName READ FileName WRITE setFileName)
    Q_PROPERTY(bool AutoRewind READ AutoRewind WRITE setAutoRewind)
    Q_PROPERTY(bool Notify READ Notify WRITE setNotify)
    Q_PROPERTY(int NotifyValue READ NotifyValue)
    Q_PROPERTY(int Mode READ Mode)
    Q_PROPERTY(qint64 Position READ Position WRITE setPosition)
    Q_PROPERTY(qint64 Length READ Length)

public:
    explicit TMediaPlayer(QObject* parent = nullptr);
    ~TMediaPlayer() override;

    QString FileName() const { return fileName; }
    void setFileName(const QString& name) { fileName = name; }
    // On when the player is created: a Play at the end of the media starts from the beginning.
    bool AutoRewind() const { return autoRewind; }
    void setAutoRewind(bool on) { autoRewind = on; }
    // Whether Play registers a completion notification; on when the player is created.
    bool Notify() const { return notify; }
    void setNotify(bool on) { notify = on; }
    // The kind of the completion being delivered (or last delivered).
    TMPNotifyValues NotifyValue() const { return notifyValue; }
    TMPModes Mode() const;
    bool isOpen() const { return device != nullptr; }
    // Milliseconds from the start of the media. Length is 0 when no device is open, and may be 0
    // for a compressed stream whose length the back end has not worked out (now and then MP3).
    qint64 Position() const;
    qint64 Length() const;
    // A seek: stops playback (a pending notification is aborted) and moves the position.
    void setPosition(qint64 milliseconds);

    // Closes any open device, then opens FileName and waits until it is ready to play.
    // Throws EMCIDeviceError when the file is missing, is not a file, or holds no playable audio.
    void Open();
    // Does nothing when no device is open; never fails.
    void Close();
    // Plays from the current position (from the start, when AutoRewind is on and the position is
    // at the end). Throws EMCIDeviceError when no device is open.
    void Play();
    // Stops playback and keeps the position. Throws EMCIDeviceError when no device is open.
    void Stop();
    // Seeks to the start. Throws EMCIDeviceError when no device is open.
    void Rewind();

    // Longest time Open waits for the back end to accept or refuse a file.
    static constexpr int OpenTimeoutMs = 10000;

signals:
    void OnNotify(TMediaPlayer* sender);

protected:
    bool event(QEvent* e) override;

private:
    struct Device; // MediaPlayerQt.cpp (Linux) or MediaPlayerMci.cpp (Windows)

    void requireOpen(const char* command) const;
    // The file an Open is asked for, refused with the device's words when it is none.
    static QFileInfo playableFile(const QString& path);
    static std::string describe(const char* what, const QString& path);
    void complete(TMPNotifyValues value);
    void postCompletion(TMPNotifyValues value);
    void onStatusChanged(Device* d);
    void onError(Device* d, const QString& text);
    bool atEnd() const;

    static void beginOpenWait();
    static void endOpenWait();

    QString fileName;
    bool autoRewind = true;
    bool notify = true;
    TMPNotifyValues notifyValue = nvSuccessful;

    Device* device = nullptr;
    QEventLoop* openLoop = nullptr; // the wait of an Open in progress
    bool pending = false;           // a play with notification has not completed yet
    QList<TMPNotifyValues> queued;  // completions waiting to be delivered, oldest first
    int heldDeliveries = 0;         // delivery events that arrived while an Open was waiting

    static int openWaitDepth;
    static QList<QPointer<TMediaPlayer>> holding;
};
