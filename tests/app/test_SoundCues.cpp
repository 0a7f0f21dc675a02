#include "Guard.h"
#include "common/ExceptionRecorder.h"
#include "common/FakeClock.h"
#include "common/FixturePath.h"
#include "common/PageRigs.h"
#include "common/ScriptedFileDialogs.h"
#include "common/ScriptedMessages.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

namespace {
QString media(const char* name)
{
    return fixturePath(QStringLiteral("media/") + QLatin1String(name));
}

// Records every completion the player delivers, with the moment it arrived.
struct Completions
{
    explicit Completions(TMediaPlayer* player)
    {
        QObject::connect(player, &TMediaPlayer::OnNotify, player, [this](TMediaPlayer* p) {
            kinds << p->NotifyValue();
            runningAt << DrawRunning;
            // The draw's own handler has run by now: whatever it started is playing.
            stoppedAfter << (p->Mode() != mpPlaying);
            at << clock.elapsed();
        });
        clock.start();
    }
    int count(TMPNotifyValues kind) const { return int(kinds.count(kind)); }

    QList<TMPNotifyValues> kinds;
    QList<bool> runningAt;
    QList<bool> stoppedAfter;
    QList<qint64> at;
    QElapsedTimer clock;
};

void prepare(PersonPageRig& rig)
{
    rig.addPerson(QStringLiteral("Ali"));
    rig.addPerson(QStringLiteral("Veli"));
    rig.addPrize(QStringLiteral("Saat"));
    rig.c.CheckEFEKT->setChecked(false);
    rig.c.CheckSES->setChecked(true);
    rig.c.SpinCKSR->setValue(60); // the tests end the wait themselves
}
} // namespace

