#include "DrawJournal.h"
#include "EveningResume.h"
#include "ProgramFolderLock.h"
#include "SaveFile.h"
#include "common/ScriptedMessages.h"
#include "common/TestFiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Starts a run of the program (the journal child) and waits for the first line it says.
QByteArray startAndListen(QProcess& child, const QStringList& arguments,
                          const QString& program = QStringLiteral(JOURNAL_CHILD))
{
    child.start(program, arguments);
    if (!child.waitForStarted())
        return "not started";
    QByteArray said;
    while (!said.contains('\n') && child.state() == QProcess::Running && child.waitForReadyRead(60000))
        said += child.readAllStandardOutput();
    return said.trimmed();
}

void killOutright(QProcess& child)
{
    child.kill(); // SIGKILL: no close, no destructor, no flush at exit
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
}

QByteArray numberLines(QByteArray numbers)
{
    return numbers.replace(',', "\r\n") + "\r\n";
}
} // namespace

// Runs of the program killed outright: what the audience saw is in the journal already, byte for
// byte; a copy that still runs keeps a second one out of its folder, a killed one does not.
class TestDrawJournalKill : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedDuringOrAfterTheDraw_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("ownFolder");
        QTest::newRow("right after a person-prize draw") << "person"
                                                         << "Cekilis-" << false;
        QTest::newRow("after the second letter of a slow reveal") << "reveal"
                                                                  << "Cekilis-" << false;
        QTest::newRow("right after a number draw") << "number"
                                                   << "Sayilar-" << false;
        QTest::newRow("in the middle of a paced number draw") << "paced"
                                                              << "Sayilar-" << false;
        // The program copied into a folder whose name holds letters outside ASCII finds its own
        // folder from its executable's path and journals there.
        QTest::newRow("person-prize draw, program in a folder named Çekiliş") << "person"
                                                                              << "Cekilis-" << true;
    }
    void killedDuringOrAfterTheDraw()
    {
        QFETCH(QString, kind);
        QFETCH(QString, prefix);
        QFETCH(bool, ownFolder);
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        QDir dir(temporary.path());
        QString program = QStringLiteral(JOURNAL_CHILD);
        if (ownFolder)
        {
            QVERIFY(dir.mkdir(QStringLiteral("Çekiliş Programı")) && dir.cd(QStringLiteral("Çekiliş Programı")));
            const QString copy = dir.filePath(QFileInfo(program).fileName());
            QVERIFY(QFile::copy(program, copy));
            program = copy;
        }
        QProcess child;
        const QByteArray said = startAndListen(child, {ownFolder ? QStringLiteral("-") : dir.path(), kind}, program);
        QVERIFY2(!said.isEmpty() && !said.startsWith("not"), said + child.readAllStandardError());
        killOutright(child);

        const QDir data(dir.filePath(QStringLiteral("Data")));
        const QStringList files = data.entryList({prefix + QStringLiteral("*.txt")}, QDir::Files);
        QCOMPARE(files.size(), 1);
        const QByteArray journal = readAll(data.filePath(files.first()));
        if (kind == QLatin1String("person") || kind == QLatin1String("reveal"))
        {
            QCOMPARE(journal, QByteArray("\xDEule \xC7"
                                         "a\xF0\t\xDCt\xFC\r\n"));
            // The next start's question warns that the hall may not have read the whole name
            // exactly when the kill cut the reveal short.
            const std::optional<TUnsavedEvening> evening = TDrawJournal::findUnsaved(data.path());
            QVERIFY(evening);
            QCOMPARE(resumeEveningText(*evening).contains(QStringLiteral("gösterilirken program kapanmıştı")),
                     kind == QLatin1String("reveal"));
        }
        else if (kind == QLatin1String("number"))
            QCOMPARE(journal, numberLines(said.mid(int(sizeof "recorded"))));
        else
        {
            // Every number on the screen when the run was killed, in order, and the draw unfinished.
            QVERIFY(said.startsWith("shown "));
            QVERIFY2(journal.startsWith(numberLines(said.mid(int(sizeof "shown")))), journal);
            QVERIFY(journal.count('\n') < 1000);
        }

        // The next start offers what was on the screen: the winner, told as cut off only when the
        // kill came before the name's last letter; the number draw, to be completed when cut short.
        const TStartupJournals found = TDrawJournal::findAtStart(data.path());
        QCOMPARE(found.notices, QStringList());
        if (prefix == QLatin1String("Cekilis-"))
        {
            QVERIFY(found.evening);
            QCOMPARE(found.evening->winners.size(), 1);
            QCOMPARE(found.evening->cutOff, kind == QLatin1String("reveal"));
            return;
        }
        QVERIFY(found.numbers);
        QByteArray offered;
        for (qint64 n : found.numbers->numbers)
            offered += QByteArray::number(n) + "\r\n";
        QCOMPARE(offered, journal.left(journal.lastIndexOf('\n') + 1));
        QCOMPARE(found.numbers->finished, kind == QLatin1String("number"));
        QVERIFY(found.numbers->requested >= found.numbers->numbers.size());
    }

    void secondCopyInTheSameFolder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ScriptedMessages messages;
        QProcess first;
        QCOMPARE(startAndListen(first, {dir.path(), QStringLiteral("lock")}), QByteArray("locked"));
        {
            TProgramFolderLock second(dir.path());
            QVERIFY(!claimProgramFolder(second));
            // The message names the lock file, so a lock left by something else can be found.
            const QString lockFile = dir.filePath(TProgramFolderLock::bareName());
            QCOMPARE(messages.shown,
                     QStringList{QStringLiteral("Bilgi: ") + TProgramFolderLock::alreadyRunningText(lockFile)});
            QVERIFY(messages.shown.first().contains(QLatin1Char('"') + QDir::toNativeSeparators(lockFile)));
        }
        // A copy in another folder is not kept out.
        QTemporaryDir other;
        TProgramFolderLock elsewhere(other.path());
        QVERIFY(elsewhere.acquire());

        // The killed copy leaves its lock file; the next start takes the folder all the same.
        killOutright(first);
        QVERIFY(QFileInfo::exists(dir.filePath(TProgramFolderLock::bareName())));
        TProgramFolderLock next(dir.path());
        QVERIFY(claimProgramFolder(next));
        QCOMPARE(messages.shown.size(), 1);
    }

    // A lock file found at start blocks only while a copy really runs in this folder and holds it;
    // in a folder that takes no new file the lock is held elsewhere and still keeps a second copy out.
    void lockFoundAtStart_data()
    {
        QTest::addColumn<QByteArray>("content"); // the lock file found; "-": none
        QTest::addColumn<int>("age");            // seconds since the lock file was written
        QTest::addColumn<QString>("running");    // here, elsewhere (a copy the lock names), or none
        QTest::addColumn<bool>("fullFolder");    // the folder takes no new file
        QTest::addColumn<bool>("claimed");
        const QByteArray none("-");
        const QByteArray mine = QByteArray::number(QCoreApplication::applicationPid()) + "\ncekilis\n" +
                                QSysInfo::machineHostName().toUtf8() + "\n";
        QTest::newRow("empty lock, just written") << QByteArray() << 0 << QString() << false << true;
        QTest::newRow("empty lock, a minute old") << QByteArray() << 60 << QString() << false << true;
        QTest::newRow("garbage lock") << QByteArray("\xFF\xFE garbage\n\n\0x", 14) << 60 << QString() << false << true;
        QTest::newRow("lock naming a running process that is not a copy here")
            << mine << 60 << QString() << false << true;
        QTest::newRow("lock naming a copy running in another folder")
            << none << 0 << QStringLiteral("elsewhere") << false << true;
        QTest::newRow("a copy runs here") << none << 0 << QStringLiteral("here") << false << false;
        QTest::newRow("a copy runs here, its lock file emptied")
            << QByteArray() << 60 << QStringLiteral("here") << false << false;
        QTest::newRow("folder takes no new file, a copy runs here")
            << none << 0 << QStringLiteral("here") << true << false;
        QTest::newRow("folder takes no new file, nothing runs") << none << 0 << QString() << true << true;
    }
    void lockFoundAtStart()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, age);
        QFETCH(QString, running);
        QFETCH(bool, fullFolder);
        QFETCH(bool, claimed);
        QTemporaryDir dir;
        QTemporaryDir other;
        QVERIFY(dir.isValid() && other.isValid());
        QString folder = dir.path();
        QStringList mounted;
        if (fullFolder)
        {
            // A file system of its own with every inode taken.
            folder = dir.filePath(QStringLiteral("full"));
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("full")));
            if (QProcess::execute(QStringLiteral("mount"),
                                  {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                   QStringLiteral("nr_inodes=4"), QStringLiteral("tmpfs"), folder}) != 0)
                QSKIP("mounting a tmpfs is not permitted here");
            mounted << folder;
            for (int i = 0; QFile(QDir(folder).filePath(QString::number(i))).open(QIODevice::WriteOnly); ++i)
            {}
        }
        const auto unmount = qScopeGuard([&] {
            for (const QString& m : mounted)
                QProcess::execute(QStringLiteral("umount"), {m});
        });
        ScriptedMessages messages;
        QProcess copy;
        if (!running.isEmpty())
        {
            const QString where = running == QLatin1String("here") ? folder : other.path();
            QCOMPARE(startAndListen(copy, {where, QStringLiteral("lock")}), QByteArray("locked"));
            if (running == QLatin1String("elsewhere"))
                content = readAll(QDir(other.path()).filePath(TProgramFolderLock::bareName()));
        }
        const QString lockFile = QDir(folder).filePath(TProgramFolderLock::bareName());
