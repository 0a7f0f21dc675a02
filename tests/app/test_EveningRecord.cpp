#include "Codec1254.h"
#include "DrawTables.h"
#include "EveningLog.h"
#include "EveningRecord.h"
#include "EveningResume.h"
#include "ProgramFolder.h"
#include "TableFiles.h"
#include "common/PageRigs.h"
#include "common/ScriptedFileDialogs.h"
#include "common/ScriptedMessages.h"
#include "common/TemporaryProgramFolder.h"
#include "common/TestFiles.h"

#include <QApplication>
#include <QBuffer>
#include <QCryptographicHash>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>

#ifdef QT_PRINTSUPPORT_LIB
#include <QAction>
#include <QCheckBox>
#include <QPrintPreviewDialog>
#include <QPointer>
#include <QPrintPreviewWidget>
#define HAVE_PRINT_PREVIEW 1
#endif

namespace {
const QString journalName = QStringLiteral("Cekilis-2026-12-31_19-58-00.txt");

QString sha256Of(const QString& path)
{
    return QString::fromLatin1(QCryptographicHash::hash(readAll(path), QCryptographicHash::Sha256).toHex());
}

QStringList recordText(const TEvening& evening, bool withParticipants = false)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(300);
    prepareRecordDevice(writer);
    TRecordOptions options;
    options.withParticipants = withParticipants;
    return layoutRecord(evening, options, writer).text();
}

// The first of `items` that is not found in `lines` after the one before it, each item being
// the start of a line; empty when all are there in order.
QString firstMissing(const QStringList& lines, const QStringList& items)
{
    qsizetype at = 0;
    for (const QString& item : items)
    {
        while (at < lines.size() && !lines.at(at).startsWith(item))
            ++at;
        if (at == lines.size())
            return item;
        ++at;
    }
    return QString();
}

// The exit code of "cekilis <arguments>", -1 when the command line asks for no record.
int runArguments(const QStringList& arguments)
{
    QList<QByteArray> bytes{"cekilis"};
    for (const QString& argument : arguments)
        bytes << QFile::encodeName(argument);
    QList<char*> argv;
    for (QByteArray& b : bytes)
        argv << b.data();
    argv << nullptr;
    return runRecordCommandIfAsked(int(bytes.size()), argv.data()).value_or(-1);
}

int runCommand(const QString& journal, const QString& out)
{
    return runArguments({QStringLiteral("--tutanak"), journal, out});
}
} // namespace

class TestEveningRecord : public QObject
{
    Q_OBJECT

private:
    // The evening held once for the whole test case, in a program folder of its own.
    std::unique_ptr<TemporaryProgramFolder> eveningFolder;
    QString eveningJournal;
    QStringList winners; // "name|extra|prize" in the order drawn
    QList<qint64> numbers;
    QString firstSha;
    QString changedSha;
    QStringList firstList;
    QStringList changedList;
    QDateTime now;
    std::unique_ptr<ScriptedMessages> messages;

    void at(int hour, int minute) { now = QDateTime(QDate(2026, 12, 31), QTime(hour, minute)); }

    static void copyRows(const TRxMemoryData& from, TRxMemoryData& to)
    {
        for (int row = 0; row < from.recordCount(); ++row)
        {
            to.append();
            for (int field = 0; field < from.fieldCount(); ++field)
                to.setFieldBytes(field, from.bytesAt(row, field));
            to.post();
        }
    }

    static void fill(PersonPageRig& rig, const QStringList& people)
    {
        for (const QString& person : people)
            rig.addPerson(person.section(QLatin1Char('|'), 0, 0), person.section(QLatin1Char('|'), 1));
        rig.addPrize(QStringLiteral("Buzdolabı"));
        rig.addPrize(QStringLiteral("Bisiklet"));
    }

