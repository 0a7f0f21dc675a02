// The INI (profile string) functions behind the settings file.
#include "DataErrors.h"
#include "IniFile.h"
#include "common/TestFiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kSection = QStringLiteral("TMainF");
}

class TestIniFile : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void reading_data();
    void reading();
    void readingIntegers_data();
    void readingIntegers();
    void writing_data();
    void writing();
    void quotedTextSurvivesRoundTrip();
    void firstSaveOrderAndReload();
    void failedWriteKeepsOldFile();
    void largeFileStaysLinear();

private:
    QString writeFile(const QByteArray& bytes);
    QByteArray readFile() const;
    std::unique_ptr<QTemporaryDir> dir;
    QString file;
};

void TestIniFile::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    file = dir->filePath(QStringLiteral("Ayar.Ini"));
}

QString TestIniFile::writeFile(const QByteArray& bytes)
{
    writeAll(file, bytes);
    return file;
}

QByteArray TestIniFile::readFile() const
{
    return readAll(file, "<missing>");
}

void TestIniFile::reading_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const QByteArray base("[TMainF]\r\nSpinCKSR_Value=5\r\n");
    QTest::newRow("plain") << base << kSection << QStringLiteral("SpinCKSR_Value") << QStringLiteral("5");
    QTest::newRow("names in any case") << base << QStringLiteral("tmainf") << QStringLiteral("SPINCKSR_VALUE")
                                       << QStringLiteral("5");
    QTest::newRow("missing key") << base << kSection << QStringLiteral("Other") << QStringLiteral("DEF");
    QTest::newRow("missing section") << base << QStringLiteral("X") << QStringLiteral("SpinCKSR_Value")
                                     << QStringLiteral("DEF");
    QTest::newRow("no file content") << QByteArray() << kSection << QStringLiteral("A") << QStringLiteral("DEF");
    QTest::newRow("empty value is a value")
        << QByteArray("[TMainF]\r\nA=\r\n") << kSection << QStringLiteral("A") << QString();
    QTest::newRow("blanks trimmed") << QByteArray("[ TMainF ]\r\n  A  =  x y \t\r\n") << kSection << QStringLiteral("A")
                                    << QStringLiteral("x y");
    QTest::newRow("double quotes stripped") << QByteArray("[TMainF]\r\nA=\"C:\\a b.wav\"\r\n") << kSection
                                            << QStringLiteral("A") << QStringLiteral("C:\\a b.wav");
    QTest::newRow("single quotes stripped")
        << QByteArray("[TMainF]\r\nA='x'\r\n") << kSection << QStringLiteral("A") << QStringLiteral("x");
    QTest::newRow("one pair only") << QByteArray("[TMainF]\r\nA=\"\"x\"\"\r\n") << kSection << QStringLiteral("A")
                                   << QStringLiteral("\"x\"");
    QTest::newRow("unmatched quotes kept")
        << QByteArray("[TMainF]\r\nA=\"x'\r\n") << kSection << QStringLiteral("A") << QStringLiteral("\"x'");
    QTest::newRow("lone quote kept") << QByteArray("[TMainF]\r\nA=\"\r\n") << kSection << QStringLiteral("A")
                                     << QStringLiteral("\"");
    QTest::newRow("first duplicate key wins")
        << QByteArray("[TMainF]\r\nA=1\r\na=2\r\n") << kSection << QStringLiteral("A") << QStringLiteral("1");
    QTest::newRow("key of another section") << QByteArray("[Other]\r\nA=1\r\n[TMainF]\r\nB=2\r\n") << kSection
                                            << QStringLiteral("A") << QStringLiteral("DEF");
    QTest::newRow("key before any section")
        << QByteArray("A=1\r\n[TMainF]\r\n") << kSection << QStringLiteral("A") << QStringLiteral("DEF");
    QTest::newRow("garbage lines") << QByteArray("\xFF\x01junk\r\n[TMainF]\r\n;comment\r\nnoequals\r\n=x\r\nA=ok\r\n")
                                   << kSection << QStringLiteral("A") << QStringLiteral("ok");
    QTest::newRow("LF endings, no last newline")
        << QByteArray("[TMainF]\nA=1\nB=two") << kSection << QStringLiteral("B") << QStringLiteral("two");
    QTest::newRow("code page 1254") << QByteArray("[TMainF]\r\nEditSES_Text=C:\\\xDE"
                                                  "ark\xFD.wav\r\n")
                                    << kSection << QStringLiteral("EditSES_Text") << QStringLiteral("C:\\Şarkı.wav");
    QTest::newRow("equals inside value") << QByteArray("[TMainF]\r\nA=b=c\r\n") << kSection << QStringLiteral("A")
                                         << QStringLiteral("b=c");
    QTest::newRow("UTF-8 byte-order mark")
        << QByteArray("\xEF\xBB\xBF[TMainF]\r\nA=1\r\n") << kSection << QStringLiteral("A") << QStringLiteral("1");
    // A file far larger than any the program writes is not its settings: not read at all.
    const QByteArray padding = "Other=" + QByteArray(TIniFile::MaxBytes - base.size() - 8, 'x') + "\r\n";
    QTest::newRow("at the size limit") << base + padding << kSection << QStringLiteral("SpinCKSR_Value")
                                       << QStringLiteral("5");
    QTest::newRow("a byte past the size limit")
        << base + padding + "\n"
        << kSection << QStringLiteral("SpinCKSR_Value") << QStringLiteral("DEF");
}

