// The participant rules: empty-name refusal, duplicate removal and the delete question.
#include "DataSource.h"
#include "DrawTables.h"
#include "EAbort.h"
#include "Guard.h"
#include "KisiRules.h"
#include "TableFiles.h"
#include "common/ScriptedMessages.h"

#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kAsk = QStringLiteral("Soru: Bu kişi kaydı silinsin mi?");

QString duplicateMessage(const QString& key)
{
    return QStringLiteral("Bilgi: \"") + key + QStringLiteral("\" daha önce tanımlanmış");
}
} // namespace

class TestKisiRules : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void duplicates_data();
    void duplicates();
    void duplicateInsertedInTheMiddle();
    void batchAsksOnceToSkipTheRest_data();
    void batchAsksOnceToSkipTheRest();
    void editingExtraInformationKeepsRecord();
    void editedIntoAnothersNameRemovesEdited();
    void emptyNameRefusedOnlyWithDefinitionsWindow();
    void rulesInactiveWithoutDefinitionsWindow();
    void deleteAsksEveryTime();
    void emptyingAsksNothing();
    void removingHandlersOnDestruction();
    void tableSetFollowsTheDefinitionsWindow();

private:
    void add(const QString& name, const QString& extra = QString());
    QStringList names() const;

    std::unique_ptr<TRxMemoryData> t;
    std::unique_ptr<TKisiRules> rules;
    std::unique_ptr<ScriptedMessages> messages;
    bool definitionsOpen = true;
};

void TestKisiRules::init()
{
    t = std::make_unique<TRxMemoryData>();
    defineKisi(*t).open();
    definitionsOpen = true;
    rules = std::make_unique<TKisiRules>(*t, [this] { return definitionsOpen; });
    rules->install();
    messages = std::make_unique<ScriptedMessages>();
    KisiDeleteConfirm = true;
}

void TestKisiRules::cleanup()
{
    rules.reset();
    t.reset();
    messages.reset();
}

void TestKisiRules::add(const QString& name, const QString& extra)
{
    t->append();
    t->setFieldString(0, name);
    if (!extra.isNull())
        t->setFieldString(1, extra);
    t->post();
}

QStringList TestKisiRules::names() const
{
    QStringList out;
    for (int r = 0; r < t->rowCount(); ++r)
        out << t->textAt(r, 0);
    return out;
}

void TestKisiRules::duplicates_data()
{
    QTest::addColumn<bool>("indexed");
    QTest::addColumn<QString>("existing");
    QTest::addColumn<QString>("added");
    QTest::addColumn<QString>("shownKey"); // empty: no duplicate
    const struct
    {
        const char* tag;
        QString existing, added, key;
    } cases[] = {
        {"ahmet after AHMET", QStringLiteral("AHMET"), QStringLiteral("ahmet"), QStringLiteral("AHMET")},
        {"ı and I", QStringLiteral("AHMET YILMAZ"), QStringLiteral("Ahmet Yılmaz"), QStringLiteral("AHMET YILMAZ")},
        {"Irmak ırmak", QStringLiteral("Irmak"), QStringLiteral("ırmak"), QStringLiteral("IRMAK")},
        {"İpek ipek", QStringLiteral("İpek"), QStringLiteral("ipek"), QStringLiteral("İPEK")},
        {"Ayşe shown upper", QStringLiteral("AYŞE"), QStringLiteral("Ayşe"), QStringLiteral("AYŞE")},
        {"Ipek İpek differ", QStringLiteral("Ipek"), QStringLiteral("İpek"), QString()},
        {"trailing blank differs", QStringLiteral("Ali"), QStringLiteral("Ali "), QString()},
        {"blank names", QStringLiteral(" "), QStringLiteral(" "), QStringLiteral(" ")},
    };
    for (bool indexed : {true, false})
        for (const auto& c : cases)
            QTest::addRow("%s, %s", c.tag, indexed ? "index" : "scan") << indexed << c.existing << c.added << c.key;
}