    // Draws, a list changed midway, a draw after every prize was given, a crash in a reveal, the
    // next start going on with the evening, and a number draw.
    void holdEvening()
    {
        const QString kisi = programFolder() + QStringLiteral("Kisi.Ini");
        const auto clock = [this] { return now; };
        FakeClock fake;
        firstList = QStringList{QStringLiteral("Ayşe Yılmaz|Kadıköy"), QStringLiteral("Mehmet Öz|Üsküdar"),
                                QStringLiteral("Zeynep Çelik|"), QStringLiteral("Ali Can|Beşiktaş")};
        changedList = firstList + QStringList{QStringLiteral("Fatma Şahin|Şişli")};

        auto rig = std::make_unique<PersonPageRig>();
        fill(*rig, firstList);
        RxMemoryDataSaveToFile(rig->Kisi_T, kisi);
        firstSha = sha256Of(kisi);
        at(19, 58);
        rig->useJournal(dataFolder(), clock);
        rig->log->setEventName(QStringLiteral("Yılbaşı Kermesi"));
        rig->form.CheckEFEKT->setChecked(false);
        at(20, 5);
        rig->runDraw();
        at(20, 10);
        rig->runDraw();

        rig->addPerson(QStringLiteral("Fatma Şahin"), QStringLiteral("Şişli"));
        RxMemoryDataSaveToFile(rig->Kisi_T, kisi);
        changedSha = sha256Of(kisi);
        at(20, 15);
        messages->setNextAnswer(mrYes);
        rig->runDraw();

        // The power goes while the fourth winner's name is on its way to the screen.
        rig->form.CheckEFEKT->setChecked(true);
        fake.onSleep = [](int) { throw std::runtime_error("power cut"); };
        at(20, 20);
        messages->setNextAnswer(mrYes);
        rig->runDraw();
        fake.onSleep = {};
        QVERIFY(DrawRunning == false);
        rig.reset();

        PersonPageRig next;
        fill(next, changedList);
        next.form.CheckEFEKT->setChecked(false);
        at(20, 30);
        next.useJournal(dataFolder(), clock);
        messages->setNextAnswer(mrYes);
        {
            // The resume works on the tables the main window holds: the rig's are copied in and back.
            TDrawTables tables;
            for (TRxMemoryData* table : {tables.Kisi_T, tables.Hediye_T, tables.Kzn_T})
                table->open();
            copyRows(next.Kisi_T, *tables.Kisi_T);
            copyRows(next.Hediye_T, *tables.Hediye_T);
            offerToResumeEvening(dataFolder(), *next.journal, tables, next.c.SpinEdit1, nullptr, next.log.get());
            copyRows(*tables.Kzn_T, next.Kzn_T);
        }
        QCOMPARE(next.Kzn_T.recordCount(), 4);
        at(20, 35);
        messages->setNextAnswer(mrYes);
        next.runDraw();
        QCOMPARE(next.Kzn_T.recordCount(), 5);
        for (int row = 0; row < next.Kzn_T.recordCount(); ++row)
        {
            const QString name = next.Kzn_T.textAt(row, 0);
            QString extra;
            for (const QString& person : std::as_const(changedList))
                if (person.section(QLatin1Char('|'), 0, 0) == name)
                    extra = person.section(QLatin1Char('|'), 1);
            winners << name + QLatin1Char('|') + extra + QLatin1Char('|') + next.Kzn_T.textAt(row, 1);
        }

        NumberPageRig numberPage(next.journal.get(), next.log.get());
        numberPage.setBounds(1, 30, 5);
        numberPage.addRange(10, 20);
        at(20, 40);
        numberPage.draw->ZvWinButton1Click();
        numbers = numberPage.drawn();
        QCOMPARE(numbers.size(), 5);
        eveningJournal = next.journal->winnersFile();
        messages->clear();
    }

private Q_SLOTS:
    void initTestCase()
    {
        messages = std::make_unique<ScriptedMessages>();
        eveningFolder = std::make_unique<TemporaryProgramFolder>();
        QVERIFY(eveningFolder->isValid());
        holdEvening();
        QVERIFY(!eveningJournal.isEmpty());
    }

    void cleanupTestCase()
    {
        messages.reset();
        eveningFolder.reset();
    }

    void init() { messages->clear(); }

