// Import throughput: reads a generated .xlsx of N rows (names in A, places in B) with the
// spreadsheet reader and stores every row into a participant table with both participant rules
// active, as the import window does, then the same through the import window with a grid on the
// table, its progress shown. Prints the time of each phase, how often the window painted its
// progress, and the peak memory. The workbook's parts are stored uncompressed, or deflated as
// Excel writes them with --deflated; the decoding process's peak is its own either way, while this
// process's peak then includes the packing of the parts.
//   bench_import [--deflated] [rows...]     (default: 100000 1000000)
#include "DBGrid.h"
#include "DrawTables.h"
#include "Guard.h"
#include "K_ExcelAktarU.h"
#include "K_OnizlemeU.h"
#include "Messages.h"
#include "ProcessUsage.h"
#include "RxMemoryData.h"
#include "SpreadsheetIsolation.h"
#include "SpreadsheetReader.h"
#include "ZvEdit.h"
#include "ZvWinButton.h"
#include "ui_K_ExcelAktarU.h"
#include "ui_K_OnizlemeU.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

namespace {
quint32 crcTable(int i)
{
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n)
        {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table[static_cast<std::size_t>(i)];
}

void put16(QByteArray& out, quint32 v)
{
    out.append(static_cast<char>(v & 0xFF)).append(static_cast<char>((v >> 8) & 0xFF));
}
void put32(QByteArray& out, quint32 v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A minimal workbook package. Stored (uncompressed) parts are streamed to the file, so that
// writing a million rows does not weigh on the memory figures of the reader; deflated parts, as
// Excel writes them, are gathered and packed at their end.
class XlsxWriter
{
public:
    XlsxWriter(QFile& file, bool deflate) : m_file(file), m_deflate(deflate) {}
    void begin(const QByteArray& name)
    {
        m_name = name;
        m_offset = static_cast<quint32>(m_file.pos());
        m_crc = 0xFFFFFFFFu;
        m_size = 0;
        m_packedSize = 0;
        m_file.write(localHeader());
    }
    void write(const QByteArray& data)
    {
        for (const char ch : data)
            m_crc = crcTable(static_cast<int>((m_crc ^ static_cast<quint8>(ch)) & 0xFF)) ^ (m_crc >> 8);
        m_size += static_cast<quint32>(data.size());
        if (m_deflate)
            m_pending += data;
        else
            m_file.write(data);
    }
    void end()
    {
        m_crc ^= 0xFFFFFFFFu;
        m_packedSize = m_size;
        if (m_deflate)
        {
            // qCompress gives a length and a zlib stream: two bytes of header, the deflated data
            // and four bytes of checksum.
            const QByteArray packed = qCompress(m_pending, 1).mid(6).chopped(4);
            m_pending = QByteArray();
            m_packedSize = static_cast<quint32>(packed.size());
            m_file.write(packed);
        }
        const qint64 here = m_file.pos();
        m_file.seek(m_offset);
        m_file.write(localHeader());
        m_file.seek(here);
        put32(m_directory, 0x02014b50);
        put16(m_directory, 20), put16(m_directory, 20), put16(m_directory, 0), put16(m_directory, method());
        put16(m_directory, 0), put16(m_directory, 0);
        put32(m_directory, m_crc), put32(m_directory, m_packedSize), put32(m_directory, m_size);
        put16(m_directory, static_cast<quint32>(m_name.size())), put16(m_directory, 0), put16(m_directory, 0);
        put16(m_directory, 0), put16(m_directory, 0), put32(m_directory, 0), put32(m_directory, m_offset);
        m_directory += m_name;
        ++m_count;
    }
    void add(const QByteArray& name, const QByteArray& data)
    {
        begin(name);
        write(data);
        end();
    }
    void finish()
    {
        const auto directoryOffset = static_cast<quint32>(m_file.pos());
        QByteArray tail = m_directory;
        put32(tail, 0x06054b50);
        put16(tail, 0), put16(tail, 0), put16(tail, m_count), put16(tail, m_count);
        put32(tail, static_cast<quint32>(m_directory.size())), put32(tail, directoryOffset), put16(tail, 0);
        m_file.write(tail);
    }

private:
    quint32 method() const { return m_deflate ? 8 : 0; }
    QByteArray localHeader() const
    {
        QByteArray out;
        put32(out, 0x04034b50);
        put16(out, 20), put16(out, 0), put16(out, method()), put16(out, 0), put16(out, 0);
        put32(out, m_crc), put32(out, m_packedSize), put32(out, m_size);
        put16(out, static_cast<quint32>(m_name.size())), put16(out, 0);
        return out + m_name;
    }

    QFile& m_file;
    bool m_deflate;
    QByteArray m_pending;
    QByteArray m_directory;
    QByteArray m_name;
    quint32 m_offset = 0;
    quint32 m_crc = 0;
    quint32 m_size = 0;
    quint32 m_packedSize = 0;
    quint32 m_count = 0;
};

// With `headed`, row 1 holds the headings "Ad Soyad" and "İl" (so the import opens its preview)
// and the people follow from row 2.
void writeWorkbook(QFile& file, int rows, bool deflate, bool headed = false)
{
    const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    XlsxWriter zip(file, deflate);
    zip.add("[Content_Types].xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
            "<Override PartName=\"/xl/workbook.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
            "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
            "<Override PartName=\"/xl/sharedStrings.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
            "</Types>");
    zip.add("_rels/.rels", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
                           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                           "<Relationship Id=\"rId1\" Type=\"" +
                               rel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    zip.add("xl/workbook.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook " + ns + " xmlns:r=\"" + rel +
                "\"><sheets><sheet name=\"Sayfa1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    zip.add("xl/_rels/workbook.xml.rels",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"rId1\" Type=\"" +
                rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" + rel +
                "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>");
    zip.begin("xl/sharedStrings.xml");
    zip.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst " + ns + " count=\"" + QByteArray::number(2 * rows) +
              "\">");
    for (int i = 0; i < rows; ++i)
        zip.write("<si><t>Kişi " + QByteArray::number(i + 1) + " Yılmazoğlu</t></si><si><t>İl " +
                  QByteArray::number(i % 81) + "</t></si>");
    zip.write("</sst>");
    zip.end();
    zip.begin("xl/worksheets/sheet1.xml");
    zip.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet " + ns + "><dimension ref=\"A1:B" +
              QByteArray::number(rows + (headed ? 1 : 0)) + "\"/><sheetData>");
    if (headed)
        zip.write("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Ad Soyad</t></is></c>"
                  "<c r=\"B1\" t=\"inlineStr\"><is><t>\xC4\xB0l</t></is></c></row>");
    for (int i = 0; i < rows; ++i)
    {
        const QByteArray r = QByteArray::number(i + 1 + (headed ? 1 : 0));
        zip.write("<row r=\"" + r + "\"><c r=\"A" + r + "\" t=\"s\"><v>" + QByteArray::number(2 * i) +
                  "</v></c><c r=\"B" + r + "\" t=\"s\"><v>" + QByteArray::number(2 * i + 1) + "</v></c></row>");
    }
    zip.write("</sheetData></worksheet>");
    zip.end();
    zip.finish();
}

// Processor time (user and system) of this process and its finished children, in ms: on a
// shared machine the figure that shows the cost of the code when the wall clock shows the load.
double cpuAllMs()
{
    return processCpuMs() + childrenCpuMs();
}

// The participant table with its rules installed, as the main window has it while the
// definitions window is open.
struct Participants
{
    TDrawTables tables;
    TRxMemoryData& table = *tables.Kisi_T;

