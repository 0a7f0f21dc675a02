#include "MediaPlayer.h"

#ifdef Q_OS_WIN

#include "Guard.h"

#include <QDir>
#include <QFileInfo>
#include <memory>
#include <string>
#include <utility>
#include <windows.h>
// needs the types of windows.h
#include <mmsystem.h>

// The Windows back end: the system's media control interface (winmm), a device per opened file.
// MCI plays WAV itself and MP3 through the system's decoders; it reports the end of a play with
// notification as an MM_MCINOTIFY message to a window. Aborted and superseded plays are told by
// the common code the moment Stop, Close or Play is called, as on Linux; from MCI only the
// successful end and a failure are taken.

namespace {
const wchar_t notifyWindowClass[] = L"CekilisMciDevice";

std::string errorText(MCIERROR error)
{
    wchar_t text[256] = {};
    if (!mciGetErrorStringW(error, text, DWORD(std::size(text))))
        return "MCI error " + std::to_string(error);
    return QString::fromWCharArray(text).toStdString();
}

template <typename Parameters> MCIERROR send(MCIDEVICEID id, UINT command, DWORD_PTR flags, Parameters& parameters)
{
    return mciSendCommandW(id, command, flags, reinterpret_cast<DWORD_PTR>(&parameters));
}

DWORD_PTR status(MCIDEVICEID id, DWORD item)
{
    MCI_STATUS_PARMS parameters{};
    parameters.dwItem = item;
    return send(id, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, parameters) == 0 ? parameters.dwReturn : 0;
}
} // namespace

// One opened file: its MCI device and the window its completions are posted to. The window
// lives exactly as long as the device, so a completion still on its way from a closed device
// is dropped with the window and can never reach a later device, even one given the same id.
struct TMediaPlayer::Device
{
    TMediaPlayer* owner = nullptr;
    MCIDEVICEID id = 0;
    HWND window = nullptr;
    bool opening = false; // MCI opens while the command waits: never seen half-open
    bool playing = false;
    bool ended = false; // a play reached the end of the media and nothing moved since

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message != MM_MCINOTIFY)
            return DefWindowProcW(window, message, wParam, lParam);
        auto* d = reinterpret_cast<Device*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (d)
            guarded([&] {
                if (wParam == MCI_NOTIFY_SUCCESSFUL)
                    d->owner->onStatusChanged(d);
                else if (wParam == MCI_NOTIFY_FAILURE)
                    d->owner->onError(d, QStringLiteral("playback failed"));
            });
        return 0;
    }

    void createWindow()
    {
        static const bool registered = [] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = &Device::windowProc;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = notifyWindowClass;
            return RegisterClassW(&windowClass) != 0;
        }();
        if (registered)
            window = CreateWindowExW(0, notifyWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
        if (window)
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }

    void close()
    {
        MCI_GENERIC_PARMS parameters{};
        send(id, MCI_CLOSE, MCI_WAIT, parameters);
        if (window)
            DestroyWindow(window);
    }

    qint64 length() const { return qint64(status(id, MCI_STATUS_LENGTH)); }

    void seek(qint64 milliseconds)
    {
        MCI_SEEK_PARMS parameters{};
        parameters.dwTo = DWORD(milliseconds);
        send(id, MCI_SEEK, MCI_TO | MCI_WAIT, parameters);
    }
};

void TMediaPlayer::requireOpen(const char* command) const
{
    if (!device)
        throw EMCIDeviceError(std::string("Cannot ") + command + ": no media device is open");
}

TMPModes TMediaPlayer::Mode() const
{
    if (!device)
        return mpNotReady;
    return device->playing ? mpPlaying : mpStopped;
}

qint64 TMediaPlayer::Position() const
{
    if (!device)
        return 0;
    if (device->ended)
        return Length();
    return qint64(status(device->id, MCI_STATUS_POSITION));
}

qint64 TMediaPlayer::Length() const
{
    return device ? device->length() : 0;
}