    void wholeEveningInOrder_data()
    {
        QTest::addColumn<bool>("withParticipants");
        QTest::addColumn<QStringList>("items");
        const auto time = [](int minute) { return QStringLiteral("20:%1:00").arg(minute, 2, 10, QLatin1Char('0')); };
        QTest::newRow("title, event, date, first and last draw")
            << false
            << QStringList{QStringLiteral("ÇEKİLİŞ TUTANAĞI"), QStringLiteral("Yılbaşı Kermesi"),
                           QStringLiteral("Tarih: 31.12.2026"),
                           QStringLiteral("İlk çekiliş: 20:05:00    Son çekiliş: 20:40:00")};
        QTest::newRow("list, its fingerprint, how to check it, the change")
            << false
            << QStringList{QStringLiteral("İlk çekilişte 4 katılımcı ve 2 hediye vardı."),
                           QStringLiteral("Çekilişin yapıldığı listenin (Kisi.Ini) SHA-256 parmak izi: ") + firstSha,
                           QStringLiteral("Herkes bunu denetleyebilir"),
                           QStringLiteral("Liste 20:15:00 saatinde değişti: 5 katılımcı, 2 hediye; yeni parmak izi: ") +
                               changedSha};
        QStringList drawn{QStringLiteral("Kazananlar (çekiliş sırasıyla)"), QStringLiteral("Sıra")};
        const int minutes[] = {5, 10, 15, 20, 35};
        for (qsizetype i = 0; i < winners.size(); ++i)
            drawn << QString::number(i + 1) << winners.at(i).split(QLatin1Char('|')) << time(minutes[i]);
        QTest::newRow("each winner: number, name, extra, prize, time") << false << drawn;
        QStringList taken;
        for (const qint64 n : numbers)
            taken << QString::number(n);
        QTest::newRow("number draw: range, count, excluded, numbers")
            << false
            << QStringList{QStringLiteral("Sayı Çekilişleri"),
                           QStringLiteral("1. sayı çekilişi (20:40:00): 1–30 aralığından 5 sayı istendi, 5 sayı "
                                          "çekildi."),
                           QStringLiteral("Çekilişe alınmayan aralıklar: 10–20"),
                           QStringLiteral("Çekilen sayılar (çekiliş sırasıyla): ") + taken.join(QStringLiteral(", "))};
        QTest::newRow("what happened")
            << false
            << QStringList{QStringLiteral("Çekiliş Sırasında Olanlar"),
                           QStringLiteral("20:15:00 — 3. çekiliş, tüm hediyeler verildikten sonra \"Çekiliş "
                                          "tamamlanmış\" uyarısı onaylanarak yapıldı."),
                           QStringLiteral("20:20:00 — 4. çekiliş, tüm hediyeler verildikten sonra"),
                           QStringLiteral("20:30:00 — Program yeniden açıldı ve çekilişe kaldığı yerden devam edildi "
                                          "(o ana kadar 4 kazanan çekilmişti)."),
                           QStringLiteral("20:30:00 — 4. kazananın adı gösterilirken program kapanmıştı"),
                           QStringLiteral("20:35:00 — 5. çekiliş, tüm hediyeler verildikten sonra")};
        QTest::newRow("method, committee and notary")
            << false
            << QStringList{QStringLiteral("Çekiliş Yöntemi"),
                           QStringLiteral("Her kazanan, o ana kadar kazanmamış katılımcılar arasından eşit olasılıkla"),
                           QStringLiteral("Çekiliş Kurulu"),
                           QStringLiteral("Başkan"),
                           QStringLiteral("Üye"),
                           QStringLiteral("Üye"),
                           QStringLiteral("Adı Soyadı"),
                           QStringLiteral("Adı Soyadı"),
                           QStringLiteral("Adı Soyadı"),
                           QStringLiteral("İmza"),
                           QStringLiteral("İmza"),
                           QStringLiteral("İmza"),
                           QStringLiteral("Noter"),
                           QStringLiteral("Adı Soyadı"),
                           QStringLiteral("İmza")};
        QStringList appendix{QStringLiteral("İmza"), QStringLiteral("Ek 1: Katılımcı Listesi")};
        for (qsizetype i = 0; i < firstList.size(); ++i)
            appendix << QString::number(i + 1) << firstList.at(i).split(QLatin1Char('|'));
        appendix << QStringLiteral("Ek 2: Katılımcı Listesi");
        for (qsizetype i = 0; i < changedList.size(); ++i)
            appendix << QString::number(i + 1) << changedList.at(i).split(QLatin1Char('|'));
        QTest::newRow("ticked: the lists drawn from, in stored order") << true << appendix;
    }

