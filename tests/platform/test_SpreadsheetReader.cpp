#include "SpreadsheetIsolation.h"
#include "SpreadsheetReader.h"
#include "SpreadsheetSheet.h"
#include "SpreadsheetZip.h"
#include "common/DecoderMain.h"
#include "common/FixturePath.h"
#include "common/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <thread>
#include <zlib.h>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#endif

namespace {
const char failureVariable[] = "CEKILIS_TEST_DECODER_FAILURE";

// Runs in the decoding child: makes it fail as the test asks.
void failOnRequest()
{
    const QByteArray failure = qgetenv(failureVariable);
    if (failure == "abort")
        std::abort();
    if (failure == "segv")
        std::raise(SIGSEGV);
    if (failure == "hang")
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
}

using Rows = QList<QStringList>; // per row: column A, column B

const Rows namesAB = {{QStringLiteral("Ayşe Yılmaz"), QStringLiteral("İstanbul")},
                      {QStringLiteral("Mehmet Öztürk"), QStringLiteral("Ankara")},
                      {QStringLiteral("Gülşen Çağlar"), QStringLiteral("İzmir")}};

Rows readAll(const SpreadsheetReader& reader)
{
    Rows rows;
    const int last = reader.firstUsedRow() + reader.usedRowCount() - 1;
    for (int row = 1; row <= last; ++row)
        rows << QStringList{reader.cellText(row, 1), reader.cellText(row, 2)};
    return rows;
}

void put16(QByteArray& out, quint32 v)
{
    out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}
void put32(QByteArray& out, quint32 v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A zip package whose parts may claim another unpacked size than they have.
struct ZipPart
{
    QByteArray name;
    QByteArray data;
    quint32 claimedSize = 0xFFFFFFFF;          // the real size unless set
    quint32 method = 8;                        // deflated; 0 stored
    std::optional<quint32> crc = std::nullopt; // of the unpacked bytes, as zipOf() finds it unless set
};

// CRC-32 of what a part unpacks to; 0 for bytes that do not unpack.
quint32 unpackedCrc(const ZipPart& part)
{
    const auto* bytes = reinterpret_cast<const Bytef*>(part.data.constData());
    if (part.method == 0)
        return quint32(crc32(0, bytes, uInt(part.data.size())));
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return 0;
    stream.next_in = const_cast<Bytef*>(bytes);
    stream.avail_in = uInt(part.data.size());
    QByteArray piece(1 << 16, Qt::Uninitialized);
    uLong crc = crc32(0, nullptr, 0);
    int status = Z_OK;
    while (status == Z_OK)
    {
        stream.next_out = reinterpret_cast<Bytef*>(piece.data());
        stream.avail_out = uInt(piece.size());
        status = inflate(&stream, Z_NO_FLUSH);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(piece.constData()), uInt(piece.size()) - stream.avail_out);
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END ? quint32(crc) : 0;
}
QByteArray zipOf(const QList<ZipPart>& parts)
{
    QByteArray out;
    QByteArray directory;
    for (const ZipPart& part : parts)
    {
        const quint32 unpacked = part.claimedSize == 0xFFFFFFFF ? quint32(part.data.size()) : part.claimedSize;
        const quint32 crc = part.crc ? *part.crc : unpackedCrc(part);
        const quint32 offset = quint32(out.size());
        put32(out, 0x04034b50);
        put16(out, 20), put16(out, 0), put16(out, part.method), put16(out, 0), put16(out, 0);
        put32(out, crc), put32(out, quint32(part.data.size())), put32(out, unpacked);
        put16(out, quint32(part.name.size())), put16(out, 0);
        out += part.name + part.data;
        put32(directory, 0x02014b50);
        put16(directory, 20), put16(directory, 20), put16(directory, 0), put16(directory, part.method);
        put16(directory, 0), put16(directory, 0);
        put32(directory, crc), put32(directory, quint32(part.data.size())), put32(directory, unpacked);
        put16(directory, quint32(part.name.size())), put16(directory, 0), put16(directory, 0);
        put16(directory, 0), put16(directory, 0), put32(directory, 0), put32(directory, offset);
        directory += part.name;
    }
    const quint32 directoryOffset = quint32(out.size());
    out += directory;
    put32(out, 0x06054b50);
    put16(out, 0), put16(out, 0), put16(out, quint32(parts.size())), put16(out, quint32(parts.size()));
    put32(out, quint32(directory.size())), put32(out, directoryOffset), put16(out, 0);
    return out;
}

// The parts of a one-sheet .xlsx package, as tests vary them.
struct XlsxParts
{
    QByteArray body;                 // the worksheet's elements: <sheetData> and what surrounds it
    QByteArray end = "</worksheet>"; // its end tag, if it has one
    QByteArray strings;              // the <si> items of the shared strings
    QByteArray stringCount;          // the count they announce, if any
    QByteArray sheets = "<sheet name=\"S\" sheetId=\"1\" r:id=\"r1\"/>"; // the workbook's <sheets>
    QByteArray workbookProperties;                                       // <workbookPr .../> and the like
    QByteArray relations;                                                // further relationships of the workbook
    QByteArray sheetTarget = "worksheets/sheet1.xml";
    QByteArray sheetPart = "xl/worksheets/sheet1.xml";
    QByteArray styles;   // the inside of the styles part; no such part when empty
    bool stored = false; // parts stored as they are, not deflated
    // How the worksheet's entry lies: "crc" off by one, "size" half the bytes it unpacks to, "cut"
    // its compressed bytes cut short.
    QByteArray sheetDamage;
    qint64 run = 0; // when set, each '@' of a part stands for this many letters 'a' (1 + 258 k)
};

// A deflate stream of `data` whose '@' stand for `run` letters 'a' each, with the fixed codes: a run
// is one literal and matches of 258 bytes at distance 1, so hundreds of megabytes take about one
// byte in 160 (within the packing ratio a workbook may have) and are never held here.
QByteArray deflatedWithRuns(const QByteArray& data, qint64 run)
{
    QByteArray out;
    quint64 bits = 0;
    int count = 0;
    const auto put = [&](quint32 value, int n) {
        bits |= quint64(value) << count;
        for (count += n; count >= 8; count -= 8, bits >>= 8)
            out.append(char(bits & 0xFF));
    };
    const auto code = [&](quint32 c, int n) { // most significant bit first
        quint32 reversed = 0;
        for (int i = 0; i < n; ++i)
            reversed |= ((c >> i) & 1) << (n - 1 - i);
        put(reversed, n);
    };
    const auto literal = [&](quint8 b) { b < 144 ? code(0x30 + b, 8) : code(0x190 + b - 144, 9); };
    put(1, 1), put(1, 2); // the last block, fixed codes
    for (const char c : data)
    {
        if (c != '@')
        {
            literal(quint8(c));
            continue;
        }
        literal('a');
        for (qint64 done = 1; done < run; done += 258)
            code(285 - 280 + 0xC0, 8), code(0, 5); // length 258, distance 1
    }
    code(0, 7); // end of block
    put(0, 7);
    return out;
}

// The package with its parts deflated, as Excel writes them.
QByteArray xlsxOf(const XlsxParts& p)
{
    const QByteArray main = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const QByteArray rels = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    QList<ZipPart> parts = {
        {"_rels/.rels", rels + "<Relationship Id=\"r1\" Type=\"" + rel +
                            "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", "<workbook " + main + " xmlns:r=\"" + rel + "\">" + p.workbookProperties + "<sheets>" +
                                p.sheets + "</sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", rels + "<Relationship Id=\"r1\" Type=\"" + rel + "/worksheet\" Target=\"" +
                                           p.sheetTarget + "\"/><Relationship Id=\"r2\" Type=\"" + rel +
                                           "/sharedStrings\" Target=\"sharedStrings.xml\"/><Relationship Id=\"r4\" "
                                           "Type=\"" +
                                           rel + "/styles\" Target=\"styles.xml\"/>" + p.relations +
                                           "</Relationships>"},
        {"xl/sharedStrings.xml", "<sst " + main +
                                     (p.stringCount.isEmpty() ? "" : " uniqueCount=\"" + p.stringCount + "\"") + ">" +
                                     p.strings + "</sst>"},
        {p.sheetPart, "<worksheet " + main + " xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" +
                          p.body + p.end}};
    if (!p.styles.isEmpty())
        parts.append({"xl/styles.xml", "<styleSheet " + main + ">" + p.styles + "</styleSheet>"});
    QList<ZipPart> packed;
    for (const ZipPart& part : parts)
    {
        if (p.run > 0 && part.data.contains('@'))
            packed.append({part.name, deflatedWithRuns(part.data, p.run),
                           quint32(part.data.size() + part.data.count('@') * (p.run - 1))});
        else
            packed.append(p.stored
                              ? ZipPart{part.name, part.data, 0xFFFFFFFF, 0}
                              : ZipPart{part.name, qCompress(part.data).mid(6).chopped(4), quint32(part.data.size())});
        ZipPart& last = packed.back();
        if (part.name == p.sheetPart && p.sheetDamage == "crc")
            last.crc = unpackedCrc(last) ^ 1;
        else if (part.name == p.sheetPart && p.sheetDamage == "size")
            last.claimedSize = quint32(part.data.size() / 2);
        else if (part.name == p.sheetPart && p.sheetDamage == "cut")
            last.data.chop(8);
    }
    return zipOf(packed);
}

// Rows written as UTF-8 literals: column A, column B.
Rows rowsOf(std::initializer_list<std::pair<const char*, const char*>> cells)
{
    Rows rows;
    for (const auto& [a, b] : cells)
        rows << QStringList{QString::fromUtf8(a), QString::fromUtf8(b)};
    return rows;
}
} // namespace

Q_DECLARE_METATYPE(XlsxParts)

class TestSpreadsheetReader : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    void expectRefused(SpreadsheetReader& reader, const QString& path)
    {
        bool refused = false;
        try
        {
            reader.open(path);
        }
        catch (const ESpreadsheetError& e)
        {
            refused = true;
            QVERIFY(qstrlen(e.what()) > 0);
        }
        QVERIFY2(refused, qPrintable(path));
        QVERIFY(!reader.isOpen());
        QCOMPARE(reader.usedRowCount(), 0);
        QVERIFY(reader.cellText(1, 1).isEmpty());
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void sameRowsFromEveryFormat_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("isolate");
        QTest::addColumn<Rows>("expected");
        const Rows namesA = {{namesAB[0][0], QString()}, {namesAB[1][0], QString()}, {namesAB[2][0], QString()}};
        const Rows titled = Rows{{QStringLiteral("Adı Soyadı"), QStringLiteral("Ek Bilgi")}} + namesAB;
        const Rows duplicate = namesAB + Rows{{QStringLiteral("AYŞE YILMAZ"), QStringLiteral("Bursa")},
                                              {QStringLiteral("Irmak Su"), QStringLiteral("Edirne")}};
        const Rows gap = {{QStringLiteral("Bir"), QStringLiteral("1")},
                          {QStringLiteral("İki"), QStringLiteral("2")},
                          {QString(), QStringLiteral("üç")},
                          {QStringLiteral("Dört"), QStringLiteral("4")},
                          {QStringLiteral("Beş"), QStringLiteral("5")}};
        // Runs of blanks, leading and trailing blanks, a tab, line breaks, a cell of three paragraphs.
        const Rows textRuns = {{QStringLiteral("Ayşe  Yılmaz"), QStringLiteral("a   b")},
                               {QStringLiteral("  Baştaki"), QStringLiteral("Sondaki  ")},
                               {QStringLiteral("Sekme\tiçinde"), QStringLiteral("Alt\nsatır")},
                               {QStringLiteral("Üç\n\nBeş"), QStringLiteral("x")}};
        const Rows repeatedRows = {{QStringLiteral("Ali"), QStringLiteral("Ankara")},
                                   {QStringLiteral("Veli"), QStringLiteral("Van")},
                                   {QStringLiteral("Veli"), QStringLiteral("Van")},
                                   {QStringLiteral("Can"), QStringLiteral("Çorum")}};
        const Rows repeatedLast = {{QStringLiteral("Ali"), QStringLiteral("Ali")},
                                   {QStringLiteral("Can"), QStringLiteral("Çorum")},
                                   {QStringLiteral("Veli"), QStringLiteral("Veli")},
                                   {QStringLiteral("Veli"), QStringLiteral("Veli")}};
        // Each workbook is read by the decoding child and, the same, in the program's own process.
        auto add = [](const char* base, const char* ext, const Rows& rows) {
            for (const bool isolate : {true, false})
                QTest::addRow("%s.%s%s", base, ext, isolate ? "" : " in process")
                    << QString::fromLatin1(base) + QLatin1Char('.') + QLatin1String(ext) << isolate << rows;
        };
        // Error values as the spreadsheet shows them; a text file holds the same texts.
        const Rows errors = {{QStringLiteral("Ayşe Yılmaz"), QStringLiteral("#DIV/0!")},
                             {QStringLiteral("#N/A"), QStringLiteral("Ankara")},
                             {QStringLiteral("#NAME?"), QStringLiteral("#VALUE!")}};
        // A1 is the number 1 (B1 empty), an array formula fills F2:G2 and another one A3:B3.
        const Rows arrayFormula = {
            {QStringLiteral("1"), QString()}, namesAB[0], {QStringLiteral("Can"), QStringLiteral("Çorum")}};
        add("inline_strings", "xlsx", namesAB);
        // Escapes of a carriage return, a control character, letters (also in an inline string),
        // an escaped "_x" that reads as the text "_x000D_", and a "_x" that is no escape.
        add("escapes", "xlsx",
            {{QStringLiteral("Ayşe\rYılmaz"), QStringLiteral("\x14İstanbul\x14")},
             {QStringLiteral("Mehmet_x000D_Öztürk"), QStringLiteral("Ankara_x12_")},
             {QStringLiteral("Gülşen Çağlar"), QStringLiteral("İzmir")}});
        // Excel 2.1, 3.0 and 4.0: a text, numbers, a date, a truth value, an error, a text result.
        const Rows oldExcel = {namesAB[0],
                               {QStringLiteral("42"), QStringLiteral("3,5")},
                               {QStringLiteral("15.03.2024"), QStringLiteral("DOĞRU")},
                               {QStringLiteral("#DIV/0!"), QStringLiteral("Çorum")}};
        for (const char* base : {"excel2", "excel3", "excel4", "excel4_workbook"})
            add(base, "xls", oldExcel);
        for (const char* ext : {"xls", "xlsx", "ods", "csv"})
        {
            add("named_range", ext, namesAB);
            add("errors", ext, errors);
            // LibreOffice writes no text results of an array formula into an .xls file, only zeros.
            add("array_formula", ext,
                qstrcmp(ext, "xls") != 0
                    ? arrayFormula
                    : Rows{arrayFormula[0], arrayFormula[1], {QStringLiteral("0"), QStringLiteral("0")}});
            add("names_ab", ext, namesAB);
            add("text_runs", ext, textRuns);
            add("repeated_rows", ext, repeatedRows);
            add("repeated_last", ext, repeatedLast);
            add("names_a", ext, namesA);
            add("title_row", ext, titled);
            add("duplicate", ext, duplicate);
            add("gap_row3", ext, gap);
        }
    }
    void sameRowsFromEveryFormat()
    {
        QFETCH(QString, file);
        QFETCH(bool, isolate);
        QFETCH(Rows, expected);
        SpreadsheetLimits limits;
        limits.isolate = isolate;
        SpreadsheetReader reader;
        reader.setLimits(limits);
        reader.open(fixturePath(QStringLiteral("sheets/") + file));
        QVERIFY(reader.isOpen());
        QCOMPARE(reader.firstUsedRow(), 1);
        QCOMPARE(reader.usedRowCount(), expected.size());
        QCOMPARE(readAll(reader), expected);
        // Past the used range and outside columns A and B there is nothing.
        QCOMPARE(reader.cellText(expected.size() + 1, 1), QString());
        QCOMPARE(reader.cellText(1, 3), QString());
        QCOMPARE(reader.cellText(0, 1), QString());
        QCOMPARE(reader.cellText(-5, 2), QString());
    }

