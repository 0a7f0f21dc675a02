#include "Guard.h"
#include "common/ExceptionRecorder.h"
#include "common/ScriptedMessages.h"

#include <QTest>
#include <memory>
#include <stdexcept>

class Emitter : public QObject
{
    Q_OBJECT
signals:
    void fired(int value);
};

// A receiver whose handlers throw what the row asks for.
class Receiver : public QObject
{
public:
    int thrown = 0; // 0 nothing, 1 abort, 2 runtime error
    QList<int> seen;
    void withValue(int value)
    {
        seen << value;
        raise();
    }
    void withoutValue()
    {
        seen << -1;
        raise();
    }
    void raise() const
    {
        if (thrown == 1)
            Abort();
        if (thrown == 2)
            throw std::runtime_error("bozuk");
    }
};

class TestGuard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void silentAbortStopsQuietly()
    {
        ScopedExceptionRecorder reported;
        bool after = false;
        QVERIFY(!guarded([&] {
            Abort();
            after = true;
        }));
        QVERIFY(!after);
        QCOMPARE(reported.count(), 0);
    }

    void otherErrorsReachTheHandler()
    {
        ScopedExceptionRecorder seen;
        QVERIFY(!guarded([] { throw std::runtime_error("disk full"); }));
        QVERIFY(!guarded([] { throw 42; }));
        QVERIFY(guarded([] {}));
        QCOMPARE(seen.errors(), (QStringList{QStringLiteral("disk full"), QString()}));
    }

    void connectGuardedRunsTheHandlerInsideTheGuard_data()
    {
        QTest::addColumn<int>("form"); // 0 callable(int), 1 callable(), 2 member(int), 3 member()
        QTest::addColumn<int>("thrown");
        QTest::addColumn<int>("expectedSeen");
        QTest::addColumn<int>("expectedReports");
        for (int form = 0; form < 4; ++form)
        {
            const int seen = form % 2 == 0 ? 7 : -1;
            QTest::addRow("form %d, no error", form) << form << 0 << seen << 0;
            QTest::addRow("form %d, silent abort", form) << form << 1 << seen << 0;
            QTest::addRow("form %d, error", form) << form << 2 << seen << 1;
        }
    }

    void connectGuardedRunsTheHandlerInsideTheGuard()
    {
        QFETCH(int, form);
        QFETCH(int, thrown);
        QFETCH(int, expectedSeen);
        QFETCH(int, expectedReports);
        ScopedExceptionRecorder reports;
        Emitter emitter;
        auto receiver = std::make_unique<Receiver>();
        receiver->thrown = thrown;
        Receiver* r = receiver.get();
        switch (form)
        {
        case 0:
            connectGuarded(&emitter, &Emitter::fired, r, [r](int v) { r->withValue(v); });
            break;
        case 1:
            connectGuarded(&emitter, &Emitter::fired, r, [r] { r->withoutValue(); });
            break;
        case 2:
            connectGuarded(&emitter, &Emitter::fired, r, &Receiver::withValue);
            break;
        default:
            connectGuarded(&emitter, &Emitter::fired, r, &Receiver::withoutValue);
            break;
        }
        emit emitter.fired(7); // an exception escaping here would end the test program
        QCOMPARE(r->seen, QList<int>{expectedSeen});
        QCOMPARE(reports.count(), expectedReports);
        receiver.reset(); // the connection ends with its receiver
        emit emitter.fired(8);
        QCOMPARE(reports.count(), expectedReports);
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