void TestKisiRules::duplicates()
{
    QFETCH(bool, indexed);
    QFETCH(QString, existing);
    QFETCH(QString, added);
    QFETCH(QString, shownKey);
    if (!indexed)
        t->setKeyIndexField(-1); // the rule falls back to scanning the table
    add(QStringLiteral("Zeynep"));
    add(existing, QStringLiteral("eski"));
    add(QStringLiteral("Mert"));
    messages->clear();

    add(added, QStringLiteral("yeni"));
    QVERIFY(KisiDeleteConfirm);
    QCOMPARE(t->state(), dsBrowse);
    if (shownKey.isEmpty())
    {
        QCOMPARE(t->recordCount(), 4);
        QCOMPARE(messages->shown, QStringList());
        QCOMPARE(t->fieldAsString(0), added);
        return;
    }
    // The record just stored goes, silently, and the earlier one stays.
    QCOMPARE(messages->shown, QStringList{duplicateMessage(shownKey)});
    QCOMPARE(names(), QStringList({QStringLiteral("Zeynep"), existing, QStringLiteral("Mert")}));
    QCOMPARE(t->textAt(1, 1), QStringLiteral("eski"));
    QCOMPARE(t->currentIndex(), 2); // the new last record
}

void TestKisiRules::duplicateInsertedInTheMiddle()
{
    add(QStringLiteral("Can"));
    add(QStringLiteral("Ece"));
    add(QStringLiteral("Deniz"));
    t->moveTo(1);
    t->insert();
    t->setFieldString(0, QStringLiteral("can"));
    t->post();
    QCOMPARE(names(), QStringList({QStringLiteral("Can"), QStringLiteral("Ece"), QStringLiteral("Deniz")}));
    QCOMPARE(t->fieldAsString(0), QStringLiteral("Ece")); // the record that followed the removed one
}

namespace {
QString skipQuestion(const QString& key)
{
    return QStringLiteral("Soru: \"") + key +
           QStringLiteral("\" daha önce tanımlanmış.\r\nBu aktarımda başka tekrar eden adlar da var. Kalan tekrar "
                          "eden adlar mesaj gösterilmeden atlansın mı?");
}
} // namespace

void TestKisiRules::batchAsksOnceToSkipTheRest_data()
{
    QTest::addColumn<int>("duplicates");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("messagesAfterQuestion"); // -1: no question
    QTest::newRow("a handful: only messages") << TDuplicateBatch::MessagesBeforeQuestion << int(mrYes) << -1;
    QTest::newRow("one more: asked, skipped") << TDuplicateBatch::MessagesBeforeQuestion + 1 << int(mrYes) << 0;
    QTest::newRow("299: asked once, skipped") << 299 << int(mrYes) << 0;
    QTest::newRow("answered No: every message") << 9 << int(mrNo) << 3;
}

// Every duplicate of a batch is removed and counted, whether it was told by a message or not.
void TestKisiRules::batchAsksOnceToSkipTheRest()
{
    QFETCH(int, duplicates);
    QFETCH(int, answer);
    QFETCH(int, messagesAfterQuestion);
    add(QStringLiteral("Veli"));
    messages->defaultAnswer = answer;
    {
        TDuplicateBatch batch(*t);
        TRxMemoryData other;
        defineKisi(other).open();
        TDuplicateBatch elsewhere(other); // a batch of another table leaves this one alone
        for (int i = 0; i < duplicates; ++i)
            add(i % 2 ? QStringLiteral("VELİ") : QStringLiteral("veli"), QString::number(i));
        add(QStringLiteral("Ali"));
        QCOMPARE(batch.removed(), duplicates);
        QCOMPARE(elsewhere.removed(), 0);
    }
    QCOMPARE(names(), (QStringList{QStringLiteral("Veli"), QStringLiteral("Ali")}));
    QStringList expected(std::min(duplicates, int(TDuplicateBatch::MessagesBeforeQuestion)),
                         duplicateMessage(QStringLiteral("VELİ")));
    if (messagesAfterQuestion >= 0)
        expected << skipQuestion(QStringLiteral("VELİ"))
                 << QStringList(messagesAfterQuestion, duplicateMessage(QStringLiteral("VELİ")));
    QCOMPARE(messages->shown, expected);

    // Outside a batch every duplicate has its message again.
    messages->clear();
    for (int i = 0; i < 7; ++i)
        add(QStringLiteral("ali"));
    QCOMPARE(messages->shown, QStringList(7, duplicateMessage(QStringLiteral("ALİ"))));
}