#ifdef Q_OS_WIN
        if (content != "-" && running == QLatin1String("here"))
            QSKIP("Windows lets nothing write a lock file its copy holds");
#endif
        if (content != "-")
        {
            if (!fullFolder && running != QLatin1String("here"))
                writeAll(lockFile, content);
            else if (QFileInfo::exists(lockFile))
                QVERIFY(QFile::resize(lockFile, 0));
            QFile f(lockFile);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-age), QFileDevice::FileModificationTime));
        }
        {
            TProgramFolderLock lock(folder);
            QCOMPARE(claimProgramFolder(lock), claimed);
            if (claimed)
                QCOMPARE(messages.shown, QStringList());
            else
                QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: ") +
                                                     TProgramFolderLock::alreadyRunningText(lock.fileName())});
            // Where the folder takes no file, the lock is held beside it, in the same place for every copy.
            QCOMPARE(lock.fileName(), TProgramFolderLock::candidates(folder).at(fullFolder ? 2 : 0));
            // A lock this copy holds keeps the next one out.
            if (claimed)
            {
                TProgramFolderLock second(folder);
                QVERIFY(!second.acquire());
                QCOMPARE(second.fileName(), lock.fileName());
            }
        }
        if (copy.state() == QProcess::Running)
            killOutright(copy);
        // Once nothing runs, the folder is free again.
        TProgramFolderLock after(folder);
        QVERIFY(after.acquire());
    }

    // Killed half-way through writing "Kisi.Ini" in place (3000 bytes over 840): the next start
    // puts the old content back onto that torn file only, and says what it did in one line.
    void inPlaceWriteKilledHalfWay_data()
    {
        QTest::addColumn<QString>("after");    // what happened to the folder after the kill
        QTest::addColumn<QByteArray>("found"); // "Kisi.Ini" as the next start finds it, "" for torn
        QTest::addColumn<QString>("outcome");  // restored, left (a newer file), finished, unused
        const QByteArray none;
        QTest::newRow("torn file") << QString() << none << QStringLiteral("restored");
        QTest::newRow("temporary folder emptied by a reboot")
            << QStringLiteral("reboot") << none << QStringLiteral("restored");
        QTest::newRow("newer list put in place, shorter")
            << QString() << QByteArray(2000, 'Y') << QStringLiteral("left");
        QTest::newRow("newer list put in place, the torn size")
            << QString() << QByteArray(3000, 'Z') << QStringLiteral("left");
        QTest::newRow("newer list: the new content with one record changed")
            << QString() << QByteArray(1500, 'N') + QByteArray(84, 'Q') + QByteArray(1416, 'N')
            << QStringLiteral("left");
        QTest::newRow("the write had ended, its copy left")
            << QString() << QByteArray(3000, 'N') << QStringLiteral("finished");
        QTest::newRow("the file still as it was") << QString() << QByteArray(840, 'o') << QStringLiteral("kept");
        QTest::newRow("copy damaged") << QStringLiteral("damage copy") << none << QStringLiteral("unused");
    }
    void inPlaceWriteKilledHalfWay()
    {
        QFETCH(QString, after);
        QFETCH(QByteArray, found);
        QFETCH(QString, outcome);
        QTemporaryDir dir;
        QTemporaryDir systemTemporary;
        QVERIFY(dir.isValid() && systemTemporary.isValid());
        const QString kisi = dir.filePath(QStringLiteral("Kisi.Ini"));
        const QByteArray old(840, 'o');
        writeAll(kisi, old);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), systemTemporary.path());
        child.setProcessEnvironment(environment);
        QCOMPARE(startAndListen(child, {dir.path(), QStringLiteral("inplace")}), QByteArray("half"));
        killOutright(child);
        const QByteArray torn = readAll(kisi);
        QCOMPARE(torn.left(1024), QByteArray(1024, 'N'));
        QCOMPARE(torn.mid(1024), QByteArray(1976, '\0'));
        // The copy of the old content lives beside the data, not in the system's temporary folder.
        const QString copy = InPlaceCopyName(kisi);
        QCOMPARE(QFileInfo(copy).absolutePath(), dir.filePath(QStringLiteral("Data")));
        QVERIFY(QFileInfo::exists(copy));
        if (after == QLatin1String("reboot"))
            QVERIFY(systemTemporary.remove());
        if (after == QLatin1String("damage copy"))
        {
            QFile f(copy);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(f.size() - 1) && f.write("x") == 1);
        }
        if (!found.isEmpty())
            writeAll(kisi, found);

        const QStringList told =
            RestoreInterruptedInPlaceWrites(dir.path(), {QStringLiteral("Ayar.Ini"), QStringLiteral("Kisi.Ini")});
        QCOMPARE(told.size(), outcome == QLatin1String("finished") ? 0 : 1);
        const QString line = told.value(0);
        QVERIFY(!line.contains(u'\n'));
        if (!told.isEmpty())
            QVERIFY2(line.startsWith(QLatin1Char('"') + QDir::toNativeSeparators(kisi) + QLatin1Char('"')),
                     qPrintable(line));
        if (outcome == QLatin1String("restored"))
        {
            QCOMPARE(readAll(kisi), old);
            QVERIFY(line.contains(QStringLiteral("geri getirildi")));
        }
        else if (outcome == QLatin1String("left"))
        {
            QCOMPARE(readAll(kisi), found);
            QVERIFY(line.contains(QStringLiteral("olduğu gibi bırakıldı")));
            const QStringList aside =
                QDir(dir.filePath(QStringLiteral("Data"))).entryList({QStringLiteral("Kisi.Ini.onceki-*")});
            QCOMPARE(aside.size(), 1);
            QCOMPARE(readAll(dir.filePath(QStringLiteral("Data/")) + aside.first()), old);
            QVERIFY(line.contains(aside.first()));
        }
        else if (outcome == QLatin1String("unused"))
        {
            QCOMPARE(readAll(kisi), torn);
            QVERIFY(line.contains(QStringLiteral("tanınmadı")));
        }
        else
        {
            QCOMPARE(readAll(kisi), found);
            QCOMPARE(line.contains(QStringLiteral("önceki hali olduğu gibi duruyor")),
                     outcome == QLatin1String("kept"));
        }
        // Settled once: the next start has nothing to do or tell.
        QVERIFY(!QFileInfo::exists(copy));
        QCOMPARE(RestoreInterruptedInPlaceWrites(dir.path(), {QStringLiteral("Kisi.Ini")}), QStringList());
    }

