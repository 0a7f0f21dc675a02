// The in-memory table: cursor, editing, settling of pending edits, identities, bookmarks,
// locate, view access, notifications and the name index.
#include "Codec1254.h"
#include "DataSource.h"
#include "DrawTables.h"
#include "EAbort.h"
#include "Guard.h"
#include "RxMemoryData.h"
#include "TurkishUpper.h"
#include "common/RandomTableSteps.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <utility>

namespace {
// Appends and posts one participant per name.
void fill(TRxMemoryData& t, const QStringList& names)
{
    for (const QString& n : names)
    {
        t.append();
        t.setFieldString(0, n);
        t.post();
    }
}

QStringList names(const TRxMemoryData& t)
{
    QStringList out;
    for (int r = 0; r < t.rowCount(); ++r)
        out << t.textAt(r, 0);
    return out;
}
} // namespace

class TestRxMemoryData : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void closedAndEmptyTable();
    void fieldsAndImage();
    void cursorWalk();
    void appendAndInsertPositions();
    void pendingRowIsVisibleToViews();
    void editEmptyTableStartsInsert();
    void settlesPendingEditOnMove_data();
    void settlesPendingEditOnMove();
    void refusedPostKeepsTheRow();
    void deleteLeavesCursor_data();
    void deleteLeavesCursor();
    void deleteRefusedOrOnInsert();
    void identitiesRestartWhenEmptied();
    void bookmarksFollowTheRecord();
    void locate_data();
    void locate();
    void locateSettlesAndKeepsCursorOnFailure();
    void moveToAcrossPendingInsert();
    void notificationsAndSuspension();
    void dataSourceFollowsTable();
    void keyIndexMatchesScan();
    void notificationsKeepAViewInStep();

private:
    std::unique_ptr<TRxMemoryData> t;
};

void TestRxMemoryData::init()
{
    t = std::make_unique<TRxMemoryData>();
    t->setObjectName(QStringLiteral("Kisi_T"));
    defineKisi(*t);
    t->open();
}

void TestRxMemoryData::cleanup()
{
    t.reset();
}

void TestRxMemoryData::closedAndEmptyTable()
{
    TRxMemoryData closed;
    defineKisi(closed);
    QVERIFY(!closed.isOpen());
    QCOMPARE(closed.state(), dsInactive);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, closed.first());
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, closed.append());
    closed.emptyTable(); // a closed table is left alone
    QCOMPARE(closed.textAt(0, 0), QString());

    QCOMPARE(t->state(), dsBrowse);
    QVERIFY(t->eof());
    QCOMPARE(t->recordCount(), 0);
    QCOMPARE(t->currentIndex(), -1);
    QVERIFY(!t->locate(u"ADI", QString()));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, t->deleteRecord());
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, t->setFieldString(0, QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, t->addStringField(QStringLiteral("X"), 3));
    QCOMPARE(t->fieldAsString(u"adi"), QString()); // names match without regard to case
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, t->fieldAsString(u"YOK"));
}