bool TMediaPlayer::atEnd() const
{
    if (!device)
        return false;
    const qint64 length = device->length();
    return device->ended || (length > 0 && qint64(status(device->id, MCI_STATUS_POSITION)) >= length);
}

void TMediaPlayer::Open()
{
    Close();

    const QString path = fileName;
    const QFileInfo info = playableFile(path);

    // The device type is the one the system names for the file's extension; the wide path
    // reaches the file whatever letters its folders hold.
    const std::wstring element = QDir::toNativeSeparators(info.absoluteFilePath()).toStdWString();
    MCI_OPEN_PARMSW open{};
    open.lpstrElementName = element.c_str();
    if (const MCIERROR error = send(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_WAIT, open))
        throw EMCIDeviceError(describe("The file cannot be played", path) + " (" + errorText(error) + ")");

    auto d = std::make_unique<Device>();
    d->owner = this;
    d->id = open.wDeviceID;
    MCI_SET_PARMS format{};
    format.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
    MCIERROR error = send(d->id, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, format);
    if (!error)
    {
        d->createWindow();
        if (!d->window)
            error = MCIERR_OUT_OF_MEMORY;
    }
    if (error)
    {
        d->close();
        throw EMCIDeviceError(describe("The file cannot be played", path) + " (" + errorText(error) + ")");
    }
    device = d.release();
}

void TMediaPlayer::Close()
{
    if (!device)
        return;
    std::unique_ptr<Device> d(std::exchange(device, nullptr));
    if (pending)
        complete(nvAborted);
    d->close();
}

void TMediaPlayer::Play()
{
    requireOpen("play");
    Device* d = device;
    if (pending)
        complete(nvSuperseded);
    if (atEnd())
    {
        if (!autoRewind)
        {
            // Playing from the end to the end: nothing sounds and the play is over at once.
            if (notify)
                postCompletion(nvSuccessful);
            return;
        }
        d->seek(0);
    }
    d->ended = false;
    // Always with notification: the end of a play without one still stops the device here.
    MCI_PLAY_PARMS play{};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(d->window);
    if (send(d->id, MCI_PLAY, MCI_NOTIFY, play) != 0)
    {
        d->playing = false;
        if (notify)
            postCompletion(nvFailure);
        return;
    }
    pending = notify;
    d->playing = true;
}

void TMediaPlayer::Stop()
{
    requireOpen("stop");
    if (pending)
        complete(nvAborted);
    if (device->playing)
    {
        device->playing = false;
        // Some devices go back to the start when stopped: the position is kept by hand.
        const qint64 position = qint64(status(device->id, MCI_STATUS_POSITION));
        MCI_GENERIC_PARMS parameters{};
        send(device->id, MCI_STOP, MCI_WAIT, parameters);
        if (qint64(status(device->id, MCI_STATUS_POSITION)) != position)
            device->seek(position);
    }
}

void TMediaPlayer::setPosition(qint64 milliseconds)
{
    requireOpen("seek");
    Stop();
    const qint64 length = Length();
    const qint64 target = qBound<qint64>(0, milliseconds, length > 0 ? length : milliseconds);
    device->seek(target);
    device->ended = length > 0 && target >= length;
}

// MCI_NOTIFY_SUCCESSFUL: a play reached its end.
void TMediaPlayer::onStatusChanged(Device* d)
{
    if (d != device || !d->playing)
        return;
    // The end of an earlier play that was told only after the next one had started.
    if (status(d->id, MCI_STATUS_MODE) == MCI_MODE_PLAY)
        return;
    d->playing = false;
    d->ended = true;
    if (pending)
        complete(nvSuccessful);
}

// MCI_NOTIFY_FAILURE: the device could not go on playing.
void TMediaPlayer::onError(Device* d, const QString&)
{
    if (d != device)
        return;
    d->playing = false;
    if (pending)
        complete(nvFailure);
}

#endif // Q_OS_WIN