#ifdef Q_OS_LINUX
    // A stick formatted elsewhere: the folder's name is "Çekiliş" in code page 1254, which a
    // UTF-8 system cannot decode. The program still keeps its files in it. (Windows names every
    // folder in wide characters.)
    void programFolderNamedInCodePage1254()
    {
        QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/cp1254-XXXXXX"));
        QVERIFY(dir.isValid());
        const QByteArray folder = QFile::encodeName(dir.path()) + "/\xC7"
                                                                  "ekili\xFE";
        QVERIFY(::mkdir(folder.constData(), 0755) == 0);
        const QByteArray program = folder + "/journal_child";
        const QByteArray source = QFile::encodeName(QStringLiteral(JOURNAL_CHILD));
        if (::link(source.constData(), program.constData()) != 0)
        {
            QProcess copy;
            copy.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("cp \"$0\" \"$1\""),
                                                   QString::fromLatin1(source), QString::fromLatin1(program)});
            QVERIFY(copy.waitForFinished() && copy.exitCode() == 0);
        }
        // Started through the shell: a QString cannot carry the folder's bytes to the system.
        QProcess child;
        child.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"), QStringLiteral("exec \"$(printf '%1')\" - folder")
                                               .arg(QString::fromLatin1(program)
                                                        .replace(QLatin1String("\xC7"), QLatin1String("\\307"))
                                                        .replace(QLatin1String("\xFE"), QLatin1String("\\376")))});
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitCode() == 0, child.readAllStandardError());
        for (const char* name : {"/Ayar.Ini", "/Memory.Ini"})
            QVERIFY2(::access((folder + name).constData(), F_OK) == 0, name);
        ::unlink((folder + "/Ayar.Ini").constData());
        ::unlink((folder + "/Memory.Ini").constData());
        ::unlink((folder + "/" + TProgramFolderLock::bareName().toLatin1()).constData());
        ::unlink(program.constData());
        ::rmdir(folder.constData());
    }
#endif
};

QTEST_GUILESS_MAIN(TestDrawJournalKill)
#include "test_DrawJournalKill.moc"