void TestIniFile::reading()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    writeFile(content);
    QCOMPARE(TIniFile(file).readString(section, key, QStringLiteral("DEF")), expected);
    QCOMPARE(IniReadString(file, section, key, QStringLiteral("DEF")), expected);
}

void TestIniFile::readingIntegers_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("expected");
    QTest::newRow("number") << QByteArray("A=12") << 12;
    QTest::newRow("negative, blanks") << QByteArray("A=  -3 ") << -3;
    QTest::newRow("quoted") << QByteArray("A=\"4\"") << 4;
    QTest::newRow("not a number") << QByteArray("A=abc") << 99;
    QTest::newRow("number then text") << QByteArray("A=5x") << 99;
    QTest::newRow("empty") << QByteArray("A=") << 99;
    QTest::newRow("missing") << QByteArray("B=1") << 99;
}

void TestIniFile::readingIntegers()
{
    QFETCH(QByteArray, line);
    QFETCH(int, expected);
    writeFile("[TMainF]\r\n" + line + "\r\n");
    QCOMPARE(IniReadInteger(file, kSection, QStringLiteral("A"), 99), expected);
}

void TestIniFile::writing_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QStringList>("writes"); // section, key, value, ...
    QTest::addColumn<QByteArray>("after");
    const QString s = kSection;
    QTest::newRow("new file") << QByteArray() << QStringList{s, QStringLiteral("FormVersion"), QStringLiteral("0")}
                              << QByteArray("[TMainF]\r\nFormVersion=0\r\n");
    QTest::newRow("replace in place, others kept byte for byte")
        << QByteArray("; mine\n[TMainF]\nX = 1 \r\nA=old\nZ=9")
        << QStringList{s, QStringLiteral("a"), QStringLiteral("new")}
        << QByteArray("; mine\n[TMainF]\nX = 1 \r\na=new\r\nZ=9");
    QTest::newRow("added at end of its section, before blank lines")
        << QByteArray("[TMainF]\r\nA=1\r\n\r\n[Other]\r\nB=2\r\n")
        << QStringList{s, QStringLiteral("C"), QStringLiteral("3")}
        << QByteArray("[TMainF]\r\nA=1\r\nC=3\r\n\r\n[Other]\r\nB=2\r\n");
    QTest::newRow("last line without newline gets one")
        << QByteArray("[TMainF]\r\nA=1") << QStringList{s, QStringLiteral("B"), QStringLiteral("2")}
        << QByteArray("[TMainF]\r\nA=1\r\nB=2\r\n");
    QTest::newRow("missing section at the end")
        << QByteArray("junk line\n[Other]\nB=2") << QStringList{s, QStringLiteral("A"), QStringLiteral("1")}
        << QByteArray("junk line\n[Other]\nB=2\r\n[TMainF]\r\nA=1\r\n");
    QTest::newRow("first of duplicate keys replaced")
        << QByteArray("[TMainF]\r\nA=1\r\nA=2\r\n") << QStringList{s, QStringLiteral("A"), QStringLiteral("3")}
        << QByteArray("[TMainF]\r\nA=3\r\nA=2\r\n");
    QTest::newRow("line breaks in a value cannot add lines")
        << QByteArray() << QStringList{s, QStringLiteral("A"), QStringLiteral("x\r\n[Evil]\nB=1")}
        << QByteArray("[TMainF]\r\nA=x  [Evil] B=1\r\n");
    QTest::newRow("Turkish text in code page 1254")
        << QByteArray() << QStringList{s, QStringLiteral("EditSES_Text"), QStringLiteral("Şarkı.mp3")}
        << QByteArray("[TMainF]\r\nEditSES_Text=\xDE"
                      "ark\xFD.mp3\r\n");
    QTest::newRow("several writes, one file")
        << QByteArray("[TMainF]\r\nB=old\r\n")
        << QStringList{s, QStringLiteral("A"), QStringLiteral("1"), s, QStringLiteral("B"), QStringLiteral("2"),
                       s, QStringLiteral("C"), QStringLiteral("3")}
        << QByteArray("[TMainF]\r\nB=2\r\nA=1\r\nC=3\r\n");
    QTest::newRow("additions to two sections, then a replacement")
        << QByteArray("[TMainF]\r\nA=1\r\n[Other]\r\nB=2\r\n") << QStringList{s,
                                                                              QStringLiteral("C"),
                                                                              QStringLiteral("3"),
                                                                              QStringLiteral("other"),
                                                                              QStringLiteral("D"),
                                                                              QStringLiteral("4"),
                                                                              s,
                                                                              QStringLiteral("a"),
                                                                              QStringLiteral("5")}
        << QByteArray("[TMainF]\r\na=5\r\nC=3\r\n[Other]\r\nB=2\r\nD=4\r\n");
    QTest::newRow("first of duplicate sections takes the key")
        << QByteArray("[TMainF]\r\nA=1\r\n[tmainf]\r\nB=2\r\n")
        << QStringList{s, QStringLiteral("B"), QStringLiteral("3")}
        << QByteArray("[TMainF]\r\nA=1\r\nB=3\r\n[tmainf]\r\nB=2\r\n");
    QTest::newRow("byte-order mark: its section is used, the mark not written")
        << QByteArray("\xEF\xBB\xBF[TMainF]\nA=1\n; x\n") << QStringList{s, QStringLiteral("A"), QStringLiteral("2")}
        << QByteArray("[TMainF]\nA=2\r\n; x\n");
}