class TestSoundCues : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { DrawRunning = false; }

    void drawSoundRepeatsUntilTheWinnerIsRecorded_data()
    {
        QTest::addColumn<bool>("tickedDuringTheDraw");
        QTest::newRow("ticked before the start") << false;
        // The sound was opened without rewinding: each repeat must still start over.
        QTest::newRow("ticked during the draw") << true;
    }

    void drawSoundRepeatsUntilTheWinnerIsRecorded()
    {
        QFETCH(bool, tickedDuringTheDraw);
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig(true);
        prepare(rig);
        rig.c.EditSES->setText(media("short.wav"));
        rig.c.CheckSESTEKRAR->setChecked(!tickedDuringTheDraw);
        Completions done(rig.player);

        rig.draw->ZvWinButton6Click();
        QVERIFY(rig.player->isOpen());
        QCOMPARE(rig.player->AutoRewind(), !tickedDuringTheDraw);
        rig.c.CheckSESTEKRAR->setChecked(true);
        QTRY_VERIFY_WITH_TIMEOUT(done.count(nvSuccessful) >= 3, 10000);
        QCOMPARE(rig.player->Mode(), mpPlaying);
        // Every repeat sounds the whole file (0.3 s) rather than ending at once.
        for (int i = 1; i < done.at.size(); ++i)
            QVERIFY2(done.at.at(i) - done.at.at(i - 1) >= 200, qPrintable(QString::number(done.at.at(i))));

        rig.draw->Timer1Timer();
        QVERIFY(!DrawRunning);
        // Stopping yields an aborted completion, which starts nothing since the draw is over.
        QTRY_VERIFY(done.kinds.contains(nvAborted));
        const int successful = done.count(nvSuccessful);
        QVERIFY(done.stoppedAfter.last()); // the last completion started nothing again
        QCOMPARE(done.count(nvSuccessful), successful);
        QVERIFY(rig.player->Mode() != mpPlaying);
        QVERIFY(messages.shown.isEmpty());
    }

    void drawSoundWithoutRepeatPlaysOnce()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig(true);
        prepare(rig);
        rig.c.EditSES->setText(media("short.mp3"));
        Completions done(rig.player);

        rig.draw->ZvWinButton6Click();
        QVERIFY(!rig.player->AutoRewind());
        QTRY_COMPARE_WITH_TIMEOUT(done.count(nvSuccessful), 1, 10000);
        QVERIFY(done.stoppedAfter.last()); // the last completion started nothing again
        QVERIFY(DrawRunning);
    }

    void longDrawSoundIsCutOffByTheWinner()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig(true);
        prepare(rig);
        rig.c.EditSES->setText(media("long.wav"));
        Completions done(rig.player);
        rig.draw->ZvWinButton6Click();
        QCOMPARE(rig.player->Mode(), mpPlaying);
        rig.draw->ZvWinButton7Click();
        QVERIFY(!DrawRunning);
        QVERIFY(rig.player->Mode() != mpPlaying);
        QTRY_COMPARE(done.kinds, QList<TMPNotifyValues>{nvAborted});
    }

    void endSoundSeries_data()
    {
        QTest::addColumn<bool>("repeat");
        QTest::addColumn<int>("times");
        QTest::addColumn<bool>("drawSoundRepeated");
        QTest::addColumn<int>("starts");
        QTest::newRow("three times") << true << 3 << true << 3;
        QTest::newRow("three times after a draw sound without rewind") << true << 3 << false << 3;
        QTest::newRow("zero means once") << true << 0 << true << 1;
        QTest::newRow("one means once") << true << 1 << true << 1;
        QTest::newRow("repeat off") << false << 3 << true << 1;
    }

    void endSoundSeries()
    {
        QFETCH(bool, repeat);
        QFETCH(int, times);
        QFETCH(bool, drawSoundRepeated);
        QFETCH(int, starts);
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig(true);
        prepare(rig);
        rig.c.EditSES->setText(media("short.mp3"));
        rig.c.CheckSESTEKRAR->setChecked(drawSoundRepeated);
        rig.c.EditSES2->setText(media("short.wav"));
        rig.c.CheckSESTEKRAR2->setChecked(repeat);
        rig.c.SpinSESTEKRAR->setValue(times);
        Completions done(rig.player);

        rig.draw->ZvWinButton6Click();
        rig.draw->Timer1Timer();
        QVERIFY(!DrawRunning);
        QCOMPARE(rig.player->FileName(), media("short.wav"));
        QCOMPARE(rig.draw->EndSoundPlays(), 1);
        done.kinds.clear();
        done.at.clear();
        QTRY_COMPARE_WITH_TIMEOUT(done.count(nvSuccessful), starts, 15000);
        QCOMPARE(rig.draw->EndSoundPlays(), starts);
        QVERIFY(done.stoppedAfter.last()); // the last completion started nothing again
        // Every start sounds the whole file again rather than ending at once.
        for (int i = 1; i < done.at.size(); ++i)
            QVERIFY2(done.at.at(i) - done.at.at(i - 1) >= 200, qPrintable(QString::number(done.at.at(i))));
    }

    void uncheckingTheRepeatEndsTheSeriesAfterTheCurrentPlay()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig(true);
        prepare(rig);
        rig.c.EditSES2->setText(media("short.wav"));
        rig.c.CheckSESTEKRAR2->setChecked(true);
        rig.c.SpinSESTEKRAR->setValue(10);
        Completions done(rig.player);
        rig.draw->ZvWinButton6Click();
        rig.draw->Timer1Timer();
        QTRY_COMPARE_WITH_TIMEOUT(done.count(nvSuccessful), 2, 10000);
        rig.c.CheckSESTEKRAR2->setChecked(false);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(nvSuccessful), 3, 10000);
        QVERIFY(done.stoppedAfter.last()); // the last completion started nothing again
        QCOMPARE(rig.draw->EndSoundPlays(), 3);
    }

    void startClosesThePlayerEvenWithoutSound()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig(true);
        prepare(rig);
        rig.c.CheckSES->setChecked(false);
        rig.c.EditSES->setText(media("short.wav"));
        rig.player->setFileName(media("long.wav"));
        rig.player->Open();
        rig.player->Play();
        rig.draw->ZvWinButton6Click();
        QVERIFY(DrawRunning);
        QVERIFY(!rig.player->isOpen());
        rig.draw->Timer1Timer();
        QVERIFY(!rig.player->isOpen());
    }

    void refusedStartLeavesTheEndSoundPlaying()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig(true);
        rig.c.CheckSES->setChecked(true);
        rig.player->setFileName(media("long.wav"));
        rig.player->Open();
        rig.player->Play();
        rig.draw->ZvWinButton6Click();
        QCOMPARE(messages.shown,
                 QStringList{QStringLiteral("Bilgi: Kişi kaydı girilmemiş...\r\n") + TPersonDraw::definitionsHint()});
        QCOMPARE(rig.player->Mode(), mpPlaying);
    }

    void unusableDrawSoundLeavesTheDrawGoing_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("empty") << QString();
        QTest::newRow("missing file") << media("missing.wav");
        QTest::newRow("folder") << fixturePath("media");
        QTest::newRow("not a sound") << media("notaudio.wav");
    }

    void unusableDrawSoundLeavesTheDrawGoing()
    {
        QFETCH(QString, path);
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig(true);
        prepare(rig);
        rig.c.EditSES->setText(path);
        ScopedExceptionRecorder failures;
        rig.draw->ZvWinButton6Click();
        QVERIFY(DrawRunning);
        QVERIFY(rig.c.Timer1->isActive());
        QVERIFY(!rig.player->isOpen());
        rig.draw->Timer1Timer();
        QCOMPARE(rig.Kzn_T.recordCount(), 1);
        QCOMPARE(failures.count(), 0);
        QVERIFY(messages.shown.isEmpty());
    }

    void unplayableEndSoundGoesToTheErrorHandler()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig(true);
        prepare(rig);
        rig.c.EditSES2->setText(media("notaudio.wav"));
        ScopedExceptionRecorder failures;
        rig.draw->ZvWinButton6Click();
        rig.draw->Timer1Timer();
        QCOMPARE(failures.count(), 1);
        QCOMPARE(rig.Kzn_T.recordCount(), 1);
        QVERIFY(!DrawRunning);
        QVERIFY(messages.shown.isEmpty());
    }

    void choosingASoundFile()
    {
        PersonPageRig rig(true);
        ScriptedFileDialogs dialogs;
        TZvBtnEdit* first = rig.c.EditSES;
        TZvBtnEdit* second = rig.c.EditSES2;
        first->setText(QStringLiteral("eski.wav"));

        dialogs.setNextFileName(media("short.mp3"));
        rig.draw->EditSESBtnClick(second);
        QCOMPARE(second->text(), media("short.mp3"));
        QCOMPARE(first->text(), QStringLiteral("eski.wav"));
        QCOMPARE(dialogs.last().kind, FileDialogRequest::Open);
        QCOMPARE(dialogs.last().filter, QStringLiteral("Müzik Dosyaları|*.WAV;*.MP3"));
        QCOMPARE(dialogs.last().initialDir, QString());

        dialogs.setNextFileName(QString());
        rig.draw->EditSESBtnClick(first);
        QCOMPARE(first->text(), QStringLiteral("eski.wav"));

        dialogs.setNextFileName(media("short.wav"));
        rig.draw->EditSESBtnClick(first);
        QCOMPARE(first->text(), media("short.wav"));
        QCOMPARE(second->text(), media("short.mp3"));
    }

    // A path with a character the code page cannot hold would be stored with '?' and name no
    // file after a restart: the operator is told and the box keeps what it had.
    void pathTheCodePageCannotHold_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("kept");
        QTest::newRow("Turkish letters") << QStringLiteral("/Müzik/Şarkılar/İğne ç ö.wav") << true;
        QTest::newRow("Japanese folder") << QStringLiteral("/müzik/日本/zil.wav") << false;
        QTest::newRow("Latin-1 letter the code page replaced") << QStringLiteral("/ses/Þór.mp3") << false;
        QTest::newRow("emoji, a surrogate pair") << QStringLiteral("/ses/\U0001F3B5.mp3") << false;
    }
    void pathTheCodePageCannotHold()
    {
        QFETCH(QString, path);
        QFETCH(bool, kept);
        PersonPageRig rig;
        ScriptedMessages messages;
        ScriptedFileDialogs dialogs;
        for (TZvBtnEdit* box : {rig.c.EditSES, rig.c.EditSES2})
        {
            box->setText(QStringLiteral("eski.wav"));
            dialogs.setNextFileName(path);
            rig.draw->EditSESBtnClick(box);
            QCOMPARE(box->text(), kept ? path : QStringLiteral("eski.wav"));
        }
        const QString notice = QStringLiteral("Bilgi: ") + unstorablePathText(path);
        QCOMPARE(messages.shown, kept ? QStringList() : (QStringList{notice, notice}));
    }

    void soundBoxEnablesItsGroup()
    {
        PersonPageRig rig;
        rig.c.CheckSES->setChecked(false);
        rig.c.CheckSES->click();
        QVERIFY(rig.c.GroupSES->isEnabled());
        rig.c.CheckSES->click();
        QVERIFY(!rig.c.GroupSES->isEnabled());
    }
};

QTEST_MAIN(TestSoundCues)
#include "test_SoundCues.moc"