    void wholeEveningInOrder()
    {
        QFETCH(bool, withParticipants);
        QFETCH(QStringList, items);
        // Any of the evening's files names it.
        for (const QString& file : {eveningJournal, TEveningLog::eventsFile(eveningJournal)})
        {
            QString error;
            const std::optional<TEvening> evening = readEvening(file, &error);
            QVERIFY2(evening, qPrintable(error));
            const QStringList lines = recordText(*evening, withParticipants);
            QCOMPARE(firstMissing(lines, items), QString());
            QCOMPARE(lines.constLast(),
                     QStringLiteral("Sayfa %1 / %1").arg(lines.filter(QStringLiteral("Sayfa ")).size()));
        }
    }

    // The PDF itself: written whole, fonts with the Turkish letters inside, its text as laid out.
    void pdfOfTheEvening()
    {
        const QString out = QFileInfo(eveningJournal).absoluteDir().filePath(QStringLiteral("tutanak.pdf"));
        QCOMPARE(runCommand(eveningJournal, out), 0);
        const QByteArray pdf = readAll(out);
        QVERIFY(pdf.startsWith("%PDF-"));
        QVERIFY(pdf.contains("/FontFile2"));
        QVERIFY(pdf.trimmed().endsWith("%%EOF"));
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QProcess process;
        process.start(pdftotext, {QStringLiteral("-raw"), out, QStringLiteral("-")});
        QVERIFY(process.waitForFinished(60000));
        const QString text = QString::fromUtf8(process.readAllStandardOutput());
        const QStringList lines = text.split(QLatin1Char('\n'));
        QCOMPARE(firstMissing(lines, {QStringLiteral("ÇEKİLİŞ TUTANAĞI"), QStringLiteral("Yılbaşı Kermesi"),
                                      QStringLiteral("Tarih: 31.12.2026")}),
                 QString());
        for (const QString& winner : std::as_const(winners))
            QVERIFY2(text.contains(winner.section(QLatin1Char('|'), 0, 0)), qPrintable(winner));
        QVERIFY(text.contains(firstSha));
    }