void TestIniFile::writing()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, writes);
    QFETCH(QByteArray, after);
    if (!before.isEmpty())
        writeFile(before);
    TIniFile ini(file);
    for (qsizetype i = 0; i + 2 < writes.size(); i += 3)
        ini.writeString(writes[i], writes[i + 1], writes[i + 2]);
    ini.updateFile();
    QCOMPARE(readFile(), after);
    // Each key read back gives the value written (line breaks turned to blanks).
    for (qsizetype i = 0; i + 2 < writes.size(); i += 3)
    {
        QString expected = writes[i + 2];
        expected.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        QCOMPARE(IniReadString(file, writes[i], writes[i + 1], QString()), expected.trimmed());
    }
}

void TestIniFile::quotedTextSurvivesRoundTrip()
{
    // The settings save wraps a text that begins and ends with a quote in one more pair of
    // double quotes; the reader strips exactly that pair.
    const QString path = QStringLiteral("\"C:\\Ses Dosyaları\\giriş.wav\"");
    QVERIFY(IniWriteString(file, kSection, QStringLiteral("EditSES_Text"), QLatin1Char('"') + path + QLatin1Char('"')));
    QCOMPARE(IniReadString(file, kSection, QStringLiteral("EditSES_Text"), QString()), path);
    QVERIFY(IniWriteString(file, kSection, QStringLiteral("EditSES2_Text"), QStringLiteral("\"'x'\"")));
    QCOMPARE(IniReadString(file, kSection, QStringLiteral("EditSES2_Text"), QString()), QStringLiteral("'x'"));
}

