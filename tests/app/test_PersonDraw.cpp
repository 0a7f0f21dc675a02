#include "Codec1254.h"
#include "EAbort.h"
#include "ProgramFolder.h"
#include "common/FakeClock.h"
#include "common/PageRigs.h"
#include "common/ScriptedFileDialogs.h"
#include "common/ScriptedMessages.h"
#include "common/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <utility>

class TestPersonDraw : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { DrawRunning = false; }

    void onePersonOnePrize()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        rig.addPerson(QStringLiteral("Ali"));
        rig.addPrize(QStringLiteral("Bisiklet"));
        rig.c.SpinCKSR->setValue(3);

        rig.draw->ZvWinButton6Click();
        QVERIFY(DrawRunning);
        QCOMPARE(rig.c.LabelHEDIYE->text(), QStringLiteral("Bisiklet"));
        QVERIFY(rig.c.Timer1->isActive());
        QCOMPARE(rig.c.Timer1->interval(), 3000);
        QVERIFY(rig.draw->ActiveAnimation());
        QCOMPARE(rig.c.PanelTOP->findChildren<TZvTop2*>().size(), 15);
        // A second press while the draw waits is ignored without a word.
        rig.draw->ZvWinButton6Click();
        QCOMPARE(rig.c.PanelTOP->findChildren<TZvTop2*>().size(), 15);

        rig.draw->Timer1Timer();
        QVERIFY(!rig.c.Timer1->isActive());
        QVERIFY(!DrawRunning);
        QVERIFY(!rig.draw->ActiveAnimation());
        QCOMPARE(rig.c.PanelTOP->findChildren<TZvTop2*>().size(), 0);
        QCOMPARE(rig.revealedText(3), QStringLiteral("ALİ"));
        for (TZvTop* ball : rig.balls())
            QCOMPARE(ball->Image().cacheKey(), rig.c.ImageTOP[0].cacheKey());
        QCOMPARE(clock.sleeps, (QList<int>{1000, 500, 333}));
        QCOMPARE(rig.winners(), QStringList{QStringLiteral("Ali|Bisiklet")});
        QVERIFY(messages.shown.isEmpty());

        rig.draw->ZvWinButton6Click();
        QVERIFY(!DrawRunning);
        QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: Tüm kişi kayıtlarına hediye verilmiş...")});
        QCOMPARE(rig.balls().size(), 3);
    }

    void startChecksInOrder_data()
    {
        QTest::addColumn<int>("people");
        QTest::addColumn<int>("prizes");
        QTest::addColumn<int>("winners");
        QTest::addColumn<bool>("winnersArePeople"); // else names the participant list does not hold
        QTest::addColumn<QString>("message");       // empty: the draw starts
        const QString everyone = QStringLiteral("Bilgi: Tüm kişi kayıtlarına hediye verilmiş...");
        QTest::newRow("nothing at all") << 0 << 0 << 0 << true
                                        << QStringLiteral("Bilgi: Kişi kaydı girilmemiş...\r\n") +
                                               TPersonDraw::definitionsHint();
        QTest::newRow("no prizes") << 2 << 0 << 0 << true
                                   << QStringLiteral("Bilgi: Hediye kaydı girilmemiş...\r\n") +
                                          TPersonDraw::definitionsHint();
        QTest::newRow("everyone has won") << 2 << 3 << 2 << true << everyone;
        QTest::newRow("more winners than people, all of them people") << 1 << 5 << 3 << true << everyone;
        // Counting alone would stop these evenings while people can still win.
        QTest::newRow("as many winners, none of them in the list") << 2 << 3 << 2 << false << QString();
        QTest::newRow("more winners than people, none in the list") << 1 << 5 << 3 << false << QString();
    }

    void startChecksInOrder()
    {
        QFETCH(int, people);
        QFETCH(int, prizes);
        QFETCH(int, winners);
        QFETCH(bool, winnersArePeople);
        QFETCH(QString, message);
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        for (int i = 0; i < people; ++i)
            rig.addPerson(QStringLiteral("Kişi %1").arg(i));
        for (int i = 0; i < prizes; ++i)
            rig.addPrize(QStringLiteral("Hediye %1").arg(i));
        for (int i = 0; i < winners; ++i)
        {
            rig.Kzn_T.append();
            rig.Kzn_T.setFieldString(QStringLiteral("ADI"), winnersArePeople ? QStringLiteral("Kişi %1").arg(i % people)
                                                                             : QStringLiteral("Eski %1").arg(i));
            rig.Kzn_T.post();
        }
        rig.c.LabelHEDIYE->setText(QStringLiteral("önceki"));
        rig.draw->ZvWinButton6Click();
        if (message.isEmpty())
        {
            QCOMPARE(messages.shown, QStringList());
            QVERIFY(DrawRunning);
            rig.draw->Timer1Timer();
            QCOMPARE(rig.Kzn_T.recordCount(), winners + 1);
            QVERIFY(rig.winners().constLast().startsWith(QStringLiteral("Kişi ")));
            return;
        }
        QCOMPARE(messages.shown, QStringList{message});
        QVERIFY(!DrawRunning);
        QVERIFY(!rig.c.Timer1->isActive());
        QCOMPARE(rig.c.LabelHEDIYE->text(), QStringLiteral("önceki"));
        QCOMPARE(rig.Kzn_T.recordCount(), winners);
    }

    void threePeopleTwoPrizesAsksBeforeTheThirdDraw()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        rig.addPerson(QStringLiteral("Ali"));
        rig.addPerson(QStringLiteral("Veli"));
        rig.addPerson(QStringLiteral("Zehra"));
        rig.addPrize(QStringLiteral("Araba"));
        rig.addPrize(QStringLiteral("Bisiklet"));
        rig.c.CheckEFEKT->setChecked(false);

        rig.runDraw();
        rig.runDraw();
        QCOMPARE(rig.c.SpinEdit1->value(), 2);
        QVERIFY(messages.shown.isEmpty());

        messages.setNextAnswer(mrNo);
        rig.runDraw();
        const QString question =
            QStringLiteral("Soru: Dikkat : Çekiliş tamamlanmış. Yinede devam etmek istiyor musunuz?");
        QCOMPARE(messages.shown, QStringList{question});
        QVERIFY(!DrawRunning);
        QCOMPARE(rig.Kzn_T.recordCount(), 2);

        messages.setNextAnswer(mrYes);
        rig.runDraw();
        QCOMPARE(messages.shown, (QStringList{question, question}));
        const QStringList winners = rig.winners();
        QCOMPARE(winners.size(), 3);
        QVERIFY(winners.at(0).endsWith(QStringLiteral("|Araba")));
        QVERIFY(winners.at(1).endsWith(QStringLiteral("|Bisiklet")));
        // The prize that SpinEdit1 still shows is given a second time, to a new person.
        QVERIFY(winners.at(2).endsWith(QStringLiteral("|Bisiklet")));
        QStringList names;
        for (const QString& w : winners)
            names << w.section(QLatin1Char('|'), 0, 0);
        names.sort();
        QCOMPARE(names, (QStringList{QStringLiteral("Ali"), QStringLiteral("Veli"), QStringLiteral("Zehra")}));
    }

    void nextPrizeIsPreselected()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        for (const char* name : {"Ali", "Veli", "Zehra", "Can"})
            rig.addPerson(QString::fromUtf8(name));
        for (const char* prize : {"Araba", "Bisiklet", "Çanta"})
            rig.addPrize(QString::fromUtf8(prize));
        rig.c.CheckEFEKT->setChecked(false);
        QList<int> seen{rig.c.SpinEdit1->value()};
        QStringList labels;
        for (int i = 0; i < 3; ++i)
        {
            rig.runDraw();
            labels << rig.c.LabelHEDIYE->text();
            seen << rig.c.SpinEdit1->value();
        }
        QCOMPARE(seen, (QList<int>{1, 2, 3, 3}));
        QCOMPARE(labels, (QStringList{QStringLiteral("Araba"), QStringLiteral("Bisiklet"), QStringLiteral("Çanta")}));
    }

    void prizeOutsideTheRangeSelectsTheLast_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("prize");
        QTest::newRow("second") << QStringLiteral("2") << QStringLiteral("B");
        QTest::newRow("above the count") << QStringLiteral("7") << QStringLiteral("C");
        QTest::newRow("zero") << QStringLiteral("0") << QStringLiteral("C");
        QTest::newRow("not a number reads as the minimum") << QStringLiteral("x") << QStringLiteral("A");
    }

    void prizeOutsideTheRangeSelectsTheLast()
    {
        QFETCH(QString, typed);
        QFETCH(QString, prize);
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        rig.addPerson(QStringLiteral("Ali"));
        for (const char* name : {"A", "B", "C"})
            rig.addPrize(QString::fromUtf8(name));
        rig.c.SpinEdit1->lineEdit()->setText(typed);
        rig.draw->ZvWinButton6Click();
        QCOMPARE(rig.c.LabelHEDIYE->text(), prize);
    }

    void typedTimesStayUsable_data()
    {
        QTest::addColumn<QString>("waitTyped");
        QTest::addColumn<QString>("letterTyped");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QList<int>>("sleeps");
        QTest::newRow("in range") << QStringLiteral("7") << QStringLiteral("3") << 7000 << QList<int>{3000, 1500};
        // Read while the boxes still have the focus, typed values count as the nearest bound.
        QTest::newRow("past the maximum")
            << QStringLiteral("90") << QStringLiteral("61") << 60000 << QList<int>{60000, 30000};
        QTest::newRow("negative") << QStringLiteral("-5") << QStringLiteral("-2") << 1000 << QList<int>{0, 0};
        QTest::newRow("beyond a timer") << QStringLiteral("2147484") << QStringLiteral("2147483647") << 60000
                                        << QList<int>{60000, 30000};
        QTest::newRow("not a number") << QStringLiteral("x") << QString() << 1000 << QList<int>{0, 0};
    }

    void typedTimesStayUsable()
    {
        QFETCH(QString, waitTyped);
        QFETCH(QString, letterTyped);
        QFETCH(int, interval);
        QFETCH(QList<int>, sleeps);
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        rig.addPerson(QStringLiteral("Su"));
        rig.addPrize(QStringLiteral("Saat"));
        rig.c.SpinCKSR->lineEdit()->setText(waitTyped);
        rig.c.SpinHARF->lineEdit()->setText(letterTyped);
        rig.draw->ZvWinButton6Click();
        QCOMPARE(rig.c.Timer1->interval(), interval);
        QVERIFY(rig.c.Timer1->isActive());
        rig.draw->Timer1Timer();
        QCOMPARE(clock.sleeps, sleeps);
    }

    void revealedText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extra");
        QTest::addColumn<bool>("showExtra");
        QTest::addColumn<QString>("shown");
        QTest::newRow("turkish letters") << QStringLiteral("ayşe") << QString() << true << QStringLiteral("AYŞE");
        QTest::newRow("dotted and dotless i")
            << QStringLiteral("ırmak iz") << QString() << true << QStringLiteral("IRMAK İZ");
        QTest::newRow("extra information")
            << QStringLiteral("Ali") << QStringLiteral("Kadıköy") << true << QStringLiteral("ALİ - KADIKÖY");
        QTest::newRow("extra switched off")
            << QStringLiteral("Ali") << QStringLiteral("Kadıköy") << false << QStringLiteral("ALİ");
        QTest::newRow("extra of blanks only")
            << QStringLiteral("Ali") << QStringLiteral("   ") << true << QStringLiteral("ALİ");
        QTest::newRow("extra with a leading blank kept")
            << QStringLiteral("Ali") << QStringLiteral(" Van") << true << QStringLiteral("ALİ -  VAN");
        QTest::newRow("digits and hyphen") << QStringLiteral("a-1") << QString() << true << QStringLiteral("A-1");
    }

    void revealedText()
    {
        QFETCH(QString, name);
        QFETCH(QString, extra);
        QFETCH(bool, showExtra);
        QFETCH(QString, shown);
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        rig.addPerson(name, extra);
        rig.addPrize(QStringLiteral("Saat"));
        rig.c.CheckEKBILGI->setChecked(showExtra);
        rig.runDraw();
        QCOMPARE(rig.revealedText(int(shown.size())), shown);
        QCOMPARE(rig.balls().size(), int(shown.size() - shown.count(QLatin1Char(' '))));
        // The winners list keeps the name as it is stored, without the extra information.
        QCOMPARE(rig.Kzn_T.bytesAt(0, 0), Cp1254::fromUnicode(name));
    }

    void blankLeavesAGapAndCountsInTheWaits()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        rig.addPerson(QStringLiteral("Ali Can"));
        rig.addPrize(QStringLiteral("Saat"));
        rig.c.SpinHARF->setValue(2);
        rig.runDraw();
        const auto balls = rig.balls();
        QCOMPARE(balls.size(), 6);
        const int x0 = (700 - 2 - 32 * 7) / 2;
        QCOMPARE(balls.at(0)->x(), x0);
        QCOMPARE(balls.at(3)->x() - balls.at(2)->x(), 64);
        QCOMPARE(clock.sleeps, (QList<int>{2000, 1000, 666, 400, 333, 285}));
    }

    // A winner wider than the stage: every letter inside it, in reading order, the waits as for
    // one row (the " - " no longer drawn still waits).
    void longWinnerFitsTheStage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extra");
        QTest::addColumn<int>("ballSize");
        QTest::addColumn<QString>("letters");
        QTest::newRow("extra on a second row")
            << QStringLiteral("Şükrü Yıldız") << QStringLiteral("Şanlıurfa / Eyyübiye") << 32
            << QStringLiteral("ŞÜKRÜYILDIZ|ŞANLIURFA/EYYÜBİYE");
        QTest::newRow("82 characters")
            << QStringLiteral("Abdullah Mustafa Kemal Küçükyıldızoğluna")
            << QStringLiteral("Şanlıurfa / Eyyübiye / Karşıyaka Mah.No") << 17
            << QStringLiteral("ABDULLAHMUSTAFAKEMALKÜÇÜKYILDIZOĞLUNA|ŞANLIURFA/EYYÜBİYE/KARŞIYAKAMAH.NO");
    }

    void longWinnerFitsTheStage()
    {
        QFETCH(QString, name);
        QFETCH(QString, extra);
        QFETCH(int, ballSize);
        QFETCH(QString, letters);
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        rig.addPerson(name, extra);
        rig.addPrize(QStringLiteral("Saat"));
        rig.runDraw();

        auto balls = rig.balls();
        std::stable_sort(balls.begin(), balls.end(), [](TZvTop* a, TZvTop* b) { return a->y() < b->y(); });
        QString read;
        for (TZvTop* ball : balls)
        {
            QVERIFY(rig.c.PanelTOP->rect().contains(ball->geometry()));
            QCOMPARE(ball->size(), QSize(ballSize, ballSize));
            if (ball != balls.first() && ball->y() != balls.first()->y() && !read.contains(QLatin1Char('|')))
                read += QLatin1Char('|');
            read += ball->Harf();
        }
        QCOMPARE(read, letters);
        const QString text = name + QStringLiteral(" - ") + extra;
        QList<int> waits;
        for (int i = 1; i <= text.size(); ++i)
        {
            if (text.at(i - 1) != QLatin1Char(' '))
                waits << 1000 / i;
        }
        QCOMPARE(clock.sleeps, waits);
    }

    void noWaitsWithoutTheEffect_data()
    {
        QTest::addColumn<bool>("effect");
        QTest::addColumn<int>("letterSeconds");
        QTest::newRow("effect off") << false << 5;
        QTest::newRow("zero seconds") << true << 0;
    }

    void noWaitsWithoutTheEffect()
    {
        QFETCH(bool, effect);
        QFETCH(int, letterSeconds);
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        rig.addPerson(QStringLiteral("Zeynep"));
        rig.addPrize(QStringLiteral("Saat"));
        rig.c.CheckEFEKT->setChecked(effect);
        rig.c.SpinHARF->setValue(letterSeconds);
        rig.draw->ZvWinButton6Click();
        QCOMPARE(rig.draw->ActiveAnimation() != nullptr, effect);
        QCOMPARE(rig.c.PanelTOP->findChildren<TZvTop2*>().size(), effect ? 15 : 0);
        rig.draw->Timer1Timer();
        QCOMPARE(rig.revealedText(6), QStringLiteral("ZEYNEP"));
        QVERIFY(std::all_of(clock.sleeps.cbegin(), clock.sleeps.cend(), [](int ms) { return ms == 0; }));
    }

    void nextDrawClearsThePreviousLetters()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        rig.addPerson(QStringLiteral("Ali"));
        rig.addPerson(QStringLiteral("Veli"));
        rig.addPrize(QStringLiteral("Saat"));
        rig.addPrize(QStringLiteral("Kalem"));
        rig.runDraw();
        QCOMPARE(rig.balls().size(), rig.Kzn_T.textAt(0, 0).size());
        rig.c.CheckEFEKT->setChecked(false);
        rig.draw->ZvWinButton6Click();
        QCOMPARE(rig.balls().size(), 0);
        rig.draw->Timer1Timer();
        QCOMPARE(rig.balls().size(), rig.Kzn_T.textAt(1, 0).size());
        QVERIFY(rig.Kzn_T.textAt(0, 0) != rig.Kzn_T.textAt(1, 0));
    }

    void prizePicture()
    {
        ScriptedMessages messages;
        FakeClock clock;
        QTemporaryDir dir;
        const QString wide = dir.filePath(QStringLiteral("wide.bmp"));
        QImage picture(120, 60, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        QVERIFY(picture.save(wide, "BMP"));
        const QString broken = dir.filePath(QStringLiteral("broken.bmp"));
        writeAll(broken, "not a picture at all");

        PersonPageRig rig;
        for (const char* name : {"A", "B", "C", "D", "E"})
            rig.addPerson(QString::fromUtf8(name));
        rig.addPrize(QStringLiteral("Resimli"), wide);
        rig.addPrize(QStringLiteral("Resimsiz"));
        rig.addPrize(QStringLiteral("Yolu yok"), dir.filePath(QStringLiteral("missing.bmp")));
        rig.addPrize(QStringLiteral("Döşenen"), wide);
        rig.addPrize(QStringLiteral("Bozuk"), broken);
        rig.c.CheckEFEKT->setChecked(false);

        rig.runDraw();
        QCOMPARE(rig.c.ImageRES->pixmap().size(), QSize(120, 60));
        QVERIFY(!rig.c.ImageRES->Stretch());
        QCOMPARE(rig.c.ImageRES->destRect(), QRect(90, 70, 120, 60));

        // Changing the fitting does not refit the picture on screen...
        rig.radio->setItemIndex(1);
        QCOMPARE(rig.c.ImageRES->destRect(), QRect(90, 70, 120, 60));
        // ...and a prize without a picture, or whose file is missing, shows none, not the last one.
        rig.runDraw();
        QCOMPARE(rig.c.LabelHEDIYE->text(), QStringLiteral("Resimsiz"));
        QVERIFY(rig.c.ImageRES->isEmpty());
        rig.c.ImageRES->setPicture(picture);
        rig.runDraw();
        QCOMPARE(rig.c.LabelHEDIYE->text(), QStringLiteral("Yolu yok"));
        QVERIFY(rig.c.ImageRES->isEmpty());

        rig.runDraw();
        QVERIFY(rig.c.ImageRES->Stretch());
        QCOMPARE(rig.c.ImageRES->destRect(), QRect(0, 25, 300, 150));

        // A file that cannot be read as a picture empties the box without a message.
        rig.runDraw();
        QCOMPARE(rig.c.LabelHEDIYE->text(), QStringLiteral("Bozuk"));
        QVERIFY(rig.c.ImageRES->isEmpty());
        QVERIFY(messages.shown.isEmpty());
    }

    void showAllDuringTheWait()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        rig.addPerson(QStringLiteral("Ali"));
        rig.addPrize(QStringLiteral("Saat"));
        rig.draw->ZvWinButton6Click();
        QVERIFY(rig.c.Timer1->isActive());
        rig.draw->ZvWinButton7Click();
        QVERIFY(!rig.c.Timer1->isActive());
        QVERIFY(clock.sleeps.isEmpty());
        QCOMPARE(rig.revealedText(3), QStringLiteral("ALİ"));
        QCOMPARE(rig.Kzn_T.recordCount(), 1);
        QVERIFY(!DrawRunning);
        QVERIFY(!rig.draw->ShowAll());
    }

    void showAllDuringTheReveal()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        rig.addPerson(QStringLiteral("Mehmet"));
        rig.addPrize(QStringLiteral("Saat"));
        // The press arrives while the second letter waits and is handled at the next pump.
        bool pressed = false;
        clock.onSleep = [&](int) {
            if (clock.sleeps.size() == 2 && !std::exchange(pressed, true))
                QMetaObject::invokeMethod(
                    rig.draw.get(), [&] { rig.draw->ZvWinButton7Click(); }, Qt::QueuedConnection);
        };
        rig.runDraw();
        QCOMPARE(clock.sleeps, (QList<int>{1000, 500}));
        QCOMPARE(rig.revealedText(6), QStringLiteral("MEHMET"));
        QVERIFY(!rig.draw->ShowAll());

        // The next draw waits again.
        rig.addPerson(QStringLiteral("Can"));
        rig.addPrize(QStringLiteral("Kalem"));
        clock.sleeps.clear();
        rig.runDraw();
        QCOMPARE(clock.sleeps, (QList<int>{1000, 500, 333}));
    }

    void showAllWhileIdleOnlyClearsTheRequest()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        rig.addPerson(QStringLiteral("Ali"));
        rig.addPrize(QStringLiteral("Saat"));
        rig.draw->ZvWinButton7Click();
        QVERIFY(!rig.draw->ShowAll());
        QCOMPARE(rig.Kzn_T.recordCount(), 0);
        QCOMPARE(rig.balls().size(), 0);
        QVERIFY(!DrawRunning);
    }

    void timerEndsTheWait()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        rig.addPerson(QStringLiteral("Ali"));
        rig.addPrize(QStringLiteral("Saat"));
        rig.c.SpinCKSR->setValue(1);
        rig.window.show();
        // Through the page's own button and timer, as the operator starts a draw.
        Q_EMIT rig.form.ZvWinButton6->clicked();
        QVERIFY(DrawRunning);
        QTRY_VERIFY_WITH_TIMEOUT(!DrawRunning, 5000);
        QCOMPARE(rig.revealedText(3), QStringLiteral("ALİ"));
        QVERIFY(!rig.c.Timer1->isActive());
    }

    void repeatedNamesEndTheDraw()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        rig.addPerson(QStringLiteral("Ali"));
        rig.addPerson(QStringLiteral("Ali"));
        rig.addPerson(QStringLiteral("Veli"));
        rig.addPrize(QStringLiteral("Saat"));
        rig.addPrize(QStringLiteral("Kalem"));
        rig.addPrize(QStringLiteral("Top"));
        rig.Kzn_T.append();
        rig.Kzn_T.setFieldString(QStringLiteral("ADI"), QStringLiteral("Ali"));
        rig.Kzn_T.post();

        // Veli can still win; he wins while the draw waits, so the pick finds nobody left.
        rig.draw->ZvWinButton6Click();
        QVERIFY(DrawRunning);
        rig.Kzn_T.append();
        rig.Kzn_T.setFieldString(QStringLiteral("ADI"), QStringLiteral("Veli"));
        rig.Kzn_T.post();
        rig.draw->Timer1Timer();
        QVERIFY(!DrawRunning);
        QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: ") + TPersonDraw::noCandidatesText()});
        QCOMPARE(rig.c.PanelTOP->findChildren<TZvTop*>().size(), 0);
        QVERIFY(!rig.draw->ActiveAnimation());
        QCOMPARE(rig.Kzn_T.recordCount(), 2);
        QCOMPARE(rig.c.SpinEdit1->value(), 1);

        // The program is not stuck, and the next start is refused at once: the repeated names won.
        messages.clear();
        rig.c.CheckEFEKT->setChecked(false);
        rig.draw->ZvWinButton6Click();
        QVERIFY(!DrawRunning);
        QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: Tüm kişi kayıtlarına hediye verilmiş...")});
    }

    void refusedParticipantEditDoesNotLockTheDraw()
    {
        ScriptedMessages messages;
        FakeClock clock;
        PersonPageRig rig;
        rig.addPerson(QStringLiteral("Ali"));
        rig.addPerson(QStringLiteral("Veli"));
        rig.addPrize(QStringLiteral("Saat"));
        rig.Kisi_T.BeforePost = [](TRxMemoryData&) {
            ShowBilgi(QStringLiteral("Kişi Adını giriniz."));
            Abort();
        };
        rig.draw->ZvWinButton6Click();
        // The definitions window left a participant half edited while the draw waited.
        rig.Kisi_T.first();
        rig.Kisi_T.edit();
        rig.Kisi_T.setFieldString(QStringLiteral("ADI"), QString());
        rig.draw->Timer1Timer();
        QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: Kişi Adını giriniz.")});
        QVERIFY(!DrawRunning);
        QCOMPARE(rig.Kzn_T.recordCount(), 0);

        rig.Kisi_T.cancel();
        rig.runDraw();
        QCOMPARE(rig.Kzn_T.recordCount(), 1);
    }

    void effectBoxEnablesItsGroup()
    {
        PersonPageRig rig;
        QVERIFY(rig.c.GroupEFEKT->isEnabled());
        rig.c.CheckEFEKT->setChecked(false);
        QVERIFY(!rig.c.GroupEFEKT->isEnabled());
        rig.c.CheckEKBILGI->setChecked(false);
        rig.c.CheckEFEKT->setChecked(true);
        QVERIFY(rig.c.GroupEFEKT->isEnabled());
    }
};

QTEST_MAIN(TestPersonDraw)
#include "test_PersonDraw.moc"
