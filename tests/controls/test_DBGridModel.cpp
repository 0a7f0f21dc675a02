#include "DBGridModel.h"
#include "common/RandomTableSteps.h"
#include "common/ScriptedMessages.h"
#include "test_DBGridTables.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>
#include <functional>

class TestDBGridModel : public QObject
{
    Q_OBJECT

    // What the model shows, row by row, as "cell|cell".
    static QStringList shown(const TDBGridModel& model)
    {
        QStringList rows;
        for (int r = 0; r < model.rowCount(); ++r)
        {
            QStringList cells;
            for (int c = 0; c < model.columnCount(); ++c)
                cells << model.data(model.index(r, c)).toString();
            rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }

    // The table's rows read through its own cursor-free accessors.
    static QStringList tableRows(const TRxMemoryData& table)
    {
        QStringList rows;
        for (int r = 0; r < table.rowCount(); ++r)
            rows << table.textAt(r, 0) + QLatin1Char('|') + table.textAt(r, 1);
        return rows;
    }

    // A participant table of some records shown by a model that Qt's model tester watches.
    struct ShownTable
    {
        explicit ShownTable(int rows)
        {
            t.fill(rows);
            model.setDataSource(&t.source);
            model.setColumns(TextTable::columns());
        }
        TextTable t;
        TDBGridModel model;
        QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};
    };

private Q_SLOTS:
    void staysConsistentUnderTableOperations_data()
    {
        using Op = std::function<void(TRxMemoryData&)>;
        QTest::addColumn<Op>("operation");
        QTest::newRow("append and post") << Op([](TRxMemoryData& t) {
            t.append();
            t.setFieldString(0, QStringLiteral("Yeni"));
            t.post();
        });
        QTest::newRow("insert in the middle, post") << Op([](TRxMemoryData& t) {
            t.moveTo(2);
            t.insert();
            t.setFieldString(0, QStringLiteral("Araya"));
            t.post();
        });
        QTest::newRow("insert then cancel") << Op([](TRxMemoryData& t) {
            t.moveTo(1);
            t.insert();
            t.cancel();
        });
        QTest::newRow("unchanged insert dropped by a move") << Op([](TRxMemoryData& t) {
            t.moveTo(1);
            t.insert();
            t.last();
        });
        QTest::newRow("edit and post") << Op([](TRxMemoryData& t) {
            t.moveTo(3);
            t.edit();
            t.setFieldString(1, QStringLiteral("Değişti"));
            t.post();
        });
        QTest::newRow("delete in the middle") << Op([](TRxMemoryData& t) {
            t.moveTo(2);
            t.deleteRecord();
        });
        QTest::newRow("delete every record") << Op([](TRxMemoryData& t) {
            while (!t.isEmpty())
                t.deleteRecord();
        });
        QTest::newRow("empty with a pending insert") << Op([](TRxMemoryData& t) {
            t.append();
            t.setFieldString(0, QStringLiteral("Bekleyen"));
            t.emptyTable();
        });
        QTest::newRow("changes while suspended") << Op([](TRxMemoryData& t) {
            TControlsSuspension suspended(t);
            t.first();
            t.deleteRecord();
            t.append();
            t.setFieldString(0, QStringLiteral("Sessiz"));
            t.post();
        });
        QTest::newRow("close and reopen") << Op([](TRxMemoryData& t) {
            t.close();
            t.open();
        });
    }
    void staysConsistentUnderTableOperations()
    {
        QFETCH(std::function<void(TRxMemoryData&)>, operation);
        ShownTable view(5);
        TextTable& t = view.t;
        TDBGridModel& model = view.model;
        operation(t.table);
        QCOMPARE(model.rowCount(), t.table.rowCount());
        QCOMPARE(shown(model), tableRows(t.table));
        QCOMPARE(model.indicatorRow(), t.table.currentIndex());
    }

    void staysInStepUnderRandomOperations()
    {
        // Every row change reaches the model before and after it happens, so the tester sees
        // each insertion and removal with the rows around it unchanged, also when a rule
        // refuses a row or removes one inside its post.
        ShownTable view(5);
        TextTable& t = view.t;
        TDBGridModel& model = view.model;
        RandomTableSteps steps(t.table, 11);
        steps.refuseAndRemove();
        for (int step = 0; step < 2000; ++step)
        {
            steps.step();
            if (steps.suspended())
                continue;
            QCOMPARE(shown(model), tableRows(t.table));
            QCOMPARE(model.indicatorRow(), t.table.currentIndex());
            QCOMPARE(model.indicatorState(), t.table.state());
        }
    }

    void showsThePendingRowAndEmptyIntegers()
    {
        RangeTable r(false);
        r.add(1, 5);
        TDBGridModel model;
        model.setDataSource(&r.source);
        model.setColumns(RangeTable::columns());
        r.table.append();
        r.table.setFieldInteger(0, 7);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(shown(model), (QStringList{QStringLiteral("1|5"), QStringLiteral("7|")}));
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Bitiş Değeri"));
        QCOMPARE(model.indicatorRow(), 1);
        QCOMPARE(model.indicatorState(), dsInsert);
        QCOMPARE(model.data(model.index(0, 1), Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
                 int(Qt::AlignRight));
    }

    void readingCellsNeverMovesTheCursor()
    {
        TextTable t;
        t.fill(50);
        t.table.moveTo(17);
        TDBGridModel model;
        model.setDataSource(&t.source);
        model.setColumns(TextTable::columns());
        QSignalSpy moves(&t.source, &TDataSource::cursorMoved);
        QCOMPARE(model.data(model.index(49, 1)).toString(), QStringLiteral("İl 49"));
        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("Kişi 0"));
        QVERIFY(!model.data(model.index(50, 0)).isValid());
        QCOMPARE(t.table.currentIndex(), 17);
        QCOMPARE(moves.count(), 0);
    }

