// Figures of the platform media layer: how long a prize picture takes to decode, and how long
// the sound player blocks the user-interface thread on Open and how late its completions come.
//
//   build-*/bench/bench_media [fixtures folder]
#include "JpegDecoder.h"
#include "MediaPlayer.h"
#include "PictureLoader.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <vector>

namespace {

QTextStream out(stdout);

// A photo-like picture: gradients and shapes, so the JPEG holds real detail.
QImage scene(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, Qt::darkBlue);
    g.setColorAt(0.5, Qt::yellow);
    g.setColorAt(1, Qt::darkRed);
    p.fillRect(image.rect(), g);
    for (int i = 0; i < 200; ++i)
    {
        p.setBrush(QColor::fromHsv((i * 37) % 360, 200, 230));
        p.drawEllipse((i * 7919) % w, (i * 104729) % h, 40 + i % 300, 30 + i % 200);
    }
    return image;
}

double medianMs(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <class F> double timeMs(int runs, F&& f)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
    {
        QElapsedTimer t;
        t.start();
        f();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return medianMs(times);
}

void pictures(const QTemporaryDir& dir)
{
    for (const QSize size : {QSize(1024, 768), QSize(4000, 3000), QSize(8000, 6000)})
    {
        const QImage source = scene(size.width(), size.height());
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        source.save(&buffer, "JPG", 85);
        const QString jpgPath = dir.filePath(QStringLiteral("p.jpg"));
        const QString bmpPath = dir.filePath(QStringLiteral("p.bmp"));
        QFile f(jpgPath);
        f.open(QIODevice::WriteOnly);
        f.write(jpeg);
        f.close();
        source.save(bmpPath, "BMP");

        QImage decoded;
        const double jpgMs = timeMs(5, [&] { decoded = loadPicture(jpgPath); });
        const double bmpMs = timeMs(5, [&] { decoded = loadPicture(bmpPath); });
        const QImage fromJpeg = loadPicture(jpgPath);
        const QImage fromBmp = loadPicture(bmpPath);
        out << QStringLiteral(
                   "picture %1 x %2: JPEG %3 KiB decoded in %4 ms to %5 x %6 (%7 MiB); BMP %8 ms to %9 x %10\n")
                   .arg(size.width())
                   .arg(size.height())
                   .arg(jpeg.size() / 1024)
                   .arg(jpgMs, 0, 'f', 1)
                   .arg(fromJpeg.width())
                   .arg(fromJpeg.height())
                   .arg(double(fromJpeg.sizeInBytes()) / (1024 * 1024), 0, 'f', 1)
                   .arg(bmpMs, 0, 'f', 1)
                   .arg(fromBmp.width())
                   .arg(fromBmp.height());
        out.flush();
    }
}

void sounds(const QString& fixtures)
{
    for (const char* name : {"short.wav", "short.mp3", "long.wav"})
    {
        const QString path = fixtures + QStringLiteral("/media/") + QLatin1String(name);
        if (!QFile::exists(path))
        {
            out << "missing " << path << "\n";
            continue;
        }
        TMediaPlayer player;
        player.setFileName(path);
        std::vector<double> opens;
        std::vector<double> lates;
        for (int i = 0; i < 5; ++i)
        {
            QElapsedTimer t;
            t.start();
            player.Open();
            opens.push_back(double(t.nsecsElapsed()) / 1e6);
            bool done = false;
            const auto c = QObject::connect(&player, &TMediaPlayer::OnNotify, [&] { done = true; });
            t.restart();
            player.Play();
            while (!done)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            lates.push_back(double(t.nsecsElapsed()) / 1e6 - double(player.Length()));
            QObject::disconnect(c);
        }
        out << QStringLiteral("sound %1 (%2 ms): Open blocks %3 ms (median of 5, first %4 ms); "
                              "completion %5 ms after the end\n")
                   .arg(QLatin1String(name))
                   .arg(player.Length())
                   .arg(medianMs(opens), 0, 'f', 1)
                   .arg(opens.front(), 0, 'f', 1)
                   .arg(medianMs(lates), 0, 'f', 1);
        out.flush();
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_LOGGING_RULES", "qt.multimedia*=false");
    QApplication app(argc, argv);
    const QString fixtures =
        argc > 1 ? QString::fromLocal8Bit(argv[1])
                 : QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/../tests/fixtures");
    QTemporaryDir dir;
    pictures(dir);
    sounds(fixtures);
    return 0;
}
