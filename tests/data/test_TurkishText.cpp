// Code page 1254, the Turkish upper-casing and the shared random generator.
#include "Codec1254.h"
#include "Random.h"
#include "TurkishUpper.h"
#include "common/FakeClock.h"

#include <QTest>

class TestTurkishText : public QObject
{
    Q_OBJECT
private slots:
    void codecTurkishLetters_data();
    void codecTurkishLetters();
    void codecEveryByteRoundTrips();
    void codecOutsideCodePage();
    void codecNearestLetters_data();
    void codecNearestLetters();
    void fup2Bytes_data();
    void fup2Bytes();
    void fup2LeavesArgumentAndNonLetters();
    void fup2Unicode();
    void randomKnownSequences_data();
    void randomKnownSequences();
    void randomStaysInRange();
    void randomizeTakesLowBitsOfCounter();
};

void TestTurkishText::codecTurkishLetters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("Ş") << QStringLiteral("Ş") << QByteArray("\xDE");
    QTest::newRow("ı") << QStringLiteral("ı") << QByteArray("\xFD");
    QTest::newRow("İ ğ Ğ ş") << QStringLiteral("İğĞş") << QByteArray("\xDD\xF0\xD0\xFE");
    QTest::newRow("ç ö ü â") << QStringLiteral("çöüâ") << QByteArray("\xE7\xF6\xFC\xE2");
    QTest::newRow("euro and quotes") << QStringLiteral("€“”") << QByteArray("\x80\x93\x94");
    QTest::newRow("ascii") << QStringLiteral("Ahmet 12-") << QByteArray("Ahmet 12-");
}

void TestTurkishText::codecTurkishLetters()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Cp1254::fromUnicode(text), bytes);
    QCOMPARE(Cp1254::toUnicode(bytes), text);
}

void TestTurkishText::codecEveryByteRoundTrips()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = Cp1254::toUnicode(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(Cp1254::fromUnicode(text), all);
}

void TestTurkishText::codecOutsideCodePage()
{
    // Latin-1 letters that code page 1254 replaced by Turkish ones, a Cyrillic letter and an
    // emoji (two UTF-16 units, one character) each become one '?'.
    const QString text = QStringLiteral("aÐÝþЖ") + QString::fromUtf8("\xF0\x9F\x98\x80") + QStringLiteral("z");
    QCOMPARE(Cp1254::fromUnicode(text), QByteArray("a????"
                                                   "?z"));
}