    // "<journal>" and "<out>" stand for the evening's journal and a PDF beside it.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        const QString t = QStringLiteral("--tutanak");
        const QString j = QStringLiteral("<journal>");
        const QString o = QStringLiteral("<out>");
        QTest::newRow("record written") << QStringList{t, j, o} << 0;
        QTest::newRow("no file named") << QStringList{t} << 2;
        QTest::newRow("no PDF named") << QStringList{t, j} << 2;
        QTest::newRow("one name too many") << QStringList{t, j, o, o} << 2;
        QTest::newRow("PDF in a folder that is not there")
            << QStringList{t, j, QStringLiteral("<dir>/yok/tutanak.pdf")} << 1;
        QTest::newRow("a window start, not a record") << QStringList{QStringLiteral("--baska"), j, o} << -1;
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("komut.pdf"));
        for (QString& argument : arguments)
            argument.replace(QLatin1String("<journal>"), eveningJournal)
                .replace(QLatin1String("<out>"), out)
                .replace(QLatin1String("<dir>"), dir.path());
        QCOMPARE(runArguments(arguments), code);
        QCOMPARE(QFileInfo::exists(out), code == 0);
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("yok"))));
    }

    void damagedOrForeignFileRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("sideName");
        QTest::addColumn<QByteArray>("sideBytes");
        QTest::addColumn<QString>("error");
        const QString events = QStringLiteral("Cekilis-2026-12-31_19-58-00.Olaylar");
        const QByteArray header = "CEKILIS-OLAYLAR\t1\r\n";
        QTest::newRow("winner line without a TAB") << journalName << QByteArray("Ali\tTV\r\nVeli TV\r\n") << QString()
                                                   << QByteArray() << QStringLiteral("2. satırı okunamadı");
        QTest::newRow("control byte in a winner") << journalName << QByteArray("Ali\tTV\x01\r\n") << QString()
                                                  << QByteArray() << QStringLiteral("1. satırı okunamadı");
        QTest::newRow("binary file under a journal's name")
            << journalName << QByteArray("PK\x03\x04\0\0\x14", 7) << QString() << QByteArray()
            << QStringLiteral("1. satırı okunamadı");
        QTest::newRow("events file with a foreign first line")
            << events << QByteArray("merhaba\r\n") << QString() << QByteArray() << QStringLiteral("1. satırı");
        QTest::newRow("event with a broken number")
            << events << header + "2026-12-31T20:05:00\tKAZANAN\tbir\tAli\t\tTV\r\n"
            << QString() << QByteArray() << QStringLiteral("2. satırı");
        QTest::newRow("event without a time") << events << header + "KAZANAN\t1\tAli\t\tTV\r\n"
                                              << QString() << QByteArray() << QStringLiteral("2. satırı");
        QTest::newRow("number list with a word in it")
            << events << header + "2026-12-31T20:40:00\tSAYI\t1\t30\t2\t\tSayilar-2026-12-31_20-40-00.txt\r\n"
            << QStringLiteral("Sayilar-2026-12-31_20-40-00.txt") << QByteArray("12\r\non\r\n")
            << QStringLiteral("Sayilar-2026-12-31_20-40-00.txt\" bozuk: 2. satırı okunamadı");
        QTest::newRow("number list of no evening")
            << QStringLiteral("Sayilar-2026-12-31_20-40-00.txt") << QByteArray("5\r\n") << QString() << QByteArray()
            << QStringLiteral("hiçbir çekilişin olay kaydında geçmiyor");
        QTest::newRow("a file of another kind")
            << QStringLiteral("notlar.txt") << QByteArray("Ali\tTV\r\n") << QString() << QByteArray()
            << QStringLiteral("bir çekiliş kayıt dosyası değil");
        QTest::newRow("state file of an evening that left nothing")
            << QStringLiteral("Cekilis-2026-12-31_19-58-00.Ini") << QByteArray("[Cekilis]\r\n") << QString()
            << QByteArray() << QStringLiteral("için çekiliş kaydı bulunamadı");
    }

    void damagedOrForeignFileRefused()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, sideName);
        QFETCH(QByteArray, sideBytes);
        QFETCH(QString, error);
        QTemporaryDir dir;
        writeAll(dir.filePath(name), bytes);
        if (!sideName.isEmpty())
            writeAll(dir.filePath(sideName), sideBytes);
        const QString out = dir.filePath(QStringLiteral("tutanak.pdf"));
        QString told;
        QVERIFY(!writeRecordFile(dir.filePath(name), out, TRecordOptions(), &told));
        QVERIFY2(told.contains(error), qPrintable(told));
        QCOMPARE(told.count(QLatin1Char('\n')), 0);
        QCOMPARE(runCommand(dir.filePath(name), out), 1);
        QVERIFY(!QFileInfo::exists(out));
        QCOMPARE(readAll(dir.filePath(name)), bytes);
    }

    // A journal of a version without the events file, or one a power cut ended mid-line; and one
    // whose evening went on past midnight.
    void oldJournalStillMakesARecord_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("events");
        QTest::addColumn<QStringList>("items");
        const QStringList old{QStringLiteral("Tarih: 31.12.2026"),
                              QStringLiteral("Çekilişlerin saatleri bu kayıtta tutulmamış."),
                              QStringLiteral("Bu çekiliş, katılımcı sayısını ve listenin parmak izini kaydetmeyen")};
        QTest::newRow("two winners")
            << QByteArray("Ay\xFE"
                          "e\tBuzdolab\xFD\r\nVeli\tTV\r\n")
            << QByteArray()
            << old + QStringList{QStringLiteral("1"),         QStringLiteral("Ayşe"), QString(),
                                 QStringLiteral("Buzdolabı"), QStringLiteral("–"),    QStringLiteral("2"),
                                 QStringLiteral("Veli")};
        QTest::newRow("last line cut by a power cut")
            << QByteArray("Ali\tTV\r\nVel") << QByteArray()
            << old + QStringList{QStringLiteral("1"),  QStringLiteral("Ali"), QString(),
                                 QStringLiteral("TV"), QStringLiteral("–"),   QStringLiteral("Sayı Çekilişleri")};
        QTest::newRow("resumed after midnight")
            << QByteArray("Ali\tTV\r\nVeli\tSaat\r\n")
            << QByteArray("CEKILIS-OLAYLAR\t1\r\n2026-12-31T23:50:00\tKAZANAN\t1\tAli\t\tTV\r\n"
                          "2027-01-01T00:10:00\tDEVAM\t1\r\n2027-01-01T00:12:00\tKAZANAN\t2\tVeli\tSivas\tSaat\r\n")
            << QStringList{QStringLiteral("Tarih: 31.12.2026"),
                           QStringLiteral("İlk çekiliş: 23:50:00    Son çekiliş: 01.01.2027 00:12:00"),
                           QStringLiteral("1"),
                           QStringLiteral("Ali"),
                           QString(),
                           QStringLiteral("TV"),
                           QStringLiteral("23:50:00"),
                           QStringLiteral("2"),
                           QStringLiteral("Veli"),
                           QStringLiteral("Sivas"),
                           QStringLiteral("Saat"),
                           QStringLiteral("01.01.2027 00:12:00"),
                           QStringLiteral("01.01.2027 00:10:00 — Program yeniden açıldı")};
        QTest::newRow("no whole line") << QByteArray("Ali\t") << QByteArray()
                                       << old + QStringList{
                                                    QStringLiteral("Bu çekilişte kişi–hediye çekilişi yapılmadı.")};
    }

    void oldJournalStillMakesARecord()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, events);
        QFETCH(QStringList, items);
        QTemporaryDir dir;
        const QString journal = dir.filePath(journalName);
        writeAll(journal, bytes);
        if (!events.isEmpty())
            writeAll(TEveningLog::eventsFile(journal), events);
        QString error;
        const std::optional<TEvening> evening = readEvening(journal, &error);
        QVERIFY2(evening, qPrintable(error));
        QCOMPARE(firstMissing(recordText(*evening), items), QString());
        const QString out = dir.filePath(QStringLiteral("eski.pdf"));
        QCOMPARE(runCommand(journal, out), 0);
        QVERIFY(readAll(out).startsWith("%PDF-"));
        // Made again over its own PDF; never over a file that is not one.
        QCOMPARE(runCommand(journal, out), 0);
        QCOMPARE(runCommand(journal, journal), 1);
        QCOMPARE(readAll(journal), bytes);
    }

    // Large evenings page: every page numbered, the winners' table headed again on each page,
    // the numbers of a long draw carried over pages, nothing lost.
    void largeEveningPages_data()
    {
        QTest::addColumn<int>("winnerCount");
        QTest::addColumn<int>("numberCount");
        QTest::newRow("1,000 winners") << 1000 << 0;
        QTest::newRow("10,000 numbers") << 0 << 10000;
    }

    void largeEveningPages()
    {
        QFETCH(int, winnerCount);
        QFETCH(int, numberCount);
        TEvening evening;
        evening.hasEvents = true;
        for (int i = 1; i <= winnerCount; ++i)
            evening.winners.append({QStringLiteral("Kişi %1").arg(i), QStringLiteral("İl %1").arg(i % 81),
                                    QStringLiteral("Hediye %1").arg(i), QDateTime()});
        TEvening::Numbers draw;
        for (int i = 0; i < numberCount; ++i)
            draw.numbers.append(100000 + i * 7);
        if (numberCount > 0)
            evening.numberDraws.append(draw);

        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(300);
        prepareRecordDevice(writer);
        const TRecordLayout layout = layoutRecord(evening, TRecordOptions(), writer);
        const qsizetype pages = layout.pages.size();
        QVERIFY(pages > 3);
        for (qsizetype p = 0; p < pages; ++p)
        {
            const QStringList text = layout.pageText(p);
            QCOMPARE(text.constLast(), QStringLiteral("Sayfa %1 / %2").arg(p + 1).arg(pages));
            for (const TRecordLayout::Item& item : layout.pages.at(p))
                QVERIFY2(item.rect.bottom() <= writer.height() + 1, qPrintable(item.text));
        }
        const QStringList all = layout.text();
        if (winnerCount > 0)
        {
            QCOMPARE(layout.pageText(1).constFirst(), QStringLiteral("Sıra"));
            QCOMPARE(all.filter(QRegularExpression(QStringLiteral("^Kişi \\d+$"))).size(), winnerCount);
        }
        if (numberCount > 0)
        {
            const QString joined =
                all.filter(QRegularExpression(QStringLiteral("^(Çekilen sayılar|\\d+(,|$))"))).join(QLatin1Char(' '));
            QCOMPARE(joined.count(QLatin1Char(',')), numberCount - 1);
            QVERIFY(joined.endsWith(QString::number(100000 + (numberCount - 1) * 7)));
        }
    }

