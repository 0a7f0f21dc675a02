#include "DrawJournal.h"
#include "EveningResume.h"
#include "ProgramFolderLock.h"
#include "SaveFile.h"
#include "common/ScriptedMessages.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
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
            QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: ") + TProgramFolderLock::alreadyRunningText()});
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

    // Killed half-way through writing "Kisi.Ini" in place: the next start puts the old content back.
    void inPlaceWriteKilledHalfWay()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString kisi = dir.filePath(QStringLiteral("Kisi.Ini"));
        const QByteArray old(840, 'o');
        writeAll(kisi, old);
        QProcess child;
        QCOMPARE(startAndListen(child, {dir.path(), QStringLiteral("inplace")}), QByteArray("half"));
        killOutright(child);
        QCOMPARE(readAll(kisi).left(1000), QByteArray(1000, 'N'));
        QCOMPARE(RestoreInterruptedInPlaceWrites(dir.path(), {QStringLiteral("Ayar.Ini"), QStringLiteral("Kisi.Ini")}),
                 1);
        QCOMPARE(readAll(kisi), old);
        QVERIFY(!QFileInfo::exists(InPlaceCopyName(kisi)));
        QCOMPARE(RestoreInterruptedInPlaceWrites(dir.path(), {QStringLiteral("Kisi.Ini")}), 0);
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
