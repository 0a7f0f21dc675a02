#include "Guard.h"
#include "common/ScriptedMessages.h"

#include <QTest>

#include <stdexcept>

class TestGuard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void silentAbortStopsQuietly()
    {
        int reported = 0;
        auto previous = setAppExceptionHandler([&](const std::exception*) { ++reported; });
        bool after = false;
        QVERIFY(!guarded([&] {
            Abort();
            after = true;
        }));
        QVERIFY(!after);
        QCOMPARE(reported, 0);
        setAppExceptionHandler(previous);
    }

    void otherErrorsReachTheHandler()
    {
        QStringList seen;
        auto previous = setAppExceptionHandler(
            [&](const std::exception* e) { seen << (e ? QString::fromUtf8(e->what()) : QStringLiteral("?")); });
        QVERIFY(!guarded([] { throw std::runtime_error("disk full"); }));
        QVERIFY(!guarded([] { throw 42; }));
        QVERIFY(guarded([] {}));
        QCOMPARE(seen, (QStringList{QStringLiteral("disk full"), QStringLiteral("?")}));
        setAppExceptionHandler(previous);
    }

    void messageSeamRecordsAndAnswers()
    {
        ScriptedMessages messages;
        messages.setNextAnswer(mrNo);
        ShowBilgi(QStringLiteral("Kişi Adını giriniz."));
        QCOMPARE(AskSoru(QStringLiteral("Emin misiniz?")), static_cast<int>(mrNo));
        QCOMPARE(AskSoru(QStringLiteral("Yine?")), static_cast<int>(mrYes));
        QCOMPARE(messages.shown.size(), 3);
        QCOMPARE(messages.shown.first(), QStringLiteral("Bilgi: Kişi Adını giriniz."));
        QCOMPARE(messages.shown.at(1), QStringLiteral("Soru: Emin misiniz?"));
    }
};

QTEST_GUILESS_MAIN(TestGuard)
#include "test_Guard.moc"
