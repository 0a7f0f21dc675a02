#include "SpinEdit.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

class TestSpinEdit : public QObject
{
    Q_OBJECT

    QWidget* window = nullptr;
    TSpinEdit* spin = nullptr;
    QLineEdit* other = nullptr;

    void showAndFocus()
    {
        window->show();
        QApplication::setActiveWindow(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        spin->setFocus();
        QTRY_VERIFY(spin->hasFocus());
        spin->lineEdit()->selectAll();
    }

private Q_SLOTS:
    void init()
    {
        window = new QWidget;
        auto* layout = new QVBoxLayout(window);
        spin = new TSpinEdit(window);
        spin->setObjectName(QStringLiteral("SpinCKSR"));
        other = new QLineEdit(window);
        layout->addWidget(spin);
        layout->addWidget(other);
        spin->setRange(1, 60);
        spin->setValue(10);
    }
    void cleanup()
    {
        delete window;
        window = nullptr;
    }

    void textReadsAsNumberOrMinimum_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("number") << QStringLiteral("42") << 42;
        QTest::newRow("empty") << QString() << 1;
        QTest::newRow("sign only") << QStringLiteral("-") << 1;
        QTest::newRow("too large for int") << QStringLiteral("99999999999") << 1;
        QTest::newRow("above range stands") << QStringLiteral("75") << 75;
        QTest::newRow("below range stands") << QStringLiteral("-3") << -3;
        QTest::newRow("blanks around") << QStringLiteral(" 7 ") << 7;
    }
    void textReadsAsNumberOrMinimum()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        spin->lineEdit()->setText(text);
        QCOMPARE(spin->value(), expected);
    }

    void setValueClamps_data()
    {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("expected");
        QTest::newRow("inside") << 1 << 60 << 30 << 30;
        QTest::newRow("below") << 1 << 60 << 0 << 1;
        QTest::newRow("above") << 1 << 60 << 61 << 60;
        QTest::newRow("equal bounds do not clamp") << 5 << 5 << 100 << 100;
        QTest::newRow("equal bounds, below") << 0 << 0 << -7 << -7;
        QTest::newRow("max below min, above both") << 1 << 0 << 5 << 0;
        QTest::newRow("max below min, below both") << 1 << 0 << -3 << 1;
    }
    void setValueClamps()
    {
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, set);
        QFETCH(int, expected);
        spin->setMinimum(minimum);
        spin->setMaximum(maximum);
        spin->setValue(set);
        QCOMPARE(spin->value(), expected);
        QCOMPARE(spin->lineEdit()->text(), QString::number(expected));
    }

    void changingTheRangeKeepsTheValue()
    {
        spin->setValue(3);
        spin->setMaximum(0);
        QCOMPARE(spin->maximum(), 0);
        QCOMPARE(spin->minimum(), 1);
        QCOMPARE(spin->value(), 3);
        spin->setMinimum(50);
        QCOMPARE(spin->value(), 3);
    }

    void typedValueOutsideRangeStandsUntilFocusLeaves()
    {
        showAndFocus();
        QTest::keyClicks(spin, QStringLiteral("150"));
        QCOMPARE(spin->value(), 150);
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
        QCOMPARE(spin->value(), 60);
    }

    void typingAcceptsOnlyDigitsAndSign()
    {
        showAndFocus();
        QTest::keyClicks(spin, QStringLiteral("1a2."));
        QCOMPARE(spin->lineEdit()->text(), QStringLiteral("12"));
    }

    void arrowKeysStepByIncrementAndClamp()
    {
        spin->setIncrement(7);
        spin->setValue(50);
        showAndFocus();
        QTest::keyClick(spin, Qt::Key_Up);
        QCOMPARE(spin->value(), 57);
        QTest::keyClick(spin, Qt::Key_Up);
        QCOMPARE(spin->value(), 60);
        spin->setValue(5);
        QTest::keyClick(spin, Qt::Key_Down);
        QCOMPARE(spin->value(), 1);
    }

    void readOnlyDoesNotStep()
    {
        spin->setReadOnly(true);
        spin->stepBy(1);
        QCOMPARE(spin->value(), 10);
    }

    void valueChangedOncePerChange()
    {
        QSignalSpy spy(spin, &TSpinEdit::valueChanged);
        spin->setValue(10);
        QCOMPARE(spy.count(), 0);
        spin->setValue(11);
        spin->setValue(99); // clamps to 60
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).toInt(), 60);
        QCOMPARE(spin->property("value").toInt(), 60);
    }
};

QTEST_MAIN(TestSpinEdit)
#include "test_SpinEdit.moc"