void TestKisiRules::editingExtraInformationKeepsRecord()
{
    add(QStringLiteral("Ali"), QStringLiteral("Ankara"));
    add(QStringLiteral("Veli"));
    t->first();
    t->edit();
    t->setFieldString(1, QStringLiteral("İzmir"));
    t->post();
    QCOMPARE(t->recordCount(), 2);
    QCOMPARE(t->textAt(0, 1), QStringLiteral("İzmir"));
    QCOMPARE(messages->shown, QStringList());
    // Re-typing the same name in another case is still the same record, not a duplicate.
    t->edit();
    t->setFieldString(0, QStringLiteral("ALİ"));
    t->post();
    QCOMPARE(names(), QStringList({QStringLiteral("ALİ"), QStringLiteral("Veli")}));
}

void TestKisiRules::editedIntoAnothersNameRemovesEdited()
{
    add(QStringLiteral("Ali"));
    add(QStringLiteral("Veli"), QStringLiteral("edited one"));
    add(QStringLiteral("Can"));
    t->moveTo(1);
    t->edit();
    t->setFieldString(0, QStringLiteral("ali"));
    t->post();
    QCOMPARE(names(), QStringList({QStringLiteral("Ali"), QStringLiteral("Can")}));
    QCOMPARE(messages->shown, QStringList{duplicateMessage(QStringLiteral("ALİ"))});
    QCOMPARE(t->fieldAsString(0), QStringLiteral("Can"));
    // The index forgot "Veli" with the record: storing it again is no duplicate.
    add(QStringLiteral("VELİ"));
    QCOMPARE(t->recordCount(), 3);
}

void TestKisiRules::emptyNameRefusedOnlyWithDefinitionsWindow()
{
    t->append();
    t->setFieldString(1, QStringLiteral("only extra"));
    QVERIFY_THROWS_EXCEPTION(EAbort, t->post());
    QCOMPARE(messages->shown, QStringList{QStringLiteral("Bilgi: Kişi Adını giriniz.")});
    QCOMPARE(t->state(), dsInsert);
    QCOMPARE(t->fieldAsString(1), QStringLiteral("only extra"));
    // A name typed and erased is as empty as one never typed.
    t->setFieldString(0, QStringLiteral("x"));
    t->setFieldString(0, QString());
    QVERIFY_THROWS_EXCEPTION(EAbort, t->post());
    t->setFieldString(0, QStringLiteral("   "));
    t->post();
    QCOMPARE(t->fieldAsString(0), QStringLiteral("   ")); // stored as typed

    definitionsOpen = false;
    add(QString());
    QCOMPARE(t->recordCount(), 2);
}

void TestKisiRules::rulesInactiveWithoutDefinitionsWindow()
{
    // The start-up load: two equal names and an empty name arrive unchanged.
    definitionsOpen = false;
    add(QStringLiteral("Ayşe"));
    add(QStringLiteral("AYŞE"));
    add(QString());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Kisi.Ini"));
    RxMemoryDataSaveToFile(*t, file);
    RxMemoryDataLoadFromFile(*t, file);
    QCOMPARE(names(), QStringList({QStringLiteral("Ayşe"), QStringLiteral("AYŞE"), QString()}));
    QCOMPARE(messages->shown, QStringList());
    // Once the window is open, storing one of them again catches it.
    definitionsOpen = true;
    t->first();
    t->edit();
    t->setFieldString(1, QStringLiteral("touched"));
    t->post();
    QCOMPARE(names(), QStringList({QStringLiteral("AYŞE"), QString()}));
    QCOMPARE(messages->shown, QStringList{duplicateMessage(QStringLiteral("AYŞE"))});
}