void TestTurkishText::codecNearestLetters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("replaced"); // what was done: near letters, Latin, '?'
    QTest::newRow("in the code page") << QStringLiteral("Şükrü Çağ")
                                      << QByteArray("\xDE\xFCkr\xFC \xC7"
                                                    "a\xF0")
                                      << "";
    QTest::newRow("stroke") << QStringLiteral("Łukasz Wałęsa") << QByteArray("Lukasz Walesa") << "near";
    QTest::newRow("Serbian") << QStringLiteral("Đorđe Đoković") << QByteArray("Dorde Dokovic") << "near";
    QTest::newRow("ligatures") << QStringLiteral("Ĳssel Ǽ") << QByteArray("IJssel \xC6") << "near";
    QTest::newRow("Latin-1 letters the code page replaced") << QStringLiteral("ÐÝþ") << QByteArray("DYth") << "near";
    QTest::newRow("double acute keeps its dots") << QStringLiteral("Erdős Ű") << QByteArray("Erd\xF6s \xDC") << "near";
    QTest::newRow("two accents keep the one there is") << QStringLiteral("ǘ Ș") << QByteArray("\xFC \xDE") << "near";
    QTest::newRow("Vietnamese") << QStringLiteral("Nguyễn") << QByteArray("Nguy\xEAn") << "near";
    QTest::newRow("compatibility forms") << QStringLiteral("ﬁＡ") << QByteArray("fiA") << "near";
    QTest::newRow("accent typed apart is composed")
        << QStringLiteral("Jose\u0301 Ł") << QByteArray("Jos\xE9 L") << "near";
    // Another script in Latin letters, its own accents dropped; capitals where the script has
    // none; Turkish letters beside it stay.
    QTest::newRow("Cyrillic") << QStringLiteral("Иван ПЕТРОВ") << QByteArray("Ivan PETROV") << "latin";
    QTest::newRow("Greek, read as today")
        << QStringLiteral("Ζωή Παπαδοπούλου") << QByteArray("Zoi Papadopoulou") << "latin";
    // The same on Windows, where ICU comes with the program rather than with the system.
    QTest::newRow("Russian name, soft sign dropped")
        << QStringLiteral("Дмитрий Иванов") << QByteArray("Dmitriy Ivanov") << "latin";
    QTest::newRow("Greek name, accents dropped")
        << QStringLiteral("Γιώργος Παπαδόπουλος") << QByteArray("Giorgos Papadopoulos") << "latin";
    QTest::newRow("Han") << QStringLiteral("山田 王小明") << QByteArray("Shan Tian Wang Xiao Ming") << "latin";
    QTest::newRow("Arabic") << QStringLiteral("محمد علي") << QByteArray("Mhmd 'Ly") << "latin";
    QTest::newRow("beside Turkish and Polish letters") << QStringLiteral("Ayşe Łucja Иванова")
                                                       << QByteArray("Ay\xFE"
                                                                     "e Lucja Ivanova")
                                                       << "near latin";
    QTest::newRow("symbols have no Latin form")
        << QStringLiteral("Жанна") + QString::fromUtf8("\xF0\x9F\x98\x80") << QByteArray("Zhanna?") << "latin unknown";
    // Letters a plain accent-stripping would merge (Ш and С both "S") stay apart.
    QTest::newRow("Cyrillic letter pairs")
        << QStringLiteral("Шура Сура Чехов") << QByteArray("Shura Sura Chekhov") << "latin";
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?") << "unknown";
    // A name is never stored empty.
    QTest::newRow("only invisible characters") << QStringLiteral("\u200B\u200D") << QByteArray("?") << "near unknown";
}

void TestTurkishText::codecNearestLetters()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, replaced);
    bool changed = replaced.isEmpty();
    QCOMPARE(Cp1254::fromUnicodeNearest(text, &changed), bytes);
    QCOMPARE(changed, !replaced.isEmpty());
    Cp1254::Replacements what;
    what.unknown = true; // left over from an earlier call must not show
    QCOMPARE(Cp1254::fromUnicodeNearest(text, what), bytes);
    QStringList done;
    if (what.nearLetters)
        done << QStringLiteral("near");
    if (what.transliterated)
        done << QStringLiteral("latin");
    if (what.unknown)
        done << QStringLiteral("unknown");
    QCOMPARE(done.join(QLatin1Char(' ')), replaced);
}

void TestTurkishText::fup2Bytes_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    // çağrı şükür ömür -> ÇAĞRI ŞÜKÜR ÖMÜR
    QTest::newRow("çağrı şükür ömür") << QByteArray("\xE7"
                                                    "a\xF0r\xFD \xFE\xFCk\xFCr \xF6m\xFCr")
                                      << QByteArray("\xC7"
                                                    "A\xD0RI \xDE\xDCK\xDCR \xD6M\xDCR");
    // Kâzım -> KâZIM: the circumflex letter is not one of the mapped letters.
    QTest::newRow("Kâzım") << QByteArray("K\xE2z\xFDm") << QByteArray("K\xE2ZIM");
    QTest::newRow("i dotted, ı dotless") << QByteArray("i\xFD") << QByteArray("\xDDI");
    QTest::newRow("upper stays") << QByteArray("I\xDD\xC7\xD0\xD6\xDC\xDE"
                                               "AZ")
                                 << QByteArray("I\xDD\xC7\xD0\xD6\xDC\xDE"
                                               "AZ");
    QTest::newRow("î û and digits") << QByteArray("\xEE\xFB 09-_.") << QByteArray("\xEE\xFB 09-_.");
    QTest::newRow("ahmet yılmaz") << QByteArray("Ahmet Y\xFDlmaz") << QByteArray("AHMET YILMAZ");
}

void TestTurkishText::fup2Bytes()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QCOMPARE(FUp2(input), expected);
    for (qsizetype i = 0; i < input.size(); ++i)
        QCOMPARE(CharFUp2(input[i]), expected[i]);
}