    Participants()
    {
        tables.setDefinitionsOpen(true);
        table.open();
    }
};

// Counts the paints of a widget.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// The same import through the import window, with a grid showing the participants as the
// definitions window does; the views must not turn the import quadratic.
int runWindow(int rows, const QString& path, bool headed)
{
    Participants participants;
    TRxMemoryData& table = participants.table;
    TDBGrid grid;
    grid.setDataSource(participants.tables.Kisi_S);
    for (const TColumnLayout& c : TDrawTables::KisiColumns)
        grid.addColumn(c.FieldName.toString(), c.Title.toString(), c.Width, c.EllipsisButton);
    grid.resize(390, 400);
    grid.show();
    int notices = 0;
    MessageSeam seam;
    seam.information = [&](const QString&, const QString&) { ++notices; };
    seam.question = [](const QString&, const QString&) { return static_cast<int>(mrYes); };
    const MessageSeam previous = setMessageSeam(seam);

    TK_ExcelAktarF window(participants.tables);
    window.show();
    window.form()->FilenameEdit1->setText(path);
    window.form()->CheckEKBILGI->setChecked(true);
    PaintCounter progress;
    window.form()->LabelDURUM->installEventFilter(&progress);
    QCoreApplication::processEvents();
    progress.paints = 0;
    QElapsedTimer timer;
    // The preview, when the workbook has headings, is answered with its defaults as soon as it shows.
    qint64 previewMs = -1;
    QTimer previewWatch;
    QObject::connect(&previewWatch, &QTimer::timeout, [&] {
        if (auto* preview = qobject_cast<TK_OnizlemeF*>(QApplication::activeModalWidget()); preview && previewMs < 0)
        {
            previewMs = timer.elapsed();
            preview->form()->ButtonAKTAR->click();
        }
    });
    previewWatch.start(1);
    timer.start();
    guarded([&] { window.ZvWinButton1Click(); });
    QCoreApplication::processEvents();
    const qint64 ms = timer.elapsed();
    setMessageSeam(previous);
    std::printf("rows %d%s: import window with a grid %lld ms (preview shown after %lld ms), progress painted %d "
                "times, %d records, %d notice(s), peak memory %ld MB\n",
                rows, headed ? " with headings" : "", static_cast<long long>(ms), static_cast<long long>(previewMs),
                progress.paints, table.recordCount(), notices, peakMegabytes());
    return table.recordCount() == rows && notices == 1 && (previewMs >= 0) == headed ? 0 : 1;
}

int run(int rows, const QString& folder, bool deflate)
{
    const QString path = folder + QStringLiteral("/bench_%1.xlsx").arg(rows);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
        {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        writeWorkbook(file, rows, deflate);
        std::printf("rows %d: workbook %.1f MB (%s), peak memory after generating %ld MB\n", rows,
                    static_cast<double>(file.size()) / 1e6, deflate ? "deflated" : "stored", peakMegabytes());
    }

    Participants participants;
    TRxMemoryData& table = participants.table;

    QElapsedTimer timer;
    timer.start();
    const double cpuStart = cpuAllMs();
    SpreadsheetReader reader;
    reader.open(path);
    const qint64 readMs = timer.elapsed();
    const double readCpu = cpuAllMs() - cpuStart;
    const long afterRead = peakMegabytes();
    // The workbook is decoded in a child process; its peak is reported on its own.
    const long decoder = peakMegabytes(true);
    const int n = reader.usedRowCount();
    timer.restart();
    table.reserve(n);
    for (int i = 1; i <= n; ++i)
    {
        table.append();
        table.setFieldString(0, reader.cellText(i, 1));
        table.setFieldString(1, reader.cellText(i, 2));
        table.post();
    }
    const qint64 storeMs = timer.elapsed();
    const double storeCpu = cpuAllMs() - cpuStart - readCpu;
    reader.close();
    std::printf("rows %d: read %lld ms (peak %ld MB, decoding process %ld MB), store with rules %lld ms, total %lld "
                "ms, %d records, %.0f rows/s, peak memory %ld MB\n",
                rows, static_cast<long long>(readMs), afterRead, decoder, static_cast<long long>(storeMs),
                static_cast<long long>(readMs + storeMs), table.recordCount(),
                n * 1000.0 / static_cast<double>(std::max<qint64>(1, readMs + storeMs)), peakMegabytes());
    std::printf("rows %d: processor time: read %.0f ms (both processes), store %.0f ms, total %.0f ms "
                "(target 3000)\n",
                rows, readCpu, storeCpu, readCpu + storeCpu);
    int result = table.recordCount() == rows ? 0 : 1;
    result |= runWindow(rows, path, false);
    QFile::remove(path);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        writeWorkbook(file, rows, deflate, true);
    }
    result |= runWindow(rows, path, true);
    QFile::remove(path);
    return result;
}
} // namespace

int main(int argc, char** argv)
{
    if (const std::optional<int> decoded = runSpreadsheetDecoderIfAsked(argc, argv))
        return *decoded;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> counts;
    bool deflate = false;
    for (int i = 1; i < argc; ++i)
    {
        if (QByteArray(argv[i]) == "--deflated")
            deflate = true;
        else
            counts << QByteArray(argv[i]).toInt();
    }
    if (counts.isEmpty())
        counts = {100000, 1000000};
    QTemporaryDir folder;
    int result = 0;
    for (const int rows : counts)
        result |= run(rows, folder.path(), deflate);
    return result;
}