#ifdef HAVE_PRINT_PREVIEW
    // The preview of the real dialog: the appendix tick adds its pages; "PDF olarak kaydet" writes.
    void previewShowsTheRecord()
    {
        showEveningRecord(nullptr, eveningJournal);
        QPrintPreviewDialog* dialog = nullptr;
        const auto find = [&dialog] {
            const auto windows = QApplication::topLevelWidgets();
            for (QWidget* w : windows)
                if (w->objectName() == QLatin1String("TutanakOnizleme") && w->isVisible())
                    dialog = qobject_cast<QPrintPreviewDialog*>(w);
            return dialog != nullptr;
        };
        QTRY_VERIFY(find());
        auto* preview = dialog->findChild<QPrintPreviewWidget*>();
        QVERIFY(preview);
        QTRY_VERIFY(preview->pageCount() >= 1);
        const int pages = preview->pageCount();
        auto* tick = dialog->findChild<QCheckBox*>(QStringLiteral("CheckKATILIMCI"));
        QVERIFY(tick);
        tick->click();
        QTRY_VERIFY(preview->pageCount() > pages);

        ScriptedFileDialogs dialogs;
        const QString out = QFileInfo(eveningJournal).absoluteDir().filePath(QStringLiteral("onizleme.pdf"));
        dialogs.setNextFileName(out);
        auto* save = dialog->findChild<QAction*>(QStringLiteral("PdfKaydet"));
        QVERIFY(save);
        save->trigger();
        QVERIFY(readAll(out).startsWith("%PDF-"));
        // Closed, the preview goes with its printer.
        const QPointer<QPrintPreviewDialog> closed(dialog);
        dialog->close();
        QTRY_VERIFY(!closed);
    }