    // Any sheet and any columns, in the order asked for; the sheets are named as the workbook
    // names them, and a row limit keeps the first rows only.
    void sheetsAndColumnsAsSelected_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("sheet");
        QTest::addColumn<QList<int>>("columns"); // from 0 = A
        QTest::addColumn<int>("rowLimit");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<Rows>("expected"); // the selected columns, in their order
        const QStringList two = {QStringLiteral("Sayfa1"), QStringLiteral("Sayfa2")};
        for (const char* ext : {"xls", "xlsx", "ods"})
        {
            const QString file = QStringLiteral("names_ab.") + QLatin1String(ext);
            QTest::addRow("second sheet, %s", ext)
                << file << 1 << QList<int>{0, 1} << 0 << two << Rows{{QStringLiteral("ikinci sayfa"), QString()}};
            QTest::addRow("B before A, %s", ext)
                << file << 0 << QList<int>{1, 0} << 0 << two
                << Rows{{namesAB[0][1], namesAB[0][0]}, {namesAB[1][1], namesAB[1][0]}, {namesAB[2][1], namesAB[2][0]}};
            QTest::addRow("first row only, %s", ext) << file << 0 << QList<int>{0, 1} << 1 << two << Rows{namesAB[0]};
            QTest::addRow("column C, %s", ext)
                << file << 0 << QList<int>{2} << 0 << two << Rows{{QString()}, {QString()}, {QString()}};
        }
        QTest::newRow("text file: one sheet without a name")
            << "names_ab.csv" << 0 << QList<int>{1} << 2 << QStringList() << Rows{{namesAB[0][1]}, {namesAB[1][1]}};
    }
    void sheetsAndColumnsAsSelected()
    {
        QFETCH(QString, file);
        QFETCH(int, sheet);
        QFETCH(QList<int>, columns);
        QFETCH(int, rowLimit);
        QFETCH(QStringList, names);
        QFETCH(Rows, expected);
        for (const bool isolate : {true, false})
        {
            SpreadsheetLimits limits;
            limits.isolate = isolate;
            SpreadsheetReader reader;
            reader.setLimits(limits);
            SpreadsheetSelection selection;
            selection.sheet = sheet;
            selection.columns = std::vector<int>(columns.begin(), columns.end());
            selection.rowLimit = rowLimit;
            reader.setSelection(selection);
            reader.open(fixturePath(QStringLiteral("sheets/") + file));
            QCOMPARE(reader.sheetNames(), names);
            QCOMPARE(reader.lastUsedRow(), expected.size());
            Rows got;
            for (int row = 1; row <= reader.lastUsedRow(); ++row)
            {
                QStringList cells;
                for (const int col : columns)
                    cells << reader.cellText(row, col + 1);
                got << cells;
            }
            QCOMPARE(got, expected);
            // A column not asked for reads empty.
            if (!columns.contains(0))
                QCOMPARE(reader.cellText(1, 1), QString());
            selection.sheet = 5;
            reader.setSelection(selection);
            expectRefused(reader, fixturePath(QStringLiteral("sheets/") + file));
        }
    }

    // Each refusal tells its kind, from the child as from the program's own process, so that the
    // operator gets the right line.
    void refusalsTellTheirKind_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("maxRows");
        QTest::addColumn<int>("sheet");
        QTest::addColumn<int>("problem");
        QTest::newRow("password") << "encrypted.xls" << 0 << 0 << int(SpreadsheetProblem::Encrypted);
        QTest::newRow("random bytes") << "random.xlsx" << 0 << 0 << int(SpreadsheetProblem::NotASheet);
        QTest::newRow("cut in half") << "truncated.xlsx" << 0 << 0 << int(SpreadsheetProblem::Damaged);
        QTest::newRow("strings missing") << "no_shared_strings.xlsx" << 0 << 0 << int(SpreadsheetProblem::MissingText);
        QTest::newRow("too many rows") << "duplicate.xlsx" << 3 << 0 << int(SpreadsheetProblem::TooLarge);
        QTest::newRow("no such sheet, ods") << "names_ab.ods" << 0 << 2 << int(SpreadsheetProblem::MissingSheet);
        QTest::newRow("no such sheet, csv") << "names_ab.csv" << 0 << 1 << int(SpreadsheetProblem::MissingSheet);
        QTest::newRow("markup cut short, ods") << "fuzz_orcus_3.ods" << 0 << 0 << int(SpreadsheetProblem::Damaged);
    }
    void refusalsTellTheirKind()
    {
        QFETCH(QString, file);
        QFETCH(int, maxRows);
        QFETCH(int, sheet);
        QFETCH(int, problem);
        for (const bool isolate : {true, false})
        {
            SpreadsheetLimits limits;
            limits.isolate = isolate;
            if (maxRows > 0)
                limits.maxRows = maxRows;
            SpreadsheetReader reader;
            reader.setLimits(limits);
            SpreadsheetSelection selection;
            selection.sheet = sheet;
            reader.setSelection(selection);
            int told = -1;
            try
            {
                reader.open(fixturePath(QStringLiteral("sheets/") + file));
            }
            catch (const ESpreadsheetError& e)
            {
                told = int(spreadsheetProblemOf(e));
            }
            QCOMPARE(told, problem);
        }
    }

    // Inputs the fuzzer once crashed the reader with (inside liborcus, on .ods): read or refused,
    // in the program's own process too, and the same either way.
    void fuzzFindingsReadOrRefused_data()
    {
        QTest::addColumn<QString>("file");
        for (const char* file : {"fuzz_orcus_null_1.ods", "fuzz_orcus_null_2.ods", "fuzz_orcus_3.ods"})
            QTest::newRow(file) << QString::fromLatin1(file);
    }
    void fuzzFindingsReadOrRefused()
    {
        QFETCH(QString, file);
        QStringList outcomes;
        for (const bool isolate : {true, false})
        {
            SpreadsheetLimits limits;
            limits.isolate = isolate;
            SpreadsheetReader reader;
            reader.setLimits(limits);
            try
            {
                reader.open(fixturePath(QStringLiteral("sheets/") + file));
                outcomes << QStringLiteral("read %1 rows").arg(reader.usedRowCount());
            }
            catch (const ESpreadsheetError& e)
            {
                QVERIFY(spreadsheetProblemOf(e) != SpreadsheetProblem::ReaderFailed);
                outcomes << QStringLiteral("refused");
            }
        }
        QCOMPARE(outcomes[0], outcomes[1]);
    }

    void formatFollowsContentNotName_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("format");
        QTest::newRow("xls") << "names_ab.xls" << int(SpreadsheetFormat::Xls);
        QTest::newRow("xlsx named .xls") << "names_ab_really_xlsx.xls" << int(SpreadsheetFormat::Xlsx);
        QTest::newRow("ods") << "names_ab.ods" << int(SpreadsheetFormat::Ods);
        QTest::newRow("csv") << "names_ab.csv" << int(SpreadsheetFormat::Csv);
    }
    void formatFollowsContentNotName()
    {
        QFETCH(QString, file);
        QFETCH(int, format);
        QFile source(fixturePath(QStringLiteral("sheets/") + file));
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray bytes = source.readAll();
        QCOMPARE(int(detectSpreadsheetFormat(bytes)), format);
        // Told the same from the file's head and, for a package, its directory alone.
        QCOMPARE(int(spreadsheetFileKind(source.fileName(), SpreadsheetLimits()).format), format);
        // Under a misleading name the workbook reads the same.
        const QString renamed = m_dir.filePath(QStringLiteral("liste.xlsx.txt"));
        QFile::remove(renamed);
        writeAll(renamed, bytes);
        SpreadsheetReader reader;
        reader.open(renamed);
        QCOMPARE(int(reader.format()), format);
        QCOMPARE(readAll(reader), namesAB);
    }

    // The operator's folders carry Turkish names; on Windows "ş" and "ğ" are outside the ANSI code
    // page that the .xls reader's library opens files through.
    void readsFromAFolderNamedInTurkish_data()
    {
        QTest::addColumn<QString>("file");
        for (const char* file : {"names_ab.xls", "names_ab.xlsx", "names_ab.ods", "names_ab.csv"})
            QTest::newRow(file) << QString::fromLatin1(file);
    }
    void readsFromAFolderNamedInTurkish()
    {
        QFETCH(QString, file);
        QDir folder(m_dir.path());
        const QString name = QStringLiteral("Çekiliş Ağustos");
        QVERIFY(folder.mkpath(name) && folder.cd(name));
        const QString copy = folder.filePath(QStringLiteral("katılımcı ") + file);
        QFile::remove(copy);
        QVERIFY(QFile::copy(fixturePath(QStringLiteral("sheets/") + file), copy));
        SpreadsheetReader reader;
        reader.open(copy);
        QCOMPARE(readAll(reader), namesAB);
    }

    // A workbook shows its values as a Turkish-locale spreadsheet does; a text file keeps them as typed.
    void valuesAsTheSpreadsheetShowsThem_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("shown"); // 3,1 3,2 4,1 4,2 5,1 5,2 6,1
        const QStringList asShown{QStringLiteral("42"),         QStringLiteral("3,5"),
                                  QStringLiteral("-7"),         QStringLiteral("1234567"),
                                  QStringLiteral("15.03.2024"), QStringLiteral("15.03.2024 10:30:00"),
                                  QStringLiteral("0,125")};
        QTest::newRow("xls") << "values.xls" << asShown;
        QTest::newRow("xlsx") << "values.xlsx" << asShown;
        QTest::newRow("ods") << "values.ods" << asShown;
        QTest::newRow("csv") << "values.csv"
                             << QStringList{QStringLiteral("42"),         QStringLiteral("3.5"),
                                            QStringLiteral("-7"),         QStringLiteral("1234567"),
                                            QStringLiteral("03/15/2024"), QStringLiteral("03/15/2024 10:30:00"),
                                            QStringLiteral("0.125")};
    }
    void valuesAsTheSpreadsheetShowsThem()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, shown);
        SpreadsheetReader reader;
        reader.open(fixturePath(QStringLiteral("sheets/") + file));
        QCOMPARE(reader.cellText(1, 1), QStringLiteral("ğüşıöçİ ĞÜŞIÖÇ"));
        QCOMPARE(reader.cellText(1, 2), QStringLiteral("Kâzım"));
        QCOMPARE(reader.cellText(2, 1), QStringLiteral("\"Bora\" Yılmaz"));
        const QStringList cells{reader.cellText(3, 1), reader.cellText(3, 2), reader.cellText(4, 1),
                                reader.cellText(4, 2), reader.cellText(5, 1), reader.cellText(5, 2),
                                reader.cellText(6, 1)};
        QCOMPARE(cells, shown);
        QCOMPARE(reader.cellText(7, 1), QStringLiteral("  boşluklu  "));
    }

    void csvInCodePage1254OrWithByteOrderMark_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("cp1254") << QByteArray("Ay\xFE"
                                              "e \xE7"
                                              "a\xF0"
                                              "r\xFD"
                                              ",\xDDzmir\r\n\xD0\xDC\xDE,x\r\n");
        QTest::newRow("utf-8 with bom") << QByteArray("\xEF\xBB\xBF"
                                                      "Ayşe çağrı,İzmir\nĞÜŞ,x\n");
        QTest::newRow("semicolons") << QByteArray("Ay\xFE"
                                                  "e \xE7"
                                                  "a\xF0"
                                                  "r\xFD"
                                                  ";\xDDzmir\r\n\xD0\xDC\xDE;x\r\n");
        QTest::newRow("semicolons and quotes") << QByteArray("\"Ayşe çağrı\";İzmir\n\"ĞÜŞ\";\"x\"\n");
        QTest::newRow("tabs") << QByteArray("Ayşe çağrı\tİzmir\nĞÜŞ\tx");
        QTest::newRow("commas and quotes") << QByteArray("\"Ayşe çağrı\",\"İzmir\"\r\nĞÜŞ,x");
    }
    void csvInCodePage1254OrWithByteOrderMark()
    {
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(QStringLiteral("tr.csv"));
        QFile::remove(path);
        writeAll(path, bytes);
        SpreadsheetReader reader;
        reader.open(path);
        QCOMPARE(readAll(reader), (Rows{{QStringLiteral("Ayşe çağrı"), QStringLiteral("İzmir")},
                                        {QStringLiteral("ĞÜŞ"), QStringLiteral("x")}}));
    }

    void usedRangeStartsAtFirstFilledRow_data()
    {
        QTest::addColumn<QString>("file");
        for (const char* ext : {"xls", "xlsx", "ods", "csv"})
            QTest::addRow("%s", ext) << QStringLiteral("from_row3.") + QLatin1String(ext);
    }
    void usedRangeStartsAtFirstFilledRow()
    {
        QFETCH(QString, file);
        SpreadsheetReader reader;
        reader.open(fixturePath(QStringLiteral("sheets/") + file));
        QCOMPARE(reader.firstUsedRow(), 3);
        QCOMPARE(reader.usedRowCount(), 5);
        // Whoever reads rows 1..count meets the empty rows first and misses the last two.
        QCOMPARE(reader.cellText(1, 1), QString());
        QCOMPARE(reader.cellText(3, 1), QStringLiteral("Kişi 3"));
        QCOMPARE(reader.cellText(7, 2), QStringLiteral("Yer 7"));
    }

    void emptySheetHasTheOneRowA1()
    {
        const QString path = m_dir.filePath(QStringLiteral("empty.csv"));
        writeAll(path, QByteArray());
        SpreadsheetReader reader;
        reader.open(path);
        QCOMPARE(reader.usedRowCount(), 1);
        QCOMPARE(reader.firstUsedRow(), 1);
        QCOMPARE(reader.cellText(1, 1), QString());
    }

    void damagedFilesAreRefused_data()
    {
        QTest::addColumn<QString>("path");
        for (const char* name : {"truncated.xls", "truncated.xlsx", "truncated.ods", "random.xlsx", "encrypted.xls"})
            QTest::newRow(name) << fixturePath(QStringLiteral("sheets/") + QLatin1String(name));
        QTest::newRow("missing") << fixturePath("sheets/no such workbook.xlsx");
        QTest::newRow("folder") << fixturePath("sheets");
    }
    void damagedFilesAreRefused()
    {
        QFETCH(QString, path);
        SpreadsheetReader reader;
        reader.open(fixturePath("sheets/names_ab.ods"));
        expectRefused(reader, path); // the workbook read before is gone, not mixed in
    }

    void foreignPackagesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty zip") << zipOf({});
        QTest::newRow("text document") << zipOf(
            {{"mimetype", "application/vnd.oasis.opendocument.text"}, {"content.xml", "<x/>"}});
        QTest::newRow("zip of something else") << zipOf({{"readme.txt", "hello"}});
        QTest::newRow("declared size of 4 GiB")
            << zipOf({{"[Content_Types].xml", "<a/>"}, {"xl/workbook.xml", "<a/>", 0xF0000000u}});
        QTest::newRow("parts adding up beyond the limit") << zipOf({{"xl/workbook.xml", "<a/>", 0x30000000u},
                                                                    {"xl/a.xml", "<a/>", 0x30000000u},
                                                                    {"xl/b.xml", "<a/>", 0x30000000u},
                                                                    {"xl/c.xml", "<a/>", 0x30000000u}});
        QTest::newRow("declared size smaller than the data")
            << zipOf({{"[Content_Types].xml", "<a/>"}, {"xl/workbook.xml", QByteArray(5000, 'x'), 100}});
        QByteArray cut = zipOf({{"xl/workbook.xml", QByteArray(100, 'x')}});
        cut[cut.size() - 6] = char(0x7F); // central directory offset far outside the file
        QTest::newRow("directory outside the file") << cut;
        QByteArray unanchored = zipOf({{"xl/workbook.xml", "<a/>"}});
        unanchored[49 + 42] = char(0x10); // the part's local header, as the directory places it
        QTest::newRow("directory naming no local header") << unanchored;
        QTest::newRow("binary junk") << QByteArray("\x01\x02\x00\x03junk", 8);
    }
    void foreignPackagesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(QStringLiteral("foreign.xlsx"));
        QFile::remove(path);
        writeAll(path, bytes);
        SpreadsheetReader reader;
        expectRefused(reader, path);
    }

    // freexl trusts the compound document's directory; damaged directories must be caught first.
    void damagedCompoundDocumentsAreRefused_data()
    {
        QTest::addColumn<QString>("patch");
        QTest::newRow("overlong entry name") << "name";
        QTest::newRow("directory sector beyond the file") << "directory";
        QTest::newRow("allocation table sector beyond the file") << "fat";
        QTest::newRow("more allocation sectors than the file has") << "fatcount";
        QTest::newRow("odd sector size") << "shift";
        QTest::newRow("found by fuzzing") << "fuzz";
        QTest::newRow("sheet announcing 65536 x 256 cells") << "dimension";
    }
    void damagedCompoundDocumentsAreRefused()
    {
        QFETCH(QString, patch);
        QFile source(
            fixturePath(patch == QLatin1String("fuzz") ? "sheets/fuzz_overlong_name.xls" : "sheets/names_ab.xls"));
        QVERIFY(source.open(QIODevice::ReadOnly));
        QByteArray bytes = source.readAll();
        auto set32 = [&](qsizetype at, quint32 v) {
            for (int i = 0; i < 4; ++i)
                bytes[at + i] = char((v >> (8 * i)) & 0xFF);
        };
        const auto u32 = [&](qsizetype at) {
            return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8 |
                   quint32(quint8(bytes[at + 2])) << 16 | quint32(quint8(bytes[at + 3])) << 24;
        };
        const qsizetype directory = (qsizetype(u32(0x30)) + 1) * 512;
        if (patch == QLatin1String("name"))
            bytes[directory + 128 + 0x40] = char(0x41), bytes[directory + 128 + 0x41] = char(0x02);
        else if (patch == QLatin1String("directory"))
            set32(0x30, 5000);
        else if (patch == QLatin1String("fat"))
            set32(0x4C, 70000);
        else if (patch == QLatin1String("fatcount"))
            set32(0x2C, 0x10000000);
        else if (patch == QLatin1String("shift"))
            bytes[0x1E] = char(10);
        else if (patch == QLatin1String("dimension"))
        {
            // The reading library would reserve half a gigabyte for these cells before reading any.
            const QByteArray dimension = QByteArrayLiteral("\x00\x02\x0e\x00");
            int patched = 0;
            for (qsizetype at = bytes.indexOf(dimension); at >= 0; at = bytes.indexOf(dimension, at + 1), ++patched)
                set32(at + 8, 65536), bytes[at + 14] = char(0), bytes[at + 15] = char(1);
            QVERIFY(patched > 0);
        }
        const QString path = m_dir.filePath(QStringLiteral("damaged.xls"));
        QFile::remove(path);
        writeAll(path, bytes);
        SpreadsheetReader reader;
        expectRefused(reader, path);
    }

    void limitsRefuseLargeWorkbooks_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("limit");
        for (const char* ext : {"xls", "xlsx", "ods", "csv"})
        {
            QTest::addRow("rows.%s", ext) << QStringLiteral("names_ab.") + QLatin1String(ext) << "rows";
            QTest::addRow("text.%s", ext) << QStringLiteral("names_ab.") + QLatin1String(ext) << "text";
            QTest::addRow("size.%s", ext) << QStringLiteral("names_ab.") + QLatin1String(ext) << "size";
        }
        QTest::newRow("unpacked.xlsx") << "names_ab.xlsx"
                                       << "unpacked";
        QTest::newRow("ratio.ods") << "names_ab.ods"
                                   << "ratio";
        QTest::newRow("cells.xls") << "names_ab.xls"
                                   << "cells";
    }
    void limitsRefuseLargeWorkbooks()
    {
        QFETCH(QString, file);
        QFETCH(QString, limit);
        SpreadsheetLimits limits;
        if (limit == QLatin1String("rows"))
            limits.maxRows = 2; // the sheet has three
        else if (limit == QLatin1String("text"))
            limits.maxKeptTextBytes = 20;
        else if (limit == QLatin1String("size"))
            limits.maxFileBytes = 40;
        else if (limit == QLatin1String("unpacked"))
            limits.maxUnpackedBytes = 2000;
        else if (limit == QLatin1String("cells"))
            limits.maxXlsCells = 5; // three rows of two columns
        else
            limits.ratioFloorBytes = 100, limits.maxRatio = 2;
        SpreadsheetReader reader;
        reader.setLimits(limits);
        expectRefused(reader, fixturePath(QStringLiteral("sheets/") + file));
        // The same workbook within the default limits reads.
        reader.setLimits(SpreadsheetLimits());
        reader.open(fixturePath(QStringLiteral("sheets/") + file));
        QCOMPARE(reader.usedRowCount(), 3);
    }

    // Repeat counts announce rows and cells that the few bytes of the file do not hold: a sheet
    // announcing more than a worksheet holds is refused by the count, before any copy is made.
    // Rows with `shown` are compared as a whole: what a cell's markup shows, and which sheet is read.
    void odsRepeatsWithinTheLimits_data()
    {
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<int>("usedRows"); // 0: refused
        QTest::addColumn<Rows>("shown");   // empty: every used row reads "Ali" in A
        QTest::addColumn<int>("sheet");
        QTest::addColumn<int>("rowLimit");
        QTest::addColumn<QStringList>("names"); // checked unless empty
        const QByteArray ali = "<table:table-cell office:value-type=\"string\"><text:p>Ali</text:p></table:table-cell>";
        const auto row = [](const char* repeat, const QByteArray& cells) {
            return "<table:table-row table:number-rows-repeated=\"" + QByteArray(repeat) + "\">" + cells +
                   "</table:table-row>";
        };
        const auto cell = [](const QByteArray& attributes, const QByteArray& inner = "<text:p>x</text:p>") {
            return "<table:table-cell " + attributes + ">" + inner + "</table:table-cell>";
        };
        const auto text = [&](const QByteArray& inner) { return cell("office:value-type=\"string\"", inner); };
        const auto add = [](const char* name, const QByteArray& rows, int usedRows, const Rows& shown = {},
                            int sheet = 0, int rowLimit = 0, const QStringList& names = {}) {
            QTest::newRow(name) << rows << usedRows << shown << sheet << rowLimit << names;
        };
        const QByteArray emptyTail = row("1048553", "<table:table-cell table:number-columns-repeated=\"1024\"/>");
        add("row repeated to the last sheet row", row("10", ali), 10);
        add("row repeated past the last sheet row", row("11", ali), 0);
        add("rows repeated a billion times", row("1000000000", ali) + emptyTail, 0);
        add("empty rows to the end of the sheet", row("2", ali) + emptyTail, 2);
        add("cell repeated over five million columns",
            row("1", QByteArray(ali).insert(17, " table:number-columns-repeated=\"5000000\"")), 0);
        add("cells repeated over many rows",
            row("10", QByteArray(ali).insert(17, " table:number-columns-repeated=\"500000\"")), 0);
        add("cell repeated past column B",
            row("1", ali) + row("3", QByteArray(ali).insert(17, " table:number-columns-repeated=\"16000\"")), 4);
        // Empty cells written with an end tag are as empty as those without one.
        add("empty cells written out to the end of the sheet",
            row("2", ali) +
                row("1048000", "<table:table-cell table:number-columns-repeated=\"1024\"></table:table-cell>"),
            2);
        add("blanks, tabs, line breaks, spans and links",
            row("1", text("<text:p>Ay<text:span>şe</text:span><text:s text:c=\"3\"/><text:a>Yıl</text:a>maz</text:p>") +
                         text("<text:p>Alt<text:line-break/>satır<text:tab/>son\r\n</text:p>")),
            1, rowsOf({{"Ayşe   Yılmaz", "Alt\nsatır\tson\n"}}));
        add("paragraphs, not the annotation",
            row("1", text("<office:annotation><dc:creator>Ali</dc:creator><text:p>Not</text:p></office:annotation>"
                          "<text:p>Ali</text:p>") +
                         text("<text:p>Bir</text:p><text:p/><text:p>Üç</text:p>")),
            1, rowsOf({{"Ali", "Bir\n\nÜç"}}));
        add("percentages, currencies, truth values, times, untyped text",
            row("1", cell("office:value-type=\"percentage\" office:value=\"0.125\"") +
                         cell("office:value-type=\"currency\" office:currency=\"TRY\" office:value=\"1234.5\"")) +
                row("1", cell("office:value-type=\"boolean\" office:boolean-value=\"true\"") +
                             cell("office:value-type=\"time\" office:time-value=\"PT10H30M00S\"")) +
                row("1", cell("", "<text:p>Ali</text:p>") + cell("office:value-type=\"void\"")),
            3, rowsOf({{"0,125", "1234,5"}, {"DOĞRU", "10:30:00"}, {"Ali", ""}}));
        add("repeated cells in repeated rows, a covered cell",
            row("2", QByteArray(ali).insert(17, " table:number-columns-repeated=\"2\"")) +
                row("1", "<table:covered-table-cell/>" + ali),
            3, rowsOf({{"Ali", "Ali"}, {"Ali", "Ali"}, {"", "Ali"}}));
        const QByteArray second = "</table:table><table:table table:name=\"İkinci &amp; son\">";
        add("second sheet", row("1", ali) + second + row("2", text("<text:p>Veli</text:p>")), 2,
            rowsOf({{"Veli", ""}, {"Veli", ""}}), 1, 0, {QStringLiteral("Sayfa1"), QStringLiteral("İkinci & son")});
        // Past the row limit nothing is parsed, only the later sheets' names are found.
        const QByteArray damagedAfterTwoRows =
            row("1", ali) + row("3", ali) + "<table:table-row><table:table-cell></table:table-row></table:table-cell>" +
            second + row("1", ali);
        add("row limit: the rest is not read", damagedAfterTwoRows, 2, rowsOf({{"Ali", ""}, {"Ali", ""}}), 0, 2,
            {QStringLiteral("Sayfa1"), QStringLiteral("İkinci & son")});
        add("end tag that does not match", damagedAfterTwoRows, 0);
        // Later sheets found past the limit: one holding a table in a cell, one named by a reference,
        // one whose name holds a '>'.
        add("row limit inside a repeated row, later sheets",
            row("5", ali) + second + row("1", text("<table:table table:name=\"iç\"/><text:p>x</text:p>")) +
                "</table:table><table:table table:name=\"&#304;zmir\"></table:table><table:table "
                "table:name='a>b'>",
            3, rowsOf({{"Ali", ""}, {"Ali", ""}, {"Ali", ""}}), 0, 3,
            {QStringLiteral("Sayfa1"), QStringLiteral("İkinci & son"), QStringLiteral("İzmir"), QStringLiteral("a>b")});
        // A sheet not read is not held to the limits of the one that is.
        add("rows beyond the limit in a sheet not read", row("1", ali) + second + row("2000000", ali), 1, {}, 0, 0,
            {QStringLiteral("Sayfa1"), QStringLiteral("İkinci & son")});
        add("markup nested too deeply",
            row("1", text("<text:p>" + QByteArray("<text:span>").repeated(5000) + "x" +
                          QByteArray("</text:span>").repeated(5000) + "</text:p>")),
            0);
        add("times of day and durations",
            row("1", cell("office:value-type=\"time\" office:time-value=\"PT10H30M15.5S\"") +
                         cell("office:value-type=\"time\" office:time-value=\"PT10X\"")) +
                row("1", cell("office:value-type=\"time\" office:time-value=\"P1DT12H\"")),
            2, rowsOf({{"10:30:16", ""}, {"31.12.1899 12:00:00", ""}}));
        add("a table and a drawing inside a cell",
            row("1", text("<table:table table:name=\"iç\"><table:table-row>" + ali +
                          "</table:table-row></table:table><draw:frame><draw:text-box><text:p>Çizim</text:p>"
                          "</draw:text-box></draw:frame><text:p>Veli</text:p>")),
            1, rowsOf({{"Veli", ""}}), 0, 0, {QStringLiteral("Sayfa1")});
        add("dates, numbers as written, a formula's shown result",
            row("1", cell("office:value-type=\"date\" office:date-value=\"2024-03-15T10:30:00\"") +
                         cell("office:value-type=\"date\" office:date-value=\"2024-02-30\"")) +
                row("1", cell("office:value-type=\"float\" office:value=\" +3.25 \"") +
                             cell("office:value-type=\"float\" office:value=\"abc\"")) +
                row("1", cell("table:formula=\"of:=1+1\"", "<text:p>2</text:p>")),
            3, rowsOf({{"15.03.2024 10:30:00", ""}, {"3,25", ""}, {"2", ""}}));
        add("a blank count of billions is cut with the cell",
            row("1", text("<text:p>a<text:s text:c=\"4000000000\"/>b</text:p>")), 1,
            Rows{{QLatin1Char('a') + QString(SpreadsheetSheet::maxCellBytes - 1, QLatin1Char(' ')), QString()}});
        add("zero repeat counts count once",
            row("0", QByteArray(ali).insert(17, " table:number-columns-repeated=\"0\"")) + row("1", ali), 2);
        add("a cell past the last column",
            row("1", "<table:table-cell table:number-columns-repeated=\"16384\"/>" + ali), 1, rowsOf({{"", ""}}));
    }
    void odsRepeatsWithinTheLimits()
    {
        QFETCH(QByteArray, rows);
        QFETCH(int, usedRows);
        QFETCH(Rows, shown);
        QFETCH(int, sheet);
        QFETCH(int, rowLimit);
        QFETCH(QStringList, names);
        const QByteArray content =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
            "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
            "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
            "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
            "<table:table table:name=\"Sayfa1\">" +
            rows + "</table:table></office:spreadsheet></office:body></office:document-content>";
        const QString path = m_dir.filePath(QStringLiteral("repeats.ods"));
        QFile::remove(path);
        // zipOf declares its parts deflated: the raw deflate stream inside Qt's zlib framing.
        const QByteArray deflated = qCompress(content).mid(6).chopped(4);
        writeAll(path, zipOf({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                              {"content.xml", deflated, quint32(content.size())}}));
        SpreadsheetLimits limits;
        limits.maxRows = rows.contains("\"10\"") || rows.contains("\"11\"") ? 10 : limits.maxRows;
        SpreadsheetReader reader;
        reader.setLimits(limits);
        SpreadsheetSelection selection;
        selection.sheet = sheet;
        selection.rowLimit = rowLimit;
        reader.setSelection(selection);
        if (usedRows == 0)
            return expectRefused(reader, path);
        reader.open(path);
        QCOMPARE(reader.usedRowCount(), usedRows);
        if (!names.isEmpty())
            QCOMPARE(reader.sheetNames(), names);
        if (!shown.isEmpty())
        {
            QCOMPARE(readAll(reader), shown);
            return;
        }
        for (int r = 1; r <= usedRows; ++r)
            QCOMPARE(reader.cellText(r, 1), QStringLiteral("Ali"));
        QCOMPARE(reader.cellText(usedRows, 2), rows.contains("16000") ? QStringLiteral("Ali") : QString());
    }

    // Excel's escapes in a shared string, decoded left to right; what is no escape stays.
    void xlsxEscapesDecodeToTheirCharacters_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("text");
        QTest::newRow("lower-case digits") << QByteArray("_x00e7_a_x011f_") << QStringLiteral("çağ");
        QTest::newRow("surrogate pair") << QByteArray("a_xD83D__xDE00_b") << QStringLiteral("a\U0001F600b");
        QTest::newRow("lone surrogate") << QByteArray("a_xD83D_b") << QStringLiteral("a\uFFFDb");
        QTest::newRow("character zero is dropped") << QByteArray("Ali_x0000_Veli") << QStringLiteral("AliVeli");
        QTest::newRow("escaped underscore") << QByteArray("_x005F_x0041_") << QStringLiteral("_x0041_");
        QTest::newRow("cut short at the end") << QByteArray("Ali_x004") << QStringLiteral("Ali_x004");
        QTest::newRow("not hexadecimal") << QByteArray("_x00G1_") << QStringLiteral("_x00G1_");
        QTest::newRow("escape right after a false one") << QByteArray("_x_x0041_") << QStringLiteral("_xA");
    }
    void xlsxEscapesDecodeToTheirCharacters()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, text);
        XlsxParts parts;
        parts.strings = "<si><t>" + stored + "</t></si>";
        parts.body = "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row></sheetData>";
        const QString path = m_dir.filePath(QStringLiteral("escapes.xlsx"));
        QFile::remove(path);
        writeAll(path, xlsxOf(parts));
        SpreadsheetReader reader;
        reader.open(path);
        QCOMPARE(reader.cellText(1, 1), text);
    }

    // What writers other than Excel put into a package, and what Excel itself writes rarely.
    void xlsxPackagesOfEveryWriter_data()
    {
        QTest::addColumn<XlsxParts>("parts");
        QTest::addColumn<Rows>("rows"); // empty: refused
        const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
        const QByteArray aliAtA1 = "<sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Ali</t></is></c></row>"
                                   "</sheetData>";
        XlsxParts p;
        p.body = "<sheetData><row><c t=\"s\"><v>0</v></c><c><v>5</v></c></row>"
                 "<row><c t=\"inlineStr\"><is><t>Veli</t></is></c></row></sheetData>";
        p.strings = "<si><t>Ali</t></si>";
        QTest::newRow("rows and cells without addresses") << p << rowsOf({{"Ali", "5"}, {"Veli", ""}});
        p = {};
        p.body = "<x:sheetData><x:row r=\"2\"><x:c r=\"B2\" t=\"inlineStr\"><x:is><x:t>Ali</x:t></x:is></x:c>"
                 "</x:row></x:sheetData>";
        QTest::newRow("elements with a namespace prefix") << p << rowsOf({{"", ""}, {"", "Ali"}});
        p = {};
        p.strings = "<si><r><t>Ay</t></r><r><rPr><b/></rPr><t xml:space=\"preserve\">şe </t></r>"
                    "<rPh sb=\"0\" eb=\"1\"><t>アイ</t></rPh><phoneticPr fontId=\"1\"/></si>";
        p.body = "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"inlineStr\"><is><r><t>Ka"
                 "</t></r><r><t>ya</t></r></is></c></row></sheetData>";
        QTest::newRow("rich text without its phonetic guide") << p << rowsOf({{"Ayşe ", "Kaya"}});
        p = {};
        p.body = "<sheetData><row r=\"1\"><c r=\"A1\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c><c r=\"B1\" t=\"b\">"
                 "<v>1</v></c></row><row r=\"2\"><c r=\"A2\"><f>SUM(X1:X9)</f></c></row><row r=\"3\"><c r=\"A3\" "
                 "t=\"str\"><f>\"a\"&amp;\"b\"</f><v>a&amp;b</v></c><c r=\"B3\"><f>2*3</f><v> 6 </v></c></row>"
                 "</sheetData><conditionalFormatting><x14:cfRule xmlns:x14=\"x\"><xm:f xmlns:xm=\"m\">A1</xm:f>"
                 "</x14:cfRule></conditionalFormatting>";
        QTest::newRow("formula results, errors and truth values")
            << p << rowsOf({{"#DIV/0!", "DOĞRU"}, {"", ""}, {"a&b", "6"}});
        p = {};
        p.workbookProperties = "<workbookPr date1904=\"1\"/>";
        p.styles = "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"dd/mm/yyyy\"/></numFmts>"
                   "<cellStyleXfs><xf numFmtId=\"14\"/></cellStyleXfs><cellXfs><xf numFmtId=\"0\"/>"
                   "<xf numFmtId=\"164\"/><xf numFmtId=\"22\"/></cellXfs>";
        p.body = "<sheetData><row r=\"1\"><c r=\"A1\" s=\"1\"><v>0</v></c><c r=\"B1\" s=\"2\"><v>1.5</v></c></row>"
                 "<row r=\"2\"><c r=\"A2\" t=\"d\"><v>2024-03-15T10:30:00</v></c><c r=\"B2\" t=\"d\">"
                 "<v>2024-03-15</v></c></row><row r=\"3\"><c r=\"A3\"><v>1.5</v></c><c r=\"B3\" t=\"d\">"
                 "<v>2024-02-30</v></c></row><row r=\"9\"><c r=\"A9\" s=\"1\"/></row></sheetData>";
        // A date that is none reads empty; a cell with a format alone does not extend the used range.
        QTest::newRow("dates in a 1904 workbook")
            << p << rowsOf({{"01.01.1904", "02.01.1904 12:00:00"}, {"15.03.2024 10:30:00", "15.03.2024"}, {"1,5", ""}});
        p = {};
        p.sheets = "<sheet name=\"Grafik\" sheetId=\"2\" r:id=\"r3\"/><sheet name=\"S\" sheetId=\"1\" r:id=\"r1\"/>";
        p.relations = "<Relationship Id=\"r3\" Type=\"" + rel + "/chartsheet\" Target=\"chartsheets/sheet1.xml\"/>";
        p.body = aliAtA1;
        QTest::newRow("first worksheet after a chart sheet") << p << rowsOf({{"Ali", ""}});
        p = {};
        p.sheetTarget = "/xl/worksheets/../sheets/Sayfa1.xml";
        p.sheetPart = "xl/sheets/sayfa1.xml";
        p.body = aliAtA1;
        QTest::newRow("target from the root, in another case") << p << rowsOf({{"Ali", ""}});
        p = {};
        p.sheetPart = "xl/worksheets/sheet2.xml";
        p.body = aliAtA1;
        QTest::newRow("worksheet part missing") << p << Rows();
        p = {};
        p.body = "<sheetData><row r=\"1\"><c r=\"1A\"><v>1</v></c></row></sheetData>";
        QTest::newRow("cell address backwards") << p << Rows();
        p = {};
        p.body = "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"";
        p.end = {};
        QTest::newRow("cut short inside a tag") << p << Rows();
        p = {};
        p.body = "<sheetData><row r=\"1\"><c r=\"XFD1\"><v>1</v></c></row></sheetData>";
        QTest::newRow("the last column") << p << rowsOf({{"", ""}});
        p.body = "<sheetData><row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row></sheetData>";
        QTest::newRow("past the last column") << p << Rows();
        p.body = "<sheetData><row r=\"1048577\"><c r=\"A1048577\"><v>1</v></c></row></sheetData>";
        QTest::newRow("past the last row") << p << Rows();
        p = {};
        p.stored = true;
        p.strings = "<!-- a comment --><si><t>&#x130;zmir &amp; &lt;Van&gt;</t></si><si><t><![CDATA[a<b]]></t></si>";
        p.body = "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c></row>"
                 "<!-- kept by the writer --></sheetData>";
        QTest::newRow("stored parts, character references, a comment") << p << rowsOf({{"İzmir & <Van>", "a<b"}});
        p = {};
        p.strings = "<si><t>Ali</t></si>";
        p.body = "<sheetData><row r=\"1\"><c r=\"A1\" t=\"n\"><v>-1.5E+3</v></c><c r=\"B1\"><v>abc</v></c></row>"
                 "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c><c r=\"B2\" t=\"b\"><v>0</v></c></row>"
                 "<row r=\"3\"><c r=\"A3\"><f t=\"shared\" ref=\"A3:A4\" si=\"0\">B3*2</f><v>4</v></c></row>"
                 "<row r=\"4\"><c r=\"A4\"><f t=\"shared\" si=\"0\"/><v>6</v></c></row></sheetData>";
        QTest::newRow("numbers, shared formulas")
            << p << rowsOf({{"-1500", ""}, {"Ali", "YANLIŞ"}, {"4", ""}, {"6", ""}});
        // A cell naming a shared string the workbook lacks is damage, not an empty name.
        p.body = "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>7</v></c></row></sheetData>";
        QTest::newRow("a string that is not there") << p << Rows();
        p.strings.clear();
        p.body = "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row></sheetData>";
        QTest::newRow("shared strings missing") << p << Rows();
        p = {};
        p.strings = "<si><t>Ali</t></si>";
        p.body = "<dimension ref=\"A1:XFD1048576\"/><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"
                 "</sheetData>";
        p.stringCount = "4000000000";
        QTest::newRow("sizes announced larger than the parts") << p << rowsOf({{"Ali", ""}});
        // Line ends as XML reads them; a cell of a few hundred kilobytes is kept to its first bytes.
        p = {};
        p.strings = "<si><r><t>Alt\r\nsat\xc4\xb1r</t></r><r><t>\rsonu</t></r></si><si><t>" + QByteArray(300000, 'x') +
                    "</t></si>";
        p.body = "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c></row>"
                 "<row r=\"2\"><c r=\"A2\" t=\"str\"><v>" +
                 QByteArray(300000, 'y') + "</v></c></row></sheetData>";
        QTest::newRow("line ends, huge cells")
            << p
            << Rows{{QStringLiteral("Alt\nsatır\nsonu"), QString(400, QLatin1Char('x'))},
                    {QString(400, QLatin1Char('y')), QString()}};
        p.stored = true;
        QTest::newRow("line ends, huge cells, stored")
            << p
            << Rows{{QStringLiteral("Alt\nsatır\nsonu"), QString(400, QLatin1Char('x'))},
                    {QString(400, QLatin1Char('y')), QString()}};
        // Runs of markup text are cut long before the parser sees them, never inside an entity,
        // and the markup around them stays whole.
        p = {};
        p.strings = "<si><t>" + QByteArray("&#x130;").repeated(3000) + "</t></si><si><t><![CDATA[" +
                    QByteArray(20000, ']') + "]]></t></si><!--" + QByteArray(20000, 'c') + "-->";
        p.body = "<sheetData><row r=\"1\" x=\"" + QByteArray(20000, '>') + "\"><c r=\"A1\" t=\"s\"><v>0</v></c>" +
                 "<c r=\"B1\" t=\"s\"><v>1</v></c></row></sheetData>";
        QTest::newRow("references, sections, comments and values beyond the cut")
            << p << Rows{{QString(200, QChar(0x130)), QString(400, QLatin1Char(']'))}};
        p.stored = true;
        QTest::newRow("the same, stored") << p << Rows{{QString(200, QChar(0x130)), QString(400, QLatin1Char(']'))}};
        p = {};
        p.strings = "<si><t>Ali</t></si>";
        p.body = "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row></sheetData>";
        p.sheetDamage = "crc";
        QTest::newRow("a part whose CRC-32 does not match") << p << Rows();
        p.sheetDamage = "size";
        QTest::newRow("a part unpacking to more than it declares") << p << Rows();
        p.sheetDamage = "cut";
        QTest::newRow("a part whose compressed bytes are cut short") << p << Rows();
        p.stored = true;
        p.sheetDamage = "crc";
        QTest::newRow("a stored part whose CRC-32 does not match") << p << Rows();
    }
    void xlsxPackagesOfEveryWriter()
    {
        QFETCH(XlsxParts, parts);
        QFETCH(Rows, rows);
        const QString path = m_dir.filePath(QStringLiteral("writer.xlsx"));
        QFile::remove(path);
        writeAll(path, xlsxOf(parts));
        // Read in this process, where a sanitizer sees every byte the parser touches.
        SpreadsheetLimits inProcess;
        inProcess.isolate = false;
        SpreadsheetReader reader;
        reader.setLimits(inProcess);
        if (rows.isEmpty())
            return expectRefused(reader, path);
        reader.open(path);
        QCOMPARE(readAll(reader), rows);
    }

    // The text of markup read piece by piece as it is unpacked, whatever the pieces' size.
    void markupRunsAreCutAtTheCap_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<int>("cap");
        QTest::addColumn<QByteArray>("kept");
        const QByteArray whole = "<a x='1' y=\"a>b\"><!--c--><t>abcd</t><![CDATA[<b>]]><?p?></a>";
        QTest::newRow("runs within the cap") << whole << 16 << whole;
        QTest::newRow("quotes of the other kind in a value") << QByteArray("<c a=\"it's\" b='say \"hi\"'>x</c>") << 8
                                                             << QByteArray("<c a=\"it's\" b='say \"hi\"'>x</c>");
        QTest::newRow("ends reached at the cap") << QByteArray("<t><![CDATA[abc]]></t><!--abc--><?p a?>") << 4
                                                 << QByteArray("<t><![CDATA[abc]]></t><!--abc--><?p a?>");
        QTest::newRow("a character reference at the cut")
            << QByteArray("<t>a&#x130;b</t>") << 5 << QByteArray("<t>a</t>");
        QTest::newRow("text") << QByteArray("<t>abcdefgh</t><t>ij</t>") << 4 << QByteArray("<t>abcd</t><t>ij</t>");
        QTest::newRow("a two-byte character at the cut")
            << QByteArray("<t>abc\xC5\x9F</t>") << 4 << QByteArray("<t>abc</t>");
        QTest::newRow("a four-byte character at the cut")
            << QByteArray("<t>ab\xF0\x9F\x98\x80</t>") << 4 << QByteArray("<t>ab</t>");
        QTest::newRow("an entity at the cut") << QByteArray("<t>ab&amp;c</t>") << 4 << QByteArray("<t>ab</t>");
        QTest::newRow("an entity before the cut") << QByteArray("<t>&lt;x</t>") << 4 << QByteArray("<t>&lt;</t>");
        QTest::newRow("an attribute value")
            << QByteArray("<c r=\"ABCDE&amp;\" t='s'/>") << 8 << QByteArray("<c r=\"ABCDE\" t='s'/>");
        QTest::newRow("a tag, to its end past a quoted '>'")
            << QByteArray("<c      a=\"x>y\">t</c>") << 4 << QByteArray("<c   >t</c>");
        QTest::newRow("a CDATA section") << QByteArray("<t><![CDATA[abc]]]]></t>") << 4
                                         << QByteArray("<t><![CDATA[abc]]></t>");
        QTest::newRow("a comment") << QByteArray("<!--abc-def--><t/>") << 4 << QByteArray("<!--abc--><t/>");
        QTest::newRow("a processing instruction") << QByteArray("<?pi abcde?\?>") << 4 << QByteArray("<?pi a?>");
        QTest::newRow("a declaration") << QByteArray("<!DOCTYPE x><t/>") << 4 << QByteArray("<!DOCT><t/>");
    }
    void markupRunsAreCutAtTheCap()
    {
        QFETCH(QByteArray, xml);
        QFETCH(int, cap);
        QFETCH(QByteArray, kept);
        for (const std::size_t piece : {std::size_t(1), std::size_t(2), std::size_t(7), std::size_t(xml.size())})
            QCOMPARE(QByteArray::fromStdString(spreadsheetCappedMarkup(xml.toStdString(), std::size_t(cap), piece)),
                     kept);
    }

    // A cell of 300 MB, packed within the limits, costs the decoding child what it keeps of it.
    void hugeCellCostsTheDecoderLittle_data()
    {
        QTest::addColumn<XlsxParts>("parts");
        XlsxParts p;
        p.run = 1 + 258LL * 1200000;
        p.strings = "<si><t>@</t></si>";
        p.body = "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>7</v></c></row></sheetData>";
        QTest::newRow("shared string") << p;
        p.strings = "<si><t>x</t></si>";
        p.body = "<sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>@</t></is></c><c r=\"B1\"><v>7</v>"
                 "</c></row></sheetData>";
        QTest::newRow("inline string") << p;
    }
    void hugeCellCostsTheDecoderLittle()
    {
        QFETCH(XlsxParts, parts);
        const QString path = m_dir.filePath(QStringLiteral("huge.xlsx"));
        QFile::remove(path);
        writeAll(path, xlsxOf(parts));
        // The peak of the largest child so far, after one that read a small workbook.
        const auto childrenPeakKb = [] {
#ifdef Q_OS_LINUX
            rusage usage{};
            return getrusage(RUSAGE_CHILDREN, &usage) == 0 ? qint64(usage.ru_maxrss) : -1;
#else
            return qint64(0); // not kept for finished children
#endif
        };
        SpreadsheetReader reader;
        reader.open(fixturePath("sheets/names_ab.xlsx"));
        const qint64 before = childrenPeakKb();
        reader.open(path);
        QCOMPARE(readAll(reader), (Rows{{QString(400, QLatin1Char('a')), QStringLiteral("7")}}));
        QVERIFY2(childrenPeakKb() - before < 32 * 1024, qPrintable(QString::number(childrenPeakKb() - before)));
    }

    void csvBeyondTheRowLimitIsRefused()
    {
        QByteArray bytes;
        for (int i = 1; i <= 12; ++i)
            bytes += "Kişi " + QByteArray::number(i) + "\n";
        const QString path = m_dir.filePath(QStringLiteral("long.csv"));
        QFile::remove(path);
        writeAll(path, bytes);
        SpreadsheetReader reader;
        SpreadsheetLimits limits;
        limits.maxRows = 12;
        reader.setLimits(limits);
        reader.open(path);
        QCOMPARE(reader.usedRowCount(), 12);
        limits.maxRows = 11;
        reader.setLimits(limits);
        expectRefused(reader, path);
    }

    // A cheap stand-in for the fuzz target: damaged copies of every fixture are refused or
    // read, never anything else (a crash, a foreign exception, a hang).
    void damagedCopiesNeverCrash()
    {
        const QStringList files = QDir(fixturePath("sheets"))
                                      .entryList({QStringLiteral("*.xls"), QStringLiteral("*.xlsx"),
                                                  QStringLiteral("*.ods"), QStringLiteral("*.csv")});
        QVERIFY(files.size() >= 20);
        QRandomGenerator random(20240315);
        const QString path = m_dir.filePath(QStringLiteral("mutant"));
        int refused = 0;
        int read = 0;
        // Every copy is decoded by a fresh child process; a few copies per fixture keep the test
        // within seconds even in the sanitizer build (the fuzz target goes deep).
        constexpr int rounds = 10;
        for (const QString& name : files)
        {
            QFile source(fixturePath(QStringLiteral("sheets/") + name));
            QVERIFY(source.open(QIODevice::ReadOnly));
            const QByteArray original = source.readAll();
            for (int round = 0; round < rounds; ++round)
            {
                QByteArray bytes = original;
                const int flips = 1 + random.bounded(8);
                for (int i = 0; i < flips && !bytes.isEmpty(); ++i)
                    bytes[random.bounded(int(bytes.size()))] = char(random.bounded(256));
                if (round % 10 == 9)
                    bytes.truncate(random.bounded(int(bytes.size()) + 1));
                QFile::remove(path);
                writeAll(path, bytes);
                SpreadsheetReader reader;
                try
                {
                    reader.open(path);
                    ++read;
                    for (int row = 1; row <= reader.usedRowCount() + 2; ++row)
                        (void)reader.cellText(row, 1), (void)reader.cellText(row, 2);
                }
                catch (const ESpreadsheetError&)
                {
                    ++refused;
                }
            }
        }
        QCOMPARE(read + refused, int(files.size()) * rounds);
        QVERIFY(refused > 0);
    }

    // The decoding libraries read past their buffers on some damaged files and may abort;
    // decoding runs in a child process so that such a file is refused instead.
    void decoderFailuresAreContained_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("file");
        for (const char* file : {"names_ab.xls", "names_ab.xlsx", "names_ab.csv"})
        {
            QTest::addRow("abort, %s", file) << "abort" << QString::fromLatin1(file);
            QTest::addRow("segfault, %s", file) << "segv" << QString::fromLatin1(file);
            QTest::addRow("hang, %s", file) << "hang" << QString::fromLatin1(file);
        }
    }
    void decoderFailuresAreContained()
    {
        QFETCH(QString, failure);
        QFETCH(QString, file);
        qputenv(failureVariable, failure.toLatin1());
        SpreadsheetReader reader;
        SpreadsheetLimits limits;
        limits.parseTimeoutMs = 300;
        reader.setLimits(limits);
        int waits = 0;
        reader.setWhileWaiting([&] { ++waits; });
        expectRefused(reader, fixturePath(QStringLiteral("sheets/") + file));
        qunsetenv(failureVariable);
        // A hanging decoder keeps the caller informed until it is stopped.
        if (failure == QLatin1String("hang"))
            QVERIFY(waits >= 1);
        // The next workbook reads normally (with the usual time allowed: a sanitizer build under
        // load can take longer than the short limit the failures were given to start a child).
        reader.setLimits(SpreadsheetLimits());
        reader.open(fixturePath(QStringLiteral("sheets/") + file));
        QCOMPARE(readAll(reader), namesAB);
    }

    // Without a child process to start, nothing is decoded: not in this process either, where a
    // damaged file could take the program down.
    void decoderThatCannotStartDecodesNothing_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("missing program") << "/nonexistent/cekilis-decoder";
        QTest::newRow("not an executable") << fixturePath("sheets/names_ab.csv");
        QTest::newRow("none named") << QString();
    }
    void decoderThatCannotStartDecodesNothing()
    {
        QFETCH(QString, program);
        const QString self = spreadsheetDecoderProgram();
        QCOMPARE(self, QCoreApplication::applicationFilePath());
        SpreadsheetReader reader;
        reader.open(fixturePath("sheets/names_ab.ods"));
        setSpreadsheetDecoderProgram(program);
        bool missing = false;
        try
        {
            reader.open(fixturePath("sheets/names_ab.xlsx"));
        }
        catch (const ESpreadsheetDecoderMissing&)
        {
            missing = true;
        }
        setSpreadsheetDecoderProgram(self);
        QVERIFY(missing);
        QVERIFY(!reader.isOpen());
        QCOMPARE(reader.usedRowCount(), 0);
    }

    // The child answers a megabyte at a time: a sheet whose answer spans several pieces arrives whole.
    void answerOfSeveralPiecesArrivesWhole()
    {
        XlsxParts parts;
        parts.body = "<sheetData>";
        constexpr int rows = 40000;
        for (int r = 1; r <= rows; ++r)
            parts.body += "<row><c t=\"inlineStr\"><is><t>Katılımcı " + QByteArray::number(r) + "</t></is></c><c><v>" +
                          QByteArray::number(r) + "</v></c></row>";
        parts.body += "</sheetData>";
        const QString path = m_dir.filePath(QStringLiteral("large.xlsx"));
        writeAll(path, xlsxOf(parts));
        SpreadsheetReader reader;
        reader.open(path);
        QCOMPARE(reader.usedRowCount(), rows);
        for (const int r : {1, rows / 2, rows})
        {
            QCOMPARE(reader.cellText(r, 1), QStringLiteral("Katılımcı %1").arg(r));
            QCOMPARE(reader.cellText(r, 2), QString::number(r));
        }
    }

    // The child reads the workbook from its file again: what it finds there must be what the
    // parent checked, or nothing is read.
    void workbookChangedForTheChildIsRefused_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("grown") << "grown";
        QTest::newRow("same size, no workbook any more") << "zeroed";
        QTest::newRow("removed") << "removed";
    }
    void workbookChangedForTheChildIsRefused()
    {
        QFETCH(QString, change);
        QFile fixture(fixturePath("sheets/names_ab.xlsx"));
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        SpreadsheetDecodeRequest request;
        request.format = SpreadsheetFormat::Xlsx;
        request.fileName = m_dir.filePath(QStringLiteral("changed.xlsx"));
        request.content = fixture.readAll();
        QFile::remove(request.fileName);
        if (change == QLatin1String("grown"))
            writeAll(request.fileName, request.content + "PK");
        else if (change == QLatin1String("zeroed"))
            writeAll(request.fileName, QByteArray(request.content.size(), '\0'));
        QVERIFY_THROWS_EXCEPTION(ESpreadsheetError, spreadsheetDecodeIsolated(request, SpreadsheetLimits()));
    }

    // Only the parent's own start, with its token, makes an executable a decoder.
    void commandLineDoesNotMakeADecoder_data()
    {
        QTest::addColumn<QByteArrayList>("arguments");
        QTest::addColumn<QByteArray>("token");
        const QByteArray mode = "--cekilis-spreadsheet-decoder";
        const QByteArray token(32, 'a');
        QTest::newRow("no argument") << QByteArrayList{"cekilis"} << token;
        QTest::newRow("argument without token") << QByteArrayList{"cekilis", mode} << QByteArray();
        QTest::newRow("short token") << QByteArrayList{"cekilis", mode} << QByteArray(31, 'a');
        QTest::newRow("token not hexadecimal") << QByteArrayList{"cekilis", mode} << QByteArray(32, 'x');
        QTest::newRow("another argument too") << QByteArrayList{"cekilis", mode, "x.xls"} << token;
    }
    void commandLineDoesNotMakeADecoder()
    {
        QFETCH(QByteArrayList, arguments);
        QFETCH(QByteArray, token);
        std::vector<char*> argv;
        for (QByteArray& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        qputenv("CEKILIS_DECODER_TOKEN", token);
        const std::optional<int> decoded = runSpreadsheetDecoderIfAsked(int(arguments.size()), argv.data());
        qunsetenv("CEKILIS_DECODER_TOKEN");
        QVERIFY(!decoded);
    }

    // Shared strings read beside the sheet join its own texts afterwards, within the same limit.
    void sharedStringsJoinTheSheetsTexts_data()
    {
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<bool>("kept");
        QTest::newRow("within the limit") << qint64(100) << true;
        QTest::newRow("each within, both beyond") << qint64(12) << false;
    }
    void sharedStringsJoinTheSheetsTexts()
    {
        QFETCH(qint64, limit);
        QFETCH(bool, kept);
        SpreadsheetSheet sheet(limit, 10);
        sheet.setText(0, 1, "Ankara");
        SpreadsheetSheet strings = sheet.emptyCopy();
        strings.addSharedString("Ali");
        strings.addSharedString("Veli");
        sheet.setSharedString(0, 0, 1);
        sheet.setSharedString(1, 0, 0);
        sheet.adoptSharedStrings(std::move(strings));
        QCOMPARE(sheet.overLimit(), !kept);
        if (kept)
            QCOMPARE((QStringList{sheet.cellText(0, 0), sheet.cellText(0, 1), sheet.cellText(1, 0)}),
                     (QStringList{QStringLiteral("Veli"), QStringLiteral("Ankara"), QStringLiteral("Ali")}));
    }

    void numberText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("whole") << 1234567.0 << "1234567";
        QTest::newRow("negative whole") << -42.0 << "-42";
        QTest::newRow("decimal comma") << 3.5 << "3,5";
        QTest::newRow("fifteen digits") << 0.1 + 0.2 << "0,3";
        QTest::newRow("large whole") << 123456789012345.0 << "123456789012345";
        QTest::newRow("beyond whole range") << 1e20 << "1E+20";
        QTest::newRow("small") << 0.000125 << "0,000125";
    }
    void numberText()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(spreadsheetNumberText(value), text);
    }

    void dateTimeText_data()
    {
        QTest::addColumn<double>("serial");
        QTest::addColumn<QString>("text");
        QTest::newRow("date") << 45366.0 << "15.03.2024";
        QTest::newRow("date and time") << 45366.4375 << "15.03.2024 10:30:00";
        QTest::newRow("time only") << 0.75 << "18:00:00";
        QTest::newRow("almost midnight rounds to next day") << 45366.999999999 << "16.03.2024";
        QTest::newRow("origin") << 0.0 << "30.12.1899";
        QTest::newRow("before the origin") << -1.0 << "29.12.1899";
        QTest::newRow("beyond year 9999 stays a number") << 1e9 << "1000000000";
    }
    void dateTimeText()
    {
        QFETCH(double, serial);
        QFETCH(QString, text);
        QCOMPARE(spreadsheetDateTimeText(serial), text);
    }

    void formatCodesThatShowDates_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("isDate");
        QTest::newRow("general") << "General" << false;
        QTest::newRow("standard") << "Standard" << false;
        QTest::newRow("decimals") << "0.00" << false;
        QTest::newRow("thousands") << "#,##0" << false;
        QTest::newRow("scientific") << "0.00E+00" << false;
        QTest::newRow("quoted letters") << "0\" days\"" << false;
        QTest::newRow("colour and currency") << "[RED][$-41F]#,##0" << false;
        QTest::newRow("turkish date") << "dd.mm.yyyy" << true;
        QTest::newRow("date with locale") << "[$-41F]d mmmm yyyy" << true;
        QTest::newRow("time") << "h:mm" << true;
        QTest::newRow("elapsed hours") << "[h]:mm" << true;
        QTest::newRow("escaped letter") << "0\\d" << false;
    }
    void formatCodesThatShowDates()
    {
        QFETCH(QString, code);
        QFETCH(bool, isDate);
        QCOMPARE(spreadsheetFormatIsDate(code.toStdString()), isDate);
    }
};

CEKILIS_DECODING_TEST_MAIN(TestSpreadsheetReader, QCoreApplication, failOnRequest)
#include "test_SpreadsheetReader.moc"
