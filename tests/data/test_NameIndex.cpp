// The name index, replayed against a plain model: after every step each name counts exactly the
// indexed identities whose stored bytes still equal it.
#include "NameIndex.h"

#include <QMap>
#include <QTest>

namespace {
enum class Hashing
{
    Real,
    SameHome, // every name starts probing in the same bucket (last one: chains wrap around)
    SameHash, // every name has the same hash: only the stored bytes tell them apart
};

quint32 hashFor(Hashing hashing, const QByteArray& name)
{
    switch (hashing)
    {
    case Hashing::SameHome:
        return (TNameIndex::hashOf(name) << 20) | 0xFFFFFu;
    case Hashing::SameHash:
        return 0xFFFFFFFFu;
    default:
        return TNameIndex::hashOf(name);
    }
}
} // namespace

class TestNameIndex : public QObject
{
    Q_OBJECT
private slots:
    void replay_data();
    void replay();
};

void TestNameIndex::replay_data()
{
    QTest::addColumn<int>("hashing");
    QTest::addColumn<QString>("steps");

    // +id:name files a record, -id removes it (by the hash of the name it was filed under),
    // =id:name changes the stored bytes behind the index's back, *n files ids 0..n-1 named
    // N0..N4 in turn, /k removes every id divisible by k, ! rebuilds from the filed records,
    // r reserves room for 2000, 0 empties everything.
    const QList<std::pair<const char*, QString>> scripts = {
        {"empty", QStringLiteral("0")},
        {"repeated names", QStringLiteral("+1:Ali +2:Ali +3:Veli +4:ali")},
        {"delete then re-add", QStringLiteral("+1:Ali +2:Ali -1 +1:Ali -2 -2 -1")},
        {"bytes changed behind the index", QStringLiteral("+1:Ali +2:Veli =1:Veli =2:Ali")},
        {"empty name", QStringLiteral("+1: +2:A -1")},
        {"growth and deletions in long chains", QStringLiteral("*200 /2 /3 +1000:N1 /5")},
        {"room reserved among filed names", QStringLiteral("*20 r /3 +5000:N1 +5001:Ali /2")},
        {"bulk build then changes", QStringLiteral("*300 ! /4 +1001:X =9:X ! -9 0 +1:X")},
    };
    const std::pair<const char*, Hashing> hashings[] = {
        {"real", Hashing::Real}, {"same home", Hashing::SameHome}, {"same hash", Hashing::SameHash}};
    for (const auto& [name, steps] : scripts)
        for (const auto& [hashingName, hashing] : hashings)
            QTest::addRow("%s, %s", name, hashingName) << static_cast<int>(hashing) << steps;
}

void TestNameIndex::replay()
{
    QFETCH(int, hashing);
    QFETCH(QString, steps);
    const auto mode = static_cast<Hashing>(hashing);

    TNameIndex index;
    QMap<quint32, QByteArray> stored;  // the caller's bytes per identity
    QMap<quint32, quint32> filedUnder; // identities in the index and the hash they were filed under
    const auto file = [&](quint32 id, const QByteArray& name) {
        stored[id] = name;
        filedUnder[id] = hashFor(mode, name);
        index.insert(filedUnder[id], id);
    };
    const auto unfile = [&](quint32 id) {
        if (!filedUnder.contains(id))
            return;
        index.remove(filedUnder.take(id), id);
        stored.remove(id);
    };

    for (const QString& step : steps.split(QLatin1Char(' ')))
    {
        const QByteArray arg = step.mid(1).toLatin1();
        const QList<QByteArray> idAndName = arg.split(':');
        switch (step.at(0).toLatin1())
        {
        case '+':
            file(idAndName[0].toUInt(), idAndName.value(1));
            break;
        case '-':
            unfile(arg.toUInt());
            break;
        case '=':
            stored[idAndName[0].toUInt()] = idAndName.value(1);
            break;
        case '*':
            for (quint32 id = 0; id < arg.toUInt(); ++id)
                file(id, "N" + QByteArray::number(id % 5));
            break;
        case '/':
            for (quint32 id : filedUnder.keys())
                if (id % arg.toUInt() == 0)
                    unfile(id);
            break;
        case '!': {
            std::vector<std::pair<quint32, quint32>> entries;
            for (auto it = filedUnder.cbegin(); it != filedUnder.cend(); ++it)
                entries.emplace_back(it.value(), it.key());
            index.build(entries);
            break;
        }
        case 'r':
            index.reserve(2000);
            break;
        case '0':
            index.clear();
            stored.clear();
            filedUnder.clear();
            break;
        }

        QCOMPARE(index.size(), static_cast<size_t>(filedUnder.size()));
        for (const QByteArray name : {"", "A", "Ali", "ali", "Veli", "X", "N0", "N1", "N4", "N9"})
        {
            int expected = 0;
            for (auto it = filedUnder.cbegin(); it != filedUnder.cend(); ++it)
                expected += it.value() == hashFor(mode, name) && stored.value(it.key()) == name;
            const auto matches = [&](quint32 id) { return stored.value(id) == name; };
            QVERIFY2(index.count(hashFor(mode, name), matches, 1000000) == expected,
                     qPrintable(step + QStringLiteral(": ") + QString::fromLatin1(name)));
            QCOMPARE(index.count(hashFor(mode, name), matches, 2), std::min(expected, 2));
            QCOMPARE(index.contains(hashFor(mode, name), matches), expected > 0);
        }
    }
}

QTEST_GUILESS_MAIN(TestNameIndex)
#include "test_NameIndex.moc"