void TestRxMemoryData::fieldsAndImage()
{
    TRxMemoryData rx;
    rx.addIntegerField(QStringLiteral("BASLANGIC"));
    rx.addIntegerField(QStringLiteral("BITIS"));
    QCOMPARE(rx.recordSize(), 10);
    QCOMPARE(rx.field(1)->offset(), 5);
    QCOMPARE(t->recordSize(), 84);
    QCOMPARE(t->fieldByName(u"IL_ILCE")->offset(), 42);

    t->append();
    QCOMPARE(t->recordImage(), QByteArray(84, '\0'));
    // 45 characters: only 40 are kept, the zero byte follows them.
    t->setFieldString(0, QString(45, QLatin1Char('x')));
    t->setFieldString(1, QStringLiteral("Şile"));
    t->setFieldString(1, QString()); // typed, then erased: given, but empty
    QCOMPARE(t->fieldAsString(0), QString(40, QLatin1Char('x')));
    QVERIFY(!t->fieldIsNull(1));
    QCOMPARE(t->fieldAsString(1), QString());
    t->post();
    const QByteArray image = t->recordImage();
    QCOMPARE(image.size(), 84);
    QCOMPARE(image.at(0), '\1');
    QCOMPARE(image.mid(1, 40), QByteArray(40, 'x'));
    QCOMPARE(image.at(41), '\0');
    QCOMPARE(image.at(42), '\1');
    QCOMPARE(image.mid(43), QByteArray(41, '\0'));

    // Integers read 0 while never set, and -1 survives as its little-endian bytes.
    rx.open();
    rx.append();
    rx.setFieldInteger(0, -1);
    QCOMPARE(rx.fieldAsInteger(1), 0);
    QVERIFY(rx.fieldIsNull(1));
    rx.post();
    QCOMPARE(rx.recordImage(), QByteArray("\x01\xFF\xFF\xFF\xFF\0\0\0\0\0", 10));
    QCOMPARE(rx.textAt(0, 0), QStringLiteral("-1"));
    QCOMPARE(rx.textAt(0, 1), QString());
}