void TestIniFile::firstSaveOrderAndReload()
{
    const QStringList keys{QStringLiteral("FormVersion"), QStringLiteral("SpinCKSR_Value"),
                           QStringLiteral("CheckEFEKT_Checked"), QStringLiteral("SpinHARF_Value")};
    {
        TIniFile ini(file);
        ini.writeInteger(kSection, keys[0], 0);
        ini.writeInteger(kSection, keys[1], 10);
        ini.writeString(kSection, keys[2], QStringLiteral("True"));
        ini.writeInteger(kSection, keys[3], 1);
        QVERIFY(ini.isDirty());
        ini.updateFile();
        QVERIFY(!ini.isDirty());
    }
    QCOMPARE(readFile(), QByteArray("[TMainF]\r\nFormVersion=0\r\nSpinCKSR_Value=10\r\nCheckEFEKT_Checked=True\r\n"
                                    "SpinHARF_Value=1\r\n"));
    // A second save with the same values leaves the file exactly as it was.
    const QByteArray first = readFile();
    TIniFile again(file);
    again.writeInteger(kSection, keys[1], 10);
    QVERIFY(!again.isDirty());
    again.updateFile();
    QCOMPARE(readFile(), first);
    QCOMPARE(again.readInteger(kSection, keys[0], -1), 0);
}

void TestIniFile::failedWriteKeepsOldFile()
{
    writeFile("[TMainF]\r\nA=1\r\n");
    TIniFile ini(dir->filePath(QStringLiteral("missing/Ayar.Ini")));
    ini.writeString(kSection, QStringLiteral("A"), QStringLiteral("2"));
    QVERIFY_THROWS_EXCEPTION(EFileError, ini.updateFile());
    QVERIFY(ini.isDirty());
    QCOMPARE(readFile(), QByteArray("[TMainF]\r\nA=1\r\n"));
    // Written through a temporary file: no stray file is left in the folder.
    QVERIFY(IniWriteString(file, kSection, QStringLiteral("A"), QStringLiteral("2")));
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("Ayar.Ini")});
}

void TestIniFile::largeFileStaysLinear()
{
    // Every key written is missing, so each lands at the end of a 50,000-line section.
    QByteArray big("[TMainF]\r\n");
    for (int i = 0; i < 50000; ++i)
        big += "Other" + QByteArray::number(i) + "=x\r\n";
    writeFile(big);
    QElapsedTimer timer;
    timer.start();
    TIniFile ini(file);
    for (int i = 0; i < 12; ++i)
        ini.writeInteger(kSection, QStringLiteral("Key%1").arg(i), i);
    ini.updateFile();
    // A bound generous enough for a loaded machine; the quadratic writer took minutes.
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(IniReadInteger(file, kSection, QStringLiteral("Key11"), -1), 11);
    QVERIFY(readFile().contains("Other49999=x\r\nKey0=0\r\nKey1=1\r\n"));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "test_IniFile.moc"