    void unknownFieldShowsEmptyAndIsNotEditable()
    {
        TextTable t;
        t.fill(2);
        TDBGridModel model;
        model.setDataSource(&t.source);
        model.setColumns({{QStringLiteral("YOK"), QStringLiteral("?"), 50, false}});
        QCOMPARE(model.data(model.index(0, 0)).toString(), QString());
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(model.index(0, 0), QStringLiteral("x")));
    }

    void setDataEditsThroughTheTable()
    {
        ShownTable view(3);
        TextTable& t = view.t;
        TDBGridModel& model = view.model;
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

        QVERIFY(model.setData(model.index(2, 0), QStringLiteral("Ayşe")));
        QCOMPARE(t.table.state(), dsEdit);
        QCOMPARE(t.table.currentIndex(), 2);
        QCOMPARE(model.data(model.index(2, 0)).toString(), QStringLiteral("Ayşe"));
        QVERIFY(changed.count() >= 1);

        // Another row: the pending edit is posted first.
        QVERIFY(model.setData(model.index(0, 1), QStringLiteral("Ankara")));
        QCOMPARE(t.table.state(), dsEdit);
        QCOMPARE(t.table.currentIndex(), 0);
        QCOMPARE(t.table.textAt(2, 0), QStringLiteral("Ayşe"));
        t.table.post();
        QCOMPARE(tableRows(t.table).at(0), QStringLiteral("Kişi 0|Ankara"));

        // The same text does not start an edit.
        QVERIFY(model.setData(model.index(1, 0), QStringLiteral("Kişi 1")));
        QCOMPARE(t.table.state(), dsBrowse);

        // The field keeps at most its declared width.
        QVERIFY(model.setData(model.index(1, 0), QString(60, QLatin1Char('x'))));
        QCOMPARE(t.table.textAt(1, 0), QString(40, QLatin1Char('x')));

        // Letters the code page lacks are stored as their nearest letters, not as "?".
        QVERIFY(model.setData(model.index(1, 0), QStringLiteral("Łukasz Đorđević")));
        QCOMPARE(t.table.textAt(1, 0), QStringLiteral("Lukasz Dordevic"));
    }

    void setDataRefusedByARuleKeepsTheOtherRow()
    {
        ScriptedMessages messages;
        RangeTable r;
        r.add(1, 5);
        r.add(10, 20);
        TDBGridModel model;
        model.setDataSource(&r.source);
        model.setColumns(
            {{QStringLiteral("BASLANGIC"), QString(), 110, false}, {QStringLiteral("BITIS"), QString(), 110, false}});
        QVERIFY(model.setData(model.index(1, 1), QStringLiteral("0")));
        QCOMPARE(r.table.state(), dsEdit);
        // Moving to row 0 must post row 1 first, which the rule refuses.
        QVERIFY(!model.setData(model.index(0, 0), QStringLiteral("3")));
        QCOMPARE(messages.shown, QStringList{QStringLiteral("Bilgi: Bitiş değerini giriniz.")});
        QCOMPARE(r.table.state(), dsEdit);
        QCOMPARE(r.table.currentIndex(), 1);
        QCOMPARE(r.table.integerAt(0, 0), 1);
        QCOMPARE(model.data(model.index(1, 1)).toString(), QStringLiteral("0"));
    }

    void integerCellsAcceptOnlyNumbers()
    {
        RangeTable r(false);
        r.add(1, 5);
        TDBGridModel model;
        model.setDataSource(&r.source);
        model.setColumns({{QStringLiteral("BASLANGIC"), QString(), 110, false}});
        QVERIFY(!model.setData(model.index(0, 0), QStringLiteral("abc")));
        QCOMPARE(r.table.integerAt(0, 0), 1);
        QVERIFY(model.setData(model.index(0, 0), QStringLiteral(" -12 ")));
        QCOMPARE(r.table.fieldAsInteger(0), -12);
        QVERIFY(model.setData(model.index(0, 0), QString()));
        QVERIFY(r.table.fieldIsNull(0));
    }

    void readOnlyRefusesEdits()
    {
        ShownTable view(2);
        TextTable& t = view.t;
        TDBGridModel& model = view.model;
        model.setReadOnly(true);
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(model.index(0, 0), QStringLiteral("x")));
        QCOMPARE(t.table.state(), dsBrowse);
    }

    void suspendedTableFreezesTheView()
    {
        ShownTable view(4);
        TextTable& t = view.t;
        TDBGridModel& model = view.model;
        QSignalSpy follow(&model, &TDBGridModel::cursorMoved);
        t.table.disableControls();
        t.table.last();
        t.table.prior();
        QCOMPARE(model.indicatorRow(), 0);
        QCOMPARE(follow.count(), 0);
        t.table.enableControls();
        QCOMPARE(model.indicatorRow(), 2);
        QCOMPARE(follow.count(), 1);
    }
};

QTEST_MAIN(TestDBGridModel)
#include "test_DBGridModel.moc"