void TestRxMemoryData::cursorWalk()
{
    fill(*t, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    QCOMPARE(t->currentIndex(), 2);
    QVERIFY(!t->eof());
    t->first();
    QVERIFY(t->bof());
    QStringList seen;
    for (; !t->eof(); t->next())
        seen << t->fieldAsString(0);
    QCOMPARE(seen, QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    QCOMPARE(t->currentIndex(), 2); // past the end, the cursor still names the last record
    t->prior();
    QCOMPARE(t->fieldAsString(0), QStringLiteral("b"));
    QVERIFY(!t->eof());
    t->prior();
    t->prior();
    QVERIFY(t->bof());
    QCOMPARE(t->fieldAsString(0), QStringLiteral("a"));
    t->last();
    QVERIFY(t->eof());
    QCOMPARE(t->fieldAsString(0), QStringLiteral("c"));
    t->moveTo(1);
    QCOMPARE(t->fieldAsString(0), QStringLiteral("b"));
    t->moveTo(99); // out of range: ignored
    QCOMPARE(t->currentIndex(), 1);
}

void TestRxMemoryData::appendAndInsertPositions()
{
    fill(*t, {QStringLiteral("a"), QStringLiteral("c")});
    t->moveTo(1);
    t->insert();
    QCOMPARE(t->state(), dsInsert);
    QCOMPARE(t->recordCount(), 2); // the pending record is not counted
    QCOMPARE(t->rowCount(), 3);
    QCOMPARE(t->currentIndex(), 1);
    t->setFieldString(0, QStringLiteral("b"));
    t->post();
    QCOMPARE(names(*t), QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    QCOMPARE(t->currentIndex(), 1);
    t->first();
    t->append();
    t->setFieldString(0, QStringLiteral("d"));
    t->post();
    QCOMPARE(t->currentIndex(), 3);
    QCOMPARE(names(*t).last(), QStringLiteral("d"));
    // Inserting into an empty table puts the record first.
    t->emptyTable();
    t->insert();
    t->setFieldString(0, QStringLiteral("z"));
    t->post();
    QCOMPARE(names(*t), QStringList{QStringLiteral("z")});
}

void TestRxMemoryData::pendingRowIsVisibleToViews()
{
    fill(*t, {QStringLiteral("a"), QStringLiteral("c")});
    t->moveTo(1);
    t->insert();
    t->setFieldString(0, QStringLiteral("new"));
    QCOMPARE(t->pendingRow(), 1);
    QCOMPARE(names(*t), QStringList({QStringLiteral("a"), QStringLiteral("new"), QStringLiteral("c")}));
    QCOMPARE(t->identityAt(2), 2u); // "c" keeps its identity while shifted down a row
    t->cancel();
    QCOMPARE(names(*t), QStringList({QStringLiteral("a"), QStringLiteral("c")}));
    QCOMPARE(t->currentIndex(), 1);

    t->edit();
    t->setFieldString(0, QStringLiteral("changed"));
    QCOMPARE(t->pendingRow(), 1);
    QCOMPARE(t->textAt(1, 0), QStringLiteral("changed"));
    t->cancel();
    QCOMPARE(t->textAt(1, 0), QStringLiteral("c"));
    // Rows and fields outside the table read as empty, never out of the buffer.
    QCOMPARE(t->textAt(-1, 0), QString());
    QCOMPARE(t->textAt(2, 0), QString());
    QCOMPARE(t->textAt(0, 7), QString());
    QCOMPARE(t->integerAt(5, 0), 0);
    QVERIFY(t->recordDataAt(2) == nullptr);
}

void TestRxMemoryData::editEmptyTableStartsInsert()
{
    t->edit();
    QCOMPARE(t->state(), dsInsert);
    t->edit(); // already inserting: nothing happens
    QCOMPARE(t->rowCount(), 1);
    t->cancel();
    QCOMPARE(t->rowCount(), 0);
    QVERIFY(t->eof());
}

void TestRxMemoryData::settlesPendingEditOnMove_data()
{
    QTest::addColumn<QString>("move");
    QTest::addColumn<bool>("change");
    QTest::addColumn<bool>("inEditor"); // the change is still in an open editor of a view
    for (const char* m : {"first", "next", "prior", "last", "moveTo", "append", "insert", "locate", "empty"})
    {
        QTest::addRow("%s changed", m) << QString::fromLatin1(m) << true << false;
        QTest::addRow("%s typed in an editor", m) << QString::fromLatin1(m) << true << true;
        QTest::addRow("%s unchanged", m) << QString::fromLatin1(m) << false << false;
    }
}

void TestRxMemoryData::settlesPendingEditOnMove()
{
    QFETCH(QString, move);
    QFETCH(bool, change);
    QFETCH(bool, inEditor);
    fill(*t, {QStringLiteral("a"), QStringLiteral("b")});
    int posts = 0;
    t->BeforePost = [&](TRxMemoryData&) { ++posts; };
    // An editor writes what it holds when the table asks, before the table settles.
    TDataSource view(t.get());
    QString editorText = change && inEditor ? QStringLiteral("new") : QString();
    connect(&view, &TDataSource::commitRequested, this, [&] {
        if (t->state() != dsBrowse && !editorText.isEmpty())
            t->setFieldString(0, std::exchange(editorText, QString()));
    });

    t->append();
    if (change && !inEditor)
        t->setFieldString(0, QStringLiteral("new"));
    if (move == QLatin1String("first"))
        t->first();
    else if (move == QLatin1String("next"))
        t->next();
    else if (move == QLatin1String("prior"))
        t->prior();
    else if (move == QLatin1String("last"))
        t->last();
    else if (move == QLatin1String("moveTo"))
        t->moveTo(0);
    else if (move == QLatin1String("append"))
        t->append();
    else if (move == QLatin1String("insert"))
        t->insert();
    else if (move == QLatin1String("locate"))
        t->locate(u"ADI", QStringLiteral("a"));
    else if (move == QLatin1String("empty"))
        t->emptyTable();

    QCOMPARE(posts, change ? 1 : 0);
    if (move == QLatin1String("empty"))
    {
        QCOMPARE(t->recordCount(), 0);
        return;
    }
    QCOMPARE(t->recordCount(), change ? 3 : 2);
    if (change)
        QVERIFY(names(*t).contains(QStringLiteral("new")));
    if (move == QLatin1String("moveTo") || move == QLatin1String("locate"))
        QCOMPARE(t->fieldAsString(0), QStringLiteral("a"));
}

void TestRxMemoryData::refusedPostKeepsTheRow()
{
    fill(*t, {QStringLiteral("a")});
    t->BeforePost = [](TRxMemoryData& table) {
        if (table.fieldAsString(0).isEmpty())
            Abort();
    };
    t->append();
    t->setFieldString(1, QStringLiteral("only extra"));
    QVERIFY_THROWS_EXCEPTION(EAbort, t->post());
    QCOMPARE(t->state(), dsInsert);
    QCOMPARE(t->fieldAsString(1), QStringLiteral("only extra"));
    // A cursor move settles the row, is refused the same way and does not move.
    QVERIFY_THROWS_EXCEPTION(EAbort, t->first());
    QCOMPARE(t->state(), dsInsert);
    QCOMPARE(t->currentIndex(), 1);
    QCOMPARE(t->recordCount(), 1);
    t->setFieldString(0, QStringLiteral("b"));
    t->first();
    QCOMPARE(names(*t), QStringList({QStringLiteral("a"), QStringLiteral("b")}));
}

void TestRxMemoryData::deleteLeavesCursor_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QStringList>("left");
    const QStringList abc{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    QTest::newRow("first") << 0 << false << QStringLiteral("b") << QStringList{abc[1], abc[2]};
    QTest::newRow("middle") << 1 << false << QStringLiteral("c") << QStringList{abc[0], abc[2]};
    QTest::newRow("last") << 2 << false << QStringLiteral("b") << QStringList{abc[0], abc[1]};
    QTest::newRow("middle while editing") << 1 << true << QStringLiteral("c") << QStringList{abc[0], abc[2]};
}

void TestRxMemoryData::deleteLeavesCursor()
{
    QFETCH(int, row);
    QFETCH(bool, editing);
    QFETCH(QString, current);
    QFETCH(QStringList, left);
    fill(*t, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    int posts = 0;
    t->BeforePost = [&](TRxMemoryData&) { ++posts; };
    t->moveTo(row);
    if (editing)
    {
        t->edit();
        t->setFieldString(0, QStringLiteral("edited"));
    }
    t->deleteRecord();
    QCOMPARE(posts, 0); // the edit of a deleted record is never stored
    QCOMPARE(t->state(), dsBrowse);
    QCOMPARE(t->fieldAsString(0), current);
    QCOMPARE(names(*t), left);
    QVERIFY(!t->eof());
}

void TestRxMemoryData::deleteRefusedOrOnInsert()
{
    fill(*t, {QStringLiteral("a"), QStringLiteral("b")});
    int asked = 0;
    t->BeforeDelete = [&](TRxMemoryData&) {
        ++asked;
        Abort();
    };
    t->moveTo(0);
    QVERIFY_THROWS_EXCEPTION(EAbort, t->deleteRecord());
    QCOMPARE(t->recordCount(), 2);
    QCOMPARE(t->fieldAsString(0), QStringLiteral("a"));
    // Deleting a record being inserted only cancels it, without the event.
    t->append();
    t->setFieldString(0, QStringLiteral("x"));
    t->deleteRecord();
    QCOMPARE(asked, 1);
    QCOMPARE(t->state(), dsBrowse);
    QCOMPARE(t->recordCount(), 2);
    // Deleting the only record empties the table.
    t->BeforeDelete = nullptr;
    t->emptyTable();
    fill(*t, {QStringLiteral("only")});
    t->deleteRecord();
    QCOMPARE(t->recordCount(), 0);
    QVERIFY(t->eof());
    QCOMPARE(t->currentIndex(), -1);
}

void TestRxMemoryData::identitiesRestartWhenEmptied()
{
    fill(*t, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    QCOMPARE(t->identityAt(0), 1u);
    QCOMPARE(t->identityAt(2), 3u);
    t->moveTo(2);
    t->deleteRecord(); // not the last remaining record: numbering goes on
    fill(*t, {QStringLiteral("d")});
    QCOMPARE(t->recordIdentity(), 4u);
    t->emptyTable();
    fill(*t, {QStringLiteral("e")});
    QCOMPARE(t->recordIdentity(), 1u);
    t->deleteRecord();
    fill(*t, {QStringLiteral("f")});
    QCOMPARE(t->recordIdentity(), 1u);
    t->close();
    t->open();
    fill(*t, {QStringLiteral("g")});
    QCOMPARE(t->recordIdentity(), 1u);
}

void TestRxMemoryData::bookmarksFollowTheRecord()
{
    fill(*t, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    t->moveTo(1);
    const TBookmark mark = t->getBookmark();
    QVERIFY(mark != 0);
    // Records inserted and deleted before it move it to another row.
    t->first();
    t->insert();
    t->setFieldString(0, QStringLiteral("front"));
    t->post();
    t->last();
    t->deleteRecord();
    t->gotoBookmark(mark);
    QCOMPARE(t->fieldAsString(0), QStringLiteral("b"));
    QCOMPARE(t->currentIndex(), 2);
    QVERIFY(!t->eof());
    t->freeBookmark(mark);

    t->deleteRecord();
    QVERIFY(!t->bookmarkValid(mark));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, t->gotoBookmark(mark));
    QCOMPARE(t->getBookmark() == 0, false);
    t->append();
    QCOMPARE(t->getBookmark(), TBookmark(0)); // a record not yet stored has no bookmark
}

void TestRxMemoryData::locate_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("options");
    QTest::addColumn<int>("found"); // row, or -1
    QTest::newRow("exact") << QStringLiteral("Ayşe") << 0 << 1;
    QTest::newRow("case differs") << QStringLiteral("ayşe") << 0 << -1;
    QTest::newRow("case-insensitive") << QStringLiteral("AYŞE") << int(loCaseInsensitive) << 1;
    QTest::newRow("Turkish i is not I") << QStringLiteral("IPEK") << int(loCaseInsensitive) << -1;
    QTest::newRow("Turkish İ") << QStringLiteral("İPEK") << int(loCaseInsensitive) << 2;
    QTest::newRow("prefix") << QStringLiteral("Ay") << int(loPartialKey) << 1;
    QTest::newRow("prefix needs whole key") << QStringLiteral("Ayşe Yılmaz") << int(loPartialKey) << -1;
    QTest::newRow("prefix any case") << QStringLiteral("ah") << int(loPartialKey | loCaseInsensitive) << 0;
    QTest::newRow("exact is whole value") << QStringLiteral("Ay") << 0 << -1;
    QTest::newRow("empty matches empty name") << QString() << 0 << 3;
}

void TestRxMemoryData::locate()
{
    QFETCH(QString, value);
    QFETCH(int, options);
    QFETCH(int, found);
    fill(*t, {QStringLiteral("Ahmet"), QStringLiteral("Ayşe"), QStringLiteral("ipek"), QString()});
    t->moveTo(0);
    QCOMPARE(t->locate(u"ADI", value, options), found >= 0);
    QCOMPARE(t->currentIndex(), found >= 0 ? found : 0);
}

void TestRxMemoryData::locateSettlesAndKeepsCursorOnFailure()
{
    fill(*t, {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("x")});
    // The current record is tried first, so the second "x" is kept.
    t->moveTo(2);
    QVERIFY(t->locate(u"ADI", QStringLiteral("x")));
    QCOMPARE(t->currentIndex(), 2);
    t->moveTo(1);
    QVERIFY(t->locate(u"ADI", QStringLiteral("x")));
    QCOMPARE(t->currentIndex(), 0);
    t->last();
    QVERIFY(!t->locate(u"ADI", QStringLiteral("none")));
    QCOMPARE(t->currentIndex(), 2);
    // A pending new record is stored first and can be found.
    t->append();
    t->setFieldString(0, QStringLiteral("pending"));
    QVERIFY(t->locate(u"adi", QStringLiteral("pending")));
    QCOMPARE(t->currentIndex(), 3);

    TRxMemoryData rx;
    defineRx(rx).open();
    for (int v : {5, 12, -3})
    {
        rx.append();
        rx.setFieldInteger(0, v);
        rx.post();
    }
    QVERIFY(rx.locate(u"BASLANGIC", QStringLiteral("12")));
    QCOMPARE(rx.currentIndex(), 1);
    QVERIFY(!rx.locate(u"BITIS", QStringLiteral("0"))); // never set is not 0
}

void TestRxMemoryData::moveToAcrossPendingInsert()
{
    fill(*t, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    t->moveTo(1);
    t->insert();
    t->setFieldString(0, QStringLiteral("new"));
    // Row 3 is "c" as the view shows it; storing the new row keeps it row 3.
    t->moveTo(3);
    QCOMPARE(t->fieldAsString(0), QStringLiteral("c"));
    QCOMPARE(t->currentIndex(), 3);
    // An untouched new row is dropped, and "c" moves back up to row 2.
    t->moveTo(0);
    t->insert();
    t->moveTo(4);
    QCOMPARE(t->fieldAsString(0), QStringLiteral("c"));
    QCOMPARE(t->currentIndex(), 3);
}

void TestRxMemoryData::notificationsAndSuspension()
{
    QSignalSpy refresh(t.get(), &TRxMemoryData::dataSetChanged);
    QSignalSpy inserted(t.get(), &TRxMemoryData::rowInserted);
    QSignalSpy removed(t.get(), &TRxMemoryData::rowRemoved);
    QSignalSpy changed(t.get(), &TRxMemoryData::recordChanged);
    QSignalSpy moved(t.get(), &TRxMemoryData::cursorMoved);
    QSignalSpy state(t.get(), &TRxMemoryData::stateChanged);
    QSignalSpy commits(t.get(), &TRxMemoryData::commitRequested);

    t->append();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.last().at(0).toInt(), 0);
    QCOMPARE(state.last().at(0).toInt(), int(dsInsert));
    t->setFieldString(0, QStringLiteral("a"));
    QCOMPARE(changed.last().at(0).toInt(), 0);
    t->post();
    QCOMPARE(state.last().at(0).toInt(), int(dsBrowse));
    t->append();
    t->cancel();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.last().at(0).toInt(), 1);

    refresh.clear();
    commits.clear();
    const int movesBefore = moved.count();
    t->disableControls();
    t->disableControls();
    fill(*t, {QStringLiteral("b"), QStringLiteral("c")});
    t->first();
    t->deleteRecord();
    t->enableControls();
    QCOMPARE(refresh.count(), 0); // still suspended once
    QCOMPARE(commits.count(), 1); // asked once, as the views were suspended
    QCOMPARE(moved.count(), movesBefore);
    t->enableControls();
    QCOMPARE(refresh.count(), 1);
    t->enableControls(); // unbalanced resume is harmless
    QCOMPARE(refresh.count(), 1);
    t->emptyTable();
    QCOMPARE(refresh.count(), 2);
}

void TestRxMemoryData::dataSourceFollowsTable()
{
    TDataSource source(t.get());
    QCOMPARE(source.dataSet(), t.get());
    QSignalSpy refresh(&source, &TDataSource::dataSetChanged);
    QSignalSpy moved(&source, &TDataSource::cursorMoved);
    fill(*t, {QStringLiteral("a"), QStringLiteral("b")});
    t->first();
    QCOMPARE(moved.last().at(0).toInt(), 0);
    {
        TControlsSuspension quiet(*t);
        t->next();
        QCOMPARE(moved.last().at(0).toInt(), 0);
    }
    QCOMPARE(refresh.count(), 1);
    QCOMPARE(source.state(), dsBrowse);

    // Pointed at another table, the views hear that table only.
    TRxMemoryData other;
    defineKisi(other).open();
    source.setDataSet(&other);
    moved.clear();
    t->first();
    QCOMPARE(moved.count(), 0);
    fill(other, {QStringLiteral("c")});
    QCOMPARE(moved.last().at(0).toInt(), 0);
    source.setDataSet(t.get());
    t.reset();
    QCOMPARE(source.dataSet(), nullptr);
    QCOMPARE(source.state(), dsInactive);
}

void TestRxMemoryData::keyIndexMatchesScan()
{
    // Random stores, edits, inserts and deletes on names that collide under upper-casing;
    // after each step the index must count exactly what a scan counts.
    t->setKeyIndexField(0);
    const QStringList pool{
        QStringLiteral("ahmet"), QStringLiteral("AHMET"), QStringLiteral("Irmak"), QStringLiteral("ırmak"),
        QStringLiteral("İpek"),  QStringLiteral("Ipek"),  QStringLiteral("ipek"),  QString(),
        QStringLiteral("Ayşe"),  QStringLiteral("AYŞE ")};
    QRandomGenerator rng(7);
    for (int step = 0; step < 3000; ++step)
    {
        const int op = rng.bounded(10);
        if (op < 5 || t->recordCount() == 0)
        {
            if (op % 2)
                t->append();
            else
                t->insert();
            t->setFieldString(0, pool[rng.bounded(pool.size())]);
            t->post();
        }
        else if (op < 7)
        {
            t->moveTo(rng.bounded(t->recordCount()));
            t->edit();
            t->setFieldString(0, pool[rng.bounded(pool.size())]);
            t->post();
        }
        else if (op < 9)
        {
            t->moveTo(rng.bounded(t->recordCount()));
            t->deleteRecord();
        }
        else if (rng.bounded(20) == 0)
            t->emptyTable();
        else if (rng.bounded(4) == 0)
            t->deferKeyIndex(); // rebuilt in one pass at the next count

        const QByteArray key = FUp2(Cp1254::fromUnicode(pool[rng.bounded(pool.size())]));
        int scan = 0;
        for (int r = 0; r < t->recordCount(); ++r)
            if (FUp2(t->bytesAt(r, 0)) == key)
                ++scan;
        QCOMPARE(t->countKey(key, 1000000), scan);
        QCOMPARE(t->countKey(key, 2), std::min(scan, 2));
        // The same index counts names equal byte for byte, as the winner pick compares them.
        const QByteArray text = Cp1254::fromUnicode(pool[rng.bounded(pool.size())]);
        int exact = 0;
        for (int r = 0; r < t->recordCount(); ++r)
            exact += t->bytesAt(r, 0) == text ? 1 : 0;
        QCOMPARE(t->countKeyExact(text, 1000000), exact);
    }
}

void TestRxMemoryData::notificationsKeepAViewInStep()
{
    // A view that only counts rows from the notifications, as a grid model does, must agree
    // with the table after every operation, whatever the rules refuse or remove. A row change
    // is announced before it happens, with the rows still as they were (a row about to go can
    // still be read), and after, with the same row.
    TDataSource source(t.get());
    int rows = 0;
    int announced = -1; // row of a change announced and not yet done
    bool outOfStep = false;
    connect(&source, &TDataSource::dataSetChanged, this, [&] { rows = t ? t->rowCount() : 0; });
    connect(&source, &TDataSource::rowAboutToBeInserted, this, [&](int row) {
        outOfStep |= announced >= 0 || row < 0 || row > rows || t->rowCount() != rows;
        announced = row;
    });
    connect(&source, &TDataSource::rowInserted, this, [&](int row) {
        outOfStep |= row != announced || t->rowCount() != ++rows;
        announced = -1;
    });
    connect(&source, &TDataSource::rowAboutToBeRemoved, this, [&](int row) {
        outOfStep |= announced >= 0 || row < 0 || row >= rows || t->rowCount() != rows || t->identityAt(row) == 0;
        announced = row;
    });
    connect(&source, &TDataSource::rowRemoved, this, [&](int row) {
        outOfStep |= row != announced || t->rowCount() != --rows;
        announced = -1;
    });
    connect(&source, &TDataSource::recordChanged, this, [&](int row) { outOfStep |= row < 0 || row >= rows; });
    connect(&source, &TDataSource::cursorMoved, this, [&](int row) { outOfStep |= row < -1 || row >= rows; });
    RandomTableSteps steps(*t, 42);
    steps.refuseAndRemove();
    for (int step = 0; step < 4000; ++step)
    {
        steps.step();
        if (!steps.suspended())
        {
            QCOMPARE(rows, t->rowCount());
            QCOMPARE(announced, -1);
            QVERIFY(!outOfStep);
        }
    }
}

QTEST_GUILESS_MAIN(TestRxMemoryData)
#include "test_RxMemoryData.moc"
