// Times the evening's record: one event appended (what every draw pays, synced to the disk), an
// evening of 1,000 and of 10,000 winners read from its files, laid out and written as PDF, and
// the print preview of 1,000 winners opened until its pages are shown.
#include "DrawJournal.h"
#include "EveningLog.h"
#include "EveningRecord.h"
#include "Messages.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>

#ifdef QT_PRINTSUPPORT_LIB
#include <QPrintPreviewWidget>
#endif

namespace {
// An evening of `count` winners as the draws leave it: the journal and the events beside it.
QString writeEvening(const QString& folder, int count)
{
    const QString journal = QDir(folder).filePath(QStringLiteral("Cekilis-2026-12-31_19-58-%1.txt").arg(count % 60));
    QByteArray lines;
    QByteArray events = "CEKILIS-OLAYLAR\t1\r\n2026-12-31T20:00:00\tLISTE\t20000\t" + QByteArray::number(count) + "\t" +
                        QByteArray(64, 'a') + "\t\r\n";
    for (int i = 1; i <= count; ++i)
    {
        const QByteArray name = "Kat\xfdl\xfdmc\xfd " + QByteArray::number(i);
        const QByteArray prize = "Hediye paketi " + QByteArray::number(i);
        lines += winnerLine(name, prize);
        const QTime at = QTime(20, 0).addSecs(i * 3 % 14400);
        events += "2026-12-31T" + at.toString(QStringLiteral("HH:mm:ss")).toLatin1() + "\tKAZANAN\t" +
                  QByteArray::number(i) + '\t' + QString::fromLatin1(name).toUtf8() + "\t\xc4\xb0stanbul\t" + prize +
                  "\r\n";
    }
    QFile j(journal);
    QFile e(TEveningLog::eventsFile(journal));
    if (!j.open(QIODevice::WriteOnly) || !e.open(QIODevice::WriteOnly))
        return QString();
    j.write(lines);
    e.write(events);
    return journal;
}

double ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    {
        TDrawJournal journal(dir.path());
        TEveningLog log(journal);
        QElapsedTimer t;
        t.start();
        const int appends = 200;
        for (int i = 1; i <= appends; ++i)
            log.winnerPicked(i,
                             "Ay\xfe"
                             "e Y\xfdlmaz",
                             "Kad\xfdk\xf6y", "Buzdolab\xfd");
        std::printf("one event appended and synced: %.2f ms (mean of %d)\n", ms(t) / appends, appends);
    }

    for (const int count : {1000, 10000})
    {
        const QString journal = writeEvening(dir.path(), count);
        const QString out = dir.filePath(QStringLiteral("tutanak-%1.pdf").arg(count));
        QElapsedTimer t;
        t.start();
        QString error;
        if (!writeRecordFile(journal, out, TRecordOptions(), &error))
        {
            std::printf("%s\n", qPrintable(error));
            return 1;
        }
        const double total = ms(t);
        // Where the time goes: reading the files, laying the pages out, painting them.
        t.restart();
        const std::optional<TEvening> evening = readEvening(journal, &error);
        const double read = ms(t);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(300);
        prepareRecordDevice(writer);
        t.restart();
        const TRecordLayout layout = layoutRecord(*evening, TRecordOptions(), writer);
        const double laid = ms(t);
        std::printf("%d winners: record written as PDF in %.0f ms (%lld bytes, %lld pages; read %.0f ms, layout "
                    "%.0f ms)\n",
                    count, total, static_cast<long long>(QFileInfo(out).size()),
                    static_cast<long long>(layout.pages.size()), read, laid);
    }

#ifdef QT_PRINTSUPPORT_LIB
    {
        const QString journal = writeEvening(dir.path(), 1000);
        QElapsedTimer t;
        t.start();
        showEveningRecord(nullptr, journal);
        QPrintPreviewWidget* preview = nullptr;
        while (t.elapsed() < 30000)
        {
            QApplication::processEvents();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() == QLatin1String("TutanakOnizleme") && w->isVisible())
                    preview = w->findChild<QPrintPreviewWidget*>();
            if (preview && preview->pageCount() > 0)
                break;
        }
        std::printf("1000 winners: preview open with %d pages in %.0f ms\n", preview ? preview->pageCount() : 0, ms(t));
    }
#endif
    return 0;
}