void TestKisiRules::deleteAsksEveryTime()
{
    add(QStringLiteral("Ali"));
    add(QStringLiteral("Veli"));
    add(QStringLiteral("ALI")); // not Ali: i upper-cases to İ
    add(QStringLiteral("ALİ")); // a duplicate, removed without a question
    QCOMPARE(messages->shown, QStringList{duplicateMessage(QStringLiteral("ALİ"))});
    messages->clear();

    messages->setNextAnswer(mrNo);
    QVERIFY_THROWS_EXCEPTION(EAbort, t->deleteRecord());
    QCOMPARE(t->recordCount(), 3);
    messages->setNextAnswer(mrYes);
    t->deleteRecord();
    QCOMPARE(names(), QStringList({QStringLiteral("Ali"), QStringLiteral("Veli")}));
    QCOMPARE(messages->shown, QStringList({kAsk, kAsk}));

    // Also without the definitions window.
    definitionsOpen = false;
    messages->clear();
    messages->setNextAnswer(mrNo);
    QVERIFY_THROWS_EXCEPTION(EAbort, t->deleteRecord());
    QCOMPARE(messages->shown, QStringList{kAsk});
}

void TestKisiRules::emptyingAsksNothing()
{
    for (const char* n : {"a", "b", "c", "d", "e"})
        add(QString::fromLatin1(n));
    messages->clear();
    t->emptyTable();
    QCOMPARE(t->recordCount(), 0);
    QCOMPARE(messages->shown, QStringList());
    QCOMPARE(t->countKey("A", 2), 0);
}

void TestKisiRules::removingHandlersOnDestruction()
{
    rules.reset();
    QVERIFY(!t->BeforePost);
    QVERIFY(!t->AfterPost);
    QVERIFY(!t->BeforeDelete);
    add(QString());
    QCOMPARE(t->recordCount(), 1);
}

// The rules as the run's table set installs them: the participant rules follow the definitions
// window's flag, the row rule of the ranges always acts.
void TestKisiRules::tableSetFollowsTheDefinitionsWindow()
{
    TDrawTables tables;
    for (TRxMemoryData* table : {tables.Kisi_T, tables.Rx_T})
        table->open();
    // A refused row is dropped again, so the next store starts clean.
    auto store = [&](TRxMemoryData* table, const QVariant& first) {
        table->append();
        if (table == tables.Rx_T)
            table->setFieldInteger(0, first.toInt());
        else
            table->setFieldString(0, first.toString());
        const bool stored = guarded([&] { table->post(); });
        if (!stored)
            table->cancel();
        return stored;
    };
    QVERIFY(store(tables.Kisi_T, QString()));
    QVERIFY(store(tables.Kisi_T, QString()));
    QCOMPARE(messages->shown, QStringList());
    tables.setDefinitionsOpen(true);
    QVERIFY(!store(tables.Kisi_T, QString()));
    QVERIFY(!store(tables.Rx_T, 5)); // no end
    QCOMPARE(messages->shown, (QStringList{QStringLiteral("Bilgi: Kişi Adını giriniz."),
                                           QStringLiteral("Bilgi: Bitiş değerini giriniz.")}));
    tables.setDefinitionsOpen(false);
    QVERIFY(!store(tables.Rx_T, 5));
    QCOMPARE(tables.Kisi_T->recordCount(), 2);
    QCOMPARE(tables.Kisi_TADI, tables.Kisi_T->fieldByName(u"ADI"));
    QCOMPARE(tables.Rx_S->dataSet(), tables.Rx_T);
}

QTEST_GUILESS_MAIN(TestKisiRules)
#include "test_KisiRules.moc"