#endif

    // An event written after a line the power cut ended: the torn line goes, every line is whole.
    void eventsAppendAfterATornLine_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("kept");
        const QByteArray header = "CEKILIS-OLAYLAR\t1\r\n";
        const QByteArray whole = header + "2026-12-31T20:05:00\tKAZANAN\t1\tAli\t\tTV\r\n";
        QTest::newRow("torn event") << whole + "2026-12-31T20:0" << whole;
        QTest::newRow("torn line end") << whole + "2026-12-31T20:06:00\tDEVAM\t1\r" << whole;
        QTest::newRow("torn header") << QByteArray("CEKIL") << header;
        QTest::newRow("no file yet") << QByteArray() << header;
    }

    void eventsAppendAfterATornLine()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, kept);
        QTemporaryDir dir;
        TUnsavedEvening evening;
        evening.file = dir.filePath(journalName);
        const QString events = TEveningLog::eventsFile(evening.file);
        if (!before.isEmpty())
            writeAll(events, before);
        TDrawJournal journal(dir.path());
        journal.resume(evening);
        TEveningLog log(journal, [] { return QDateTime(QDate(2027, 1, 1), QTime(0, 10)); });
        log.resumed(1, 1);
        QCOMPARE(readAll(events), kept + "2027-01-01T00:10:00\tDEVAM\t1\r\n");
    }

    // An unchanged list is not hashed again at every draw; a changed one of the same size, written
    // long before the draw, still gets its line.
    void changedListOfTheSameSizeIsRecorded()
    {
        QTemporaryDir dir;
        const QString kisi = dir.filePath(QStringLiteral("Kisi.Ini"));
        const auto writeAged = [&](char letter, int minutesAgo) {
            writeAll(kisi, QByteArray(84, letter));
            QFile file(kisi);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-60 * minutesAgo),
                                     QFileDevice::FileModificationTime));
        };
        writeAged('a', 60);
        TDrawJournal journal(dir.path());
        TEveningLog log(journal);
        log.drawStarting(kisi, 1, 1, false, 1);
        log.drawStarting(kisi, 1, 1, false, 2);
        writeAged('b', 30);
        log.drawStarting(kisi, 1, 1, false, 3);
        QCOMPARE(readAll(log.file()).count("\tLISTE\t"), 2);
    }

    void nothingDrawnYetIsTold()
    {
        QTemporaryDir dir;
        showEveningRecord(nullptr, dir.filePath(journalName));
        QCOMPARE(messages->shown, QStringList{QStringLiteral("Bilgi: ") + noRecordYetText()});
    }
};

QTEST_MAIN(TestEveningRecord)
#include "test_EveningRecord.moc"