void TestTurkishText::fup2LeavesArgumentAndNonLetters()
{
    const QByteArray name("ay\xFE"
                          "e");
    const QByteArray upper = FUp2(name);
    QCOMPARE(name, QByteArray("ay\xFE"
                              "e"));
    QCOMPARE(upper, QByteArray("AY\xDE"
                               "E"));
    // Bytes outside the mapped letters are never touched, whatever the system locale says.
    for (int b = 0; b < 256; ++b)
    {
        const char c = static_cast<char>(b);
        const bool letter =
            (b >= 'a' && b <= 'z') || b == 0xFD || b == 0xE7 || b == 0xF0 || b == 0xF6 || b == 0xFC || b == 0xFE;
        if (!letter)
            QCOMPARE(CharFUp2(c), c);
    }
}

void TestTurkishText::fup2Unicode()
{
    QCOMPARE(FUp2(QStringLiteral("irmak ırmak İpek ipek")), QStringLiteral("İRMAK IRMAK İPEK İPEK"));
    QCOMPARE(CharFUp2(QChar(u'ş')), QChar(u'Ş'));
    QCOMPARE(CharFUp2(QChar(u' ')), QChar(u' '));
    QCOMPARE(CharFUp2(QChar(u'7')), QChar(u'7'));
    QCOMPARE(CharFUp2(QChar(u'-')), QChar(u'-'));
    QCOMPARE(CharFUp2(QChar(u'Ж')), QChar(u'Ж')); // outside the code page: unchanged, not '?'
}

void TestTurkishText::randomKnownSequences_data()
{
    // Expected values computed separately with exact integer arithmetic. The first steps by hand:
    // seed 0 -> S = 1, 1 * 1000 >> 32 = 0; S = 134775814, * 1000 >> 32 = 31.
    // seed 0xFFFFFFFF -> S = 2^32 - 134775812 = 4160191484, * 7 >> 32 = 6.
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<QList<int>>("ranges");
    QTest::addColumn<QList<int>>("expected");
    QTest::addColumn<quint32>("finalSeed");
    QTest::newRow("seed 0") << 0u << QList<int>{1000, 1000, 1000, 1000, 1000} << QList<int>{0, 31, 861, 202, 272}
                            << 1172187917u;
    QTest::newRow("seed 0x23456789") << 0x23456789u << QList<int>{100, 100, 100, 2147483647, 1}
                                     << QList<int>{99, 62, 76, 1593521929, 0} << 3745184362u;
    QTest::newRow("seed max") << 0xFFFFFFFFu << QList<int>{7, 7, 7} << QList<int>{6, 1, 3} << 2231304098u;
}

void TestTurkishText::randomKnownSequences()
{
    QFETCH(quint32, seed);
    QFETCH(QList<int>, ranges);
    QFETCH(QList<int>, expected);
    QFETCH(quint32, finalSeed);
    SharedRandom::setSeed(seed);
    QList<int> got;
    for (int n : ranges)
        got << SharedRandom::random(n);
    QCOMPARE(got, expected);
    QCOMPARE(SharedRandom::seed(), finalSeed);
}

void TestTurkishText::randomStaysInRange()
{
    SharedRandom::setSeed(12345);
    for (int n : {1, 2, 3, 10, 1000000, 2147483647})
        for (int i = 0; i < 2000; ++i)
        {
            const int r = SharedRandom::random(n);
            QVERIFY2(r >= 0 && r < n, qPrintable(QStringLiteral("%1 of %2").arg(r).arg(n)));
        }
    // A non-positive range still advances the generator and gives 0.
    SharedRandom::setSeed(0);
    QCOMPARE(SharedRandom::random(0), 0);
    QCOMPARE(SharedRandom::random(-5), 0);
    QCOMPARE(SharedRandom::seed(), 134775814u);
}

void TestTurkishText::randomizeTakesLowBitsOfCounter()
{
    FakeClock clock;
    clock.nowNs = 0x0000000923456789ull;
    SharedRandom::randomize();
    QCOMPARE(SharedRandom::seed(), 0x23456789u);
}

QTEST_GUILESS_MAIN(TestTurkishText)
#include "test_TurkishText.moc"
