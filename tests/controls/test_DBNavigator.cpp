#include "DBNavigator.h"
#include "ZVRXDBGrid.h"
#include "common/ScriptedMessages.h"
#include "test_DBGridTables.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

class TestDBNavigator : public QObject
{
    Q_OBJECT

    static QString enabledButtons(const TDBNavigator& nav)
    {
        // One letter per button in button order, upper case when enabled.
        const QString letters = QStringLiteral("fpnlidecxr");
        QString out;
        for (int i = 0; i < TDBNavigator::ButtonCount; ++i)
            out += nav.button(TDBNavigator::TNavigateBtn(i))->isEnabled() ? letters.at(i).toUpper() : letters.at(i);
        return out;
    }
    static void click(TDBNavigator& nav, TDBNavigator::TNavigateBtn b)
    {
        QTest::mouseClick(nav.button(b), Qt::LeftButton);
    }

private Q_SLOTS:
    void buttonsFollowCursorAndState_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("moveTo");
        QTest::addColumn<int>("state"); // dsBrowse, dsEdit or dsInsert
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << 0 << -1 << int(dsBrowse) << QStringLiteral("fpnlIdEcxR");
        QTest::newRow("first of three") << 3 << 0 << int(dsBrowse) << QStringLiteral("fpNLIDEcxR");
        QTest::newRow("middle") << 3 << 1 << int(dsBrowse) << QStringLiteral("FPNLIDEcxR");
        QTest::newRow("last") << 3 << 2 << int(dsBrowse) << QStringLiteral("FPnlIDEcxR");
        QTest::newRow("single record") << 1 << 0 << int(dsBrowse) << QStringLiteral("fpnlIDEcxR");
        QTest::newRow("editing") << 3 << 1 << int(dsEdit) << QStringLiteral("FPNLIDeCXR");
        QTest::newRow("inserting into empty") << 0 << -1 << int(dsInsert) << QStringLiteral("fpnlIdeCXR");
    }
    void buttonsFollowCursorAndState()
    {
        QFETCH(int, rows);
        QFETCH(int, moveTo);
        QFETCH(int, state);
        QFETCH(QString, expected);
        TextTable t;
        t.fill(rows);
        TDBNavigator nav;
        nav.setDataSource(&t.source);
        if (moveTo >= 0)
            t.table.moveTo(moveTo);
        if (state == dsEdit)
            t.table.edit();
        else if (state == dsInsert)
            t.table.append();
        QCOMPARE(enabledButtons(nav), expected);
    }

    void withoutATableEverythingIsOff()
    {
        TDBNavigator nav;
        QCOMPARE(enabledButtons(nav), QStringLiteral("fpnlidecxr"));
        TextTable t;
        t.table.close();
        nav.setDataSource(&t.source);
        QCOMPARE(enabledButtons(nav), QStringLiteral("fpnlidecxr"));
    }

    void clicksDriveTheTable()
    {
        ScriptedMessages messages;
        TextTable t;
        t.fill(4);
        TDBNavigator nav;
        nav.setDataSource(&t.source);
        nav.show();
        click(nav, TDBNavigator::nbLast);
        QCOMPARE(t.table.currentIndex(), 3);
        click(nav, TDBNavigator::nbPrior);
        QCOMPARE(t.table.currentIndex(), 2);
        click(nav, TDBNavigator::nbFirst);
        click(nav, TDBNavigator::nbNext);
        QCOMPARE(t.table.currentIndex(), 1);

        click(nav, TDBNavigator::nbInsert);
        QCOMPARE(t.table.state(), dsInsert);
        QCOMPARE(t.table.currentIndex(), 1);
        t.table.setFieldString(0, QStringLiteral("Araya"));
        click(nav, TDBNavigator::nbPost);
        QCOMPARE(t.table.state(), dsBrowse);
        QCOMPARE(t.table.textAt(1, 0), QStringLiteral("Araya"));

        click(nav, TDBNavigator::nbEdit);
        t.table.setFieldString(0, QStringLiteral("Vazgeç"));
        click(nav, TDBNavigator::nbCancel);
        QCOMPARE(t.table.textAt(1, 0), QStringLiteral("Araya"));

        QVERIFY(messages.shown.isEmpty());
    }

    void deleteAsksOnlyWhenConfirming_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("questions");
        QTest::newRow("no question of its own") << false << int(mrNo) << 2 << 0;
        QTest::newRow("confirming, yes") << true << int(mrYes) << 2 << 1;
        QTest::newRow("confirming, no") << true << int(mrNo) << 3 << 1;
    }
    void deleteAsksOnlyWhenConfirming()
    {
        QFETCH(bool, confirm);
        QFETCH(int, answer);
        QFETCH(int, left);
        QFETCH(int, questions);
        ScriptedMessages messages;
        messages.defaultAnswer = answer;
        TextTable t;
        t.fill(3);
        TDBNavigator nav;
        nav.setConfirmDelete(confirm);
        nav.setDataSource(&t.source);
        nav.show();
        click(nav, TDBNavigator::nbDelete);
        QCOMPARE(t.table.recordCount(), left);
        QCOMPARE(messages.shown.size(), questions);
    }

    void aTableRuleStillAsks()
    {
        ScriptedMessages messages;
        messages.defaultAnswer = mrNo;
        TextTable t;
        t.fill(2);
        t.table.BeforeDelete = [](TRxMemoryData&) {
            if (AskSoru(QStringLiteral("Bu kişi kaydı silinsin mi?")) == mrNo)
                Abort();
        };
        TDBNavigator nav;
        nav.setConfirmDelete(false);
        nav.setDataSource(&t.source);
        nav.show();
        click(nav, TDBNavigator::nbDelete);
        QCOMPARE(messages.shown, QStringList{QStringLiteral("Soru: Bu kişi kaydı silinsin mi?")});
        QCOMPARE(t.table.recordCount(), 2);
    }

    void hintsAndVisibleButtons()
    {
        const QStringList hints{QStringLiteral("İlk kayıt (Ctrl+PgUp)"),        QStringLiteral("Önceki kayıt (PgUp)"),
                                QStringLiteral("Sonraki kayıt (PgDn)"),         QStringLiteral("Son kayıt (Ctrl+PgDn)"),
                                QStringLiteral("Yeni kayıt ekle (Ctrl+F2)"),    QStringLiteral("Kaydı sil (Ctrl+F3)"),
                                QStringLiteral("Kayıtta düzeltme yap"),         QStringLiteral("Kaydet (Alt+F2)"),
                                QStringLiteral("Değişiklikleri iptal et (F3)"), QStringLiteral("Kaydı yenile")};
        TDBNavigator nav;
        nav.setHints(hints);
        nav.setVisibleButtons(TDBNavigator::AllButtons & ~TDBNavigator::buttonBit(TDBNavigator::nbEdit) &
                              ~TDBNavigator::buttonBit(TDBNavigator::nbRefresh));
        nav.resize(200, 25);
        nav.show();
        QStringList tips;
        int shownWidth = 0;
        for (int i = 0; i < TDBNavigator::ButtonCount; ++i)
        {
            QToolButton* b = nav.button(TDBNavigator::TNavigateBtn(i));
            tips << b->toolTip();
            if (b->isVisible())
                shownWidth += b->width();
        }
        QCOMPARE(tips, hints);
        QVERIFY(!nav.button(TDBNavigator::nbEdit)->isVisible());
        QVERIFY(!nav.button(TDBNavigator::nbRefresh)->isVisible());
        QVERIFY(nav.button(TDBNavigator::nbCancel)->isVisible());
        QCOMPARE(shownWidth, 200); // eight buttons share the whole width
        QCOMPARE(nav.button(TDBNavigator::nbPost)->focusPolicy(), Qt::NoFocus);
    }

    void postTakesWhatIsTypedInTheGrid()
    {
        ScriptedMessages messages;
        TextTable t;
        t.fill(2);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* grid = new TZVRXDBGrid(&window);
        auto* nav = new TDBNavigator(&window);
        layout->addWidget(grid);
        layout->addWidget(nav);
        grid->setDataSource(&t.source);
        grid->setColumns({{QStringLiteral("ADI"), QStringLiteral("Adı Soyadı"), 195, false}});
        nav->setDataSource(&t.source);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        grid->setFocus();
        QTRY_VERIFY(grid->hasFocus());
        for (QChar c : QStringLiteral("MehmetAli"))
            QTest::keyClicks(QApplication::focusWidget(), QString(c));
        QVERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
        QCOMPARE(enabledButtons(*nav).mid(7, 2), QStringLiteral("CX"));
        click(*nav, TDBNavigator::nbPost);
        QCOMPARE(t.table.state(), dsBrowse);
        QCOMPARE(t.table.textAt(0, 0), QStringLiteral("MehmetAli"));
    }
};

QTEST_MAIN(TestDBNavigator)
#include "test_DBNavigator.moc"
