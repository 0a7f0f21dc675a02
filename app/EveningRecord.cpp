#include "EveningRecord.h"

#include "DataErrors.h"
#include "DrawTables.h"
#include "FileDialogs.h"
#include "Messages.h"
#include "RxMemoryData.h"
#include "SaveFile.h"
#include "TableFiles.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <memory>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#ifdef CEKILIS_WITH_PRINT_PREVIEW
#include <QAction>
#include <QCheckBox>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>
#endif

using Style = TRecordLayout::Style;

namespace {
constexpr qreal marginMm = 15;
constexpr qreal cellPadPt = 2.5;

// A time of the record's day as its time alone; one of another day (an evening resumed the next
// morning) with its date.
QString timeText(const QDateTime& time, const QDate& day)
{
    if (!time.isValid())
        return QStringLiteral("–");
    return time.toString(time.date() == day ? QStringLiteral("HH:mm:ss") : QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

// One row of the record: cells side by side, each a share of the page's width.
struct Cell
{
    qreal x = 0;
    qreal width = 1;
    QString text;
    Style style = Style::Body;
    int align = Qt::AlignLeft;
};
struct Row
{
    QList<Cell> cells;
    qreal spaceBefore = 0; // points; dropped at the top of a page
    int table = -1;        // the table whose header is repeated when the row starts a page
    bool header = false;
    bool frame = false;
    bool keepWithNext = false;
    bool newPage = false;
};

// What the record says, row by row, before it meets a page.
class Content
{
public:
    void paragraph(const QString& text, Style style = Style::Body, int align = Qt::AlignLeft, qreal before = 3)
    {
        Row row;
        row.cells.append({0, 1, text, style, align});
        row.spaceBefore = before;
        m_rows.append(row);
    }
    void heading(const QString& text)
    {
        paragraph(text, Style::Heading, Qt::AlignLeft, 12);
        m_rows.last().keepWithNext = true;
    }
    // A table: columns as (share of the width, title).
    int table(const QList<QPair<qreal, QString>>& columns)
    {
        Row row;
        qreal x = 0;
        for (const auto& [width, title] : columns)
        {
            row.cells.append({x, width, title, Style::CellHeader, Qt::AlignLeft});
            x += width;
        }
        row.table = int(m_headers.size());
        row.header = true;
        row.frame = true;
        row.keepWithNext = true;
        row.spaceBefore = 4;
        m_headers.append(row);
        m_rows.append(row);
        return row.table;
    }
    void tableRow(int table, const QStringList& texts)
    {
        Row row = m_headers.at(table);
        row.header = false;
        row.keepWithNext = false;
        row.spaceBefore = 0;
        for (qsizetype i = 0; i < row.cells.size(); ++i)
        {
            row.cells[i].text = texts.value(i);
            row.cells[i].style = Style::Cell;
        }
        m_rows.append(row);
    }
    // Cells of one line side by side, without frames.
    void columns(const QStringList& texts, Style style, qreal before, bool keepWithNext)
    {
        Row row;
        const qreal width = 1.0 / qreal(texts.size());
        for (qsizetype i = 0; i < texts.size(); ++i)
            row.cells.append({width * qreal(i), width, texts.at(i), style, Qt::AlignLeft});
        row.spaceBefore = before;
        row.keepWithNext = keepWithNext;
        m_rows.append(row);
    }
    void keepLastWithNext() { m_rows.last().keepWithNext = true; }
    void newPage() { m_pageBreak = true; }
    void markPageBreak()
    {
        if (m_pageBreak && !m_rows.isEmpty())
            m_rows.last().newPage = true;
        m_pageBreak = false;
    }

    const QList<Row>& rows() const { return m_rows; }
    const QList<Row>& headers() const { return m_headers; }

private:
    QList<Row> m_rows;
    QList<Row> m_headers;
    bool m_pageBreak = false;
};

QString rangesText(const QList<QPair<qint64, qint64>>& ranges)
{
    QStringList parts;
    for (const auto& [first, last] : ranges)
        parts << (first == last ? QString::number(first) : QStringLiteral("%1–%2").arg(first).arg(last));
    return parts.join(QStringLiteral(", "));
}

QString numbersText(const QList<qint64>& numbers)
{
    QString text;
    text.reserve(numbers.size() * 8);
    for (qsizetype i = 0; i < numbers.size(); ++i)
    {
        if (i > 0)
            text += QStringLiteral(", ");
        text += QString::number(numbers.at(i));
    }
    return text;
}

QString noteText(const TEvening::Note& note, const QDate& day)
{
    switch (note.kind)
    {
    case TEvening::NoteKind::Resumed:
        return QStringLiteral("%1 — Program yeniden açıldı ve çekilişe kaldığı yerden devam edildi (o ana kadar %2 "
                              "kazanan çekilmişti).")
            .arg(timeText(note.time, day))
            .arg(note.count);
    case TEvening::NoteKind::CutOff:
        return QStringLiteral("%1 — %2. kazananın adı gösterilirken program kapanmıştı; salondakiler adın tamamını "
                              "görmemiş olabilir.")
            .arg(timeText(note.time, day))
            .arg(note.count);
    case TEvening::NoteKind::PastComplete:
        return QStringLiteral("%1 — %2. çekiliş, tüm hediyeler verildikten sonra \"Çekiliş tamamlanmış\" uyarısı "
                              "onaylanarak yapıldı.")
            .arg(timeText(note.time, day))
            .arg(note.count);
    }
    return QString();
}

void appendParticipants(Content& content, const TEvening& evening, const QDate& day)
{
    int number = 0;
    for (const TEvening::List& list : evening.lists)
    {
        if (list.sha256.isEmpty())
            continue;
        ++number;
        content.newPage();
        content.paragraph(QStringLiteral("Ek %1: Katılımcı Listesi").arg(number), Style::Heading, Qt::AlignLeft, 0);
        content.markPageBreak();
        content.paragraph(QStringLiteral("Parmak izi %1 olan liste (%2), kayıtlı sırasıyla.")
                              .arg(QString::fromLatin1(list.sha256), timeText(list.time, day)));
        TRxMemoryData kisi;
        defineKisi(kisi).open();
        bool loaded = false;
        if (!list.copy.isEmpty())
        {
            try
            {
                RxMemoryDataLoadFromFile(kisi, list.copy);
                loaded = true;
            }
            catch (const EFileError&)
            {}
        }
        if (!loaded)
        {
            content.paragraph(QStringLiteral("Bu listenin çekiliş sırasında alınan kopyası bulunamadı."));
            continue;
        }
        const int table = content.table(
            {{0.1, QStringLiteral("Sıra")}, {0.45, QStringLiteral("Adı Soyadı")}, {0.45, QStringLiteral("Ek Bilgi")}});
        // The fields in the order the participant table defines them: name, extra information.
        for (int row = 0; row < kisi.recordCount(); ++row)
            content.tableRow(table, {QString::number(row + 1), kisi.textAt(row, 0), kisi.textAt(row, 1)});
    }
}

Content recordContent(const TEvening& evening, const TRecordOptions& options)
{
    Content content;
    content.paragraph(QStringLiteral("ÇEKİLİŞ TUTANAĞI"), Style::Title, Qt::AlignHCenter, 0);
    if (!evening.name.isEmpty())
        content.paragraph(evening.name, Style::Heading, Qt::AlignHCenter, 4);

    // The first and last draw of either kind.
    QDateTime first;
    QDateTime last;
    const auto see = [&](const QDateTime& t) {
        if (!t.isValid())
            return;
        if (!first.isValid() || t < first)
            first = t;
        if (!last.isValid() || t > last)
            last = t;
    };
    for (const auto& w : evening.winners)
        see(w.time);
    for (const auto& n : evening.numberDraws)
        see(n.time);
    const QDate date = first.isValid() ? first.date() : evening.started.date();
    content.paragraph(QStringLiteral("Tarih: %1").arg(date.toString(QStringLiteral("dd.MM.yyyy"))), Style::Body,
                      Qt::AlignLeft, 14);
    if (first.isValid())
        content.paragraph(
            QStringLiteral("İlk çekiliş: %1    Son çekiliş: %2").arg(timeText(first, date), timeText(last, date)));
    else
        content.paragraph(QStringLiteral("Çekilişlerin saatleri bu kayıtta tutulmamış."));

    content.heading(QStringLiteral("Katılımcı Listesi"));
    if (evening.lists.isEmpty())
    {
        content.paragraph(evening.hasEvents
                              ? QStringLiteral("Bu çekilişte kişi–hediye çekilişi yapılmadığından liste kaydedilmedi.")
                              : QStringLiteral("Bu çekiliş, katılımcı sayısını ve listenin parmak izini kaydetmeyen "
                                               "bir sürümle yapılmış."));
    }
    else
    {
        const TEvening::List& list = evening.lists.constFirst();
        content.paragraph(
            QStringLiteral("İlk çekilişte %1 katılımcı ve %2 hediye vardı.").arg(list.participants).arg(list.prizes));
        if (list.sha256.isEmpty())
            content.paragraph(QStringLiteral("Katılımcı dosyası (Kisi.Ini) bulunamadığından parmak izi alınamadı."));
        else
            content.paragraph(QStringLiteral("Çekilişin yapıldığı listenin (Kisi.Ini) SHA-256 parmak izi: %1")
                                  .arg(QString::fromLatin1(list.sha256)));
        content.paragraph(QStringLiteral(
            "Herkes bunu denetleyebilir: Kisi.Ini dosyasının SHA-256 özeti (Windows'ta \"certutil -hashfile Kisi.Ini "
            "SHA256\", Linux'ta \"sha256sum Kisi.Ini\" komutuyla) yukarıdaki değerle aynıysa çekiliş o listeden "
            "yapılmıştır; tek bir harfin değişmesi bile özeti bütünüyle değiştirir."));
        for (qsizetype i = 1; i < evening.lists.size(); ++i)
        {
            const TEvening::List& changed = evening.lists.at(i);
            content.paragraph(QStringLiteral("Liste %1 saatinde değişti: %2 katılımcı, %3 hediye; yeni parmak izi: %4")
                                  .arg(timeText(changed.time, date))
                                  .arg(changed.participants)
                                  .arg(changed.prizes)
                                  .arg(changed.sha256.isEmpty() ? QStringLiteral("(Kisi.Ini bulunamadı)")
                                                                : QString::fromLatin1(changed.sha256)));
        }
    }

    content.heading(QStringLiteral("Kazananlar (çekiliş sırasıyla)"));
    if (evening.winners.isEmpty())
        content.paragraph(QStringLiteral("Bu çekilişte kişi–hediye çekilişi yapılmadı."));
    else
    {
        const int table = content.table({{0.07, QStringLiteral("Sıra")},
                                         {0.30, QStringLiteral("Adı Soyadı")},
                                         {0.24, QStringLiteral("Ek Bilgi")},
                                         {0.28, QStringLiteral("Hediye")},
                                         {0.11, QStringLiteral("Saat")}});
        for (qsizetype i = 0; i < evening.winners.size(); ++i)
        {
            const TEvening::Winner& w = evening.winners.at(i);
            content.tableRow(table, {QString::number(i + 1), w.name, w.extra, w.prize, timeText(w.time, date)});
        }
    }

    content.heading(QStringLiteral("Sayı Çekilişleri"));
    if (evening.numberDraws.isEmpty())
        content.paragraph(evening.hasEvents ? QStringLiteral("Bu çekilişte sayı çekilişi yapılmadı.")
                                            : QStringLiteral("Bu kayıtta sayı çekilişi bilgisi tutulmamış."));
    for (qsizetype i = 0; i < evening.numberDraws.size(); ++i)
    {
        const TEvening::Numbers& n = evening.numberDraws.at(i);
        content.paragraph(QStringLiteral("%1. sayı çekilişi (%2): %3–%4 aralığından %5 sayı istendi, %6 sayı çekildi.")
                              .arg(i + 1)
                              .arg(timeText(n.time, date))
                              .arg(n.from)
                              .arg(n.to)
                              .arg(n.requested)
                              .arg(n.numbers.size()),
                          Style::Body, Qt::AlignLeft, 6);
        content.paragraph(n.excluded.isEmpty()
                              ? QStringLiteral("Çekilişe alınmayan aralık yoktu.")
                              : QStringLiteral("Çekilişe alınmayan aralıklar: %1").arg(rangesText(n.excluded)));
        content.paragraph(QStringLiteral("Çekilen sayılar (çekiliş sırasıyla): %1").arg(numbersText(n.numbers)));
    }

    content.heading(QStringLiteral("Çekiliş Sırasında Olanlar"));
    if (evening.notes.isEmpty())
        content.paragraph(evening.hasEvents ? QStringLiteral("Çekiliş kesintisiz ve hediyeler bitmeden yapıldı.")
                                            : QStringLiteral("Bu kayıtta çekiliş sırasında olanlar tutulmamış."));
    for (const TEvening::Note& note : evening.notes)
        content.paragraph(noteText(note, date));

    content.heading(QStringLiteral("Çekiliş Yöntemi"));
    content.paragraph(QStringLiteral(
        "Her kazanan, o ana kadar kazanmamış katılımcılar arasından eşit olasılıkla rastgele seçilmiştir. Sayı "
        "çekilişlerinde aralıktaki, çekilişe alınmayan aralıklarda olmayan ve daha önce çekilmemiş her sayının "
        "çekilme olasılığı eşittir."));

    // Signatures stay together on one page.
    content.paragraph(QStringLiteral("Çekiliş Kurulu"), Style::Heading, Qt::AlignLeft, 20);
    content.keepLastWithNext();
    content.columns({QStringLiteral("Başkan"), QStringLiteral("Üye"), QStringLiteral("Üye")}, Style::CellHeader, 6,
                    true);
    const QString name = QStringLiteral("Adı Soyadı: ....................");
    const QString sign = QStringLiteral("İmza: ...........................");
    content.columns({name, name, name}, Style::Body, 18, true);
    content.columns({sign, sign, sign}, Style::Body, 24, true);
    content.paragraph(QStringLiteral("Noter"), Style::Heading, Qt::AlignLeft, 24);
    content.keepLastWithNext();
    content.columns({name}, Style::Body, 18, true);
    content.columns({sign}, Style::Body, 24, false);

    if (options.withParticipants)
        appendParticipants(content, evening, date);
    return content;
}

// Words wider than the cell are broken where they must be, not cut off at the cell's edge.
QString wrappable(const QString& text, const QFontMetricsF& metrics, qreal width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const QStringList words = text.split(QLatin1Char(' '));
    QStringList out;
    for (const QString& word : words)
    {
        if (metrics.horizontalAdvance(word) <= width)
        {
            out << word;
            continue;
        }
        QString broken;
        for (const QChar ch : word)
        {
            if (!broken.isEmpty())
                broken += QChar(0x200B);
            broken += ch;
        }
        out << broken;
    }
    return out.join(QLatin1Char(' '));
}

struct Measured
{
    qreal height = 0;
    quint64 wraps = 0; // bit i: cell i takes more than one line
};

class Paginator
{
public:
    Paginator(QPagedPaintDevice& device, const Content& content) : m_content(content)
    {
        m_point = device.logicalDpiY() / 72.0;
        m_width = device.width();
        m_footer = QFontMetricsF(recordFont(Style::Footer), &device).height() + 6 * m_point;
        m_height = device.height() - m_footer;
        for (const Style s : {Style::Title, Style::Heading, Style::Body, Style::Cell, Style::CellHeader, Style::Footer})
            m_metrics.append(QFontMetricsF(recordFont(s), &device));
    }

    TRecordLayout run()
    {
        const QList<Row>& rows = m_content.rows();
        m_measured.resize(rows.size());
        m_layout.pages.append(TRecordLayout::Page());
        for (qsizetype i = 0; i < rows.size(); ++i)
        {
            const Row& row = rows.at(i);
            m_next = i + 1;
            if (row.newPage && m_y > 0)
                startPage();
            // A paragraph longer than a good part of a page (the numbers of a large draw) goes
            // on line by line, across pages.
            if (row.cells.size() == 1 && !row.frame && measured(i).height > m_height / 4)
            {
                const QStringList lines = wrapLines(row.cells.first());
                for (qsizetype l = 0; l < lines.size(); ++l)
                {
                    Row line = row;
                    line.cells.first().text = lines.at(l);
                    line.spaceBefore = l == 0 ? row.spaceBefore : 0;
                    placeFitting(line, measure(line), false);
                }
                continue;
            }
            placeFitting(row, measured(i), true);
        }
        const qsizetype count = m_layout.pages.size();
        for (qsizetype p = 0; p < count; ++p)
        {
            TRecordLayout::Item footer;
            footer.rect = QRectF(0, m_height, m_width, m_footer);
            footer.text = QStringLiteral("Sayfa %1 / %2").arg(p + 1).arg(count);
            footer.style = Style::Footer;
            footer.flags = Qt::AlignHCenter | Qt::AlignBottom;
            m_layout.pages[p].append(footer);
        }
        return std::move(m_layout);
    }

private:
    // Places a row, on a new page when it does not fit; a row kept with the next ones moves
    // with them when they would not fit below it.
    void placeFitting(const Row& row, const Measured& size, bool withFollowers)
    {
        qreal before = m_y > 0 ? row.spaceBefore * m_point : 0;
        qreal together = before + size.height;
        const QList<Row>& rows = m_content.rows();
        for (qsizetype j = m_next;
             withFollowers && j < rows.size() && rows.at(j - 1).keepWithNext && together < m_height / 2; ++j)
            together += rows.at(j).spaceBefore * m_point + measured(j).height;
        if (m_y > 0 && m_y + together > m_height)
        {
            startPage();
            before = 0;
            if (row.table >= 0 && !row.header)
            {
                const Row& header = m_content.headers().at(row.table);
                place(header, measure(header), 0);
            }
        }
        place(row, size, before);
    }

    // The cell's text broken into the lines it takes at its width, at blanks.
    QStringList wrapLines(const Cell& cell) const
    {
        const QFontMetricsF& fm = m_metrics.at(int(cell.style));
        const qreal width = cellWidth(cell, false) * 0.98; // room for kerning the sum leaves out
        const qreal blank = fm.horizontalAdvance(QLatin1Char(' '));
        QStringList lines;
        QString line;
        qreal used = 0;
        const QStringList words = cell.text.split(QLatin1Char(' '));
        for (const QString& word : words)
        {
            const qreal w = fm.horizontalAdvance(word);
            if (!line.isEmpty() && used + blank + w > width)
            {
                lines << line;
                line.clear();
                used = 0;
            }
            if (!line.isEmpty())
            {
                line += QLatin1Char(' ');
                used += blank;
            }
            line += word;
            used += w;
        }
        lines << line;
        return lines;
    }

    qreal cellWidth(const Cell& cell, bool framed) const
    {
        return cell.width * m_width - (framed ? 2 * cellPadPt * m_point : 0);
    }

    // A row's height, and which of its cells take more than one line (most take one and are
    // drawn without the cost of wrapping). Each row is measured once.
    Measured measure(const Row& row) const
    {
        Measured size;
        for (qsizetype i = 0; i < row.cells.size(); ++i)
        {
            const Cell& cell = row.cells.at(i);
            const QFontMetricsF& fm = m_metrics.at(int(cell.style));
            const qreal width = cellWidth(cell, row.frame);
            qreal h = fm.height();
            if (fm.horizontalAdvance(cell.text) > width)
            {
                h = fm.boundingRect(QRectF(0, 0, width, 1e9), Qt::TextWordWrap, wrappable(cell.text, fm, width))
                        .height();
                size.wraps |= quint64(1) << std::min<qsizetype>(i, 63);
            }
            size.height = std::max(size.height, h);
        }
        size.height += row.frame ? 2 * cellPadPt * m_point * 0.6 : 0;
        return size;
    }

    const Measured& measured(qsizetype row)
    {
        if (!m_measured.at(row))
            m_measured[row] = measure(m_content.rows().at(row));
        return *m_measured.at(row);
    }

    void place(const Row& row, const Measured& size, qreal before)
    {
        const qreal top = m_y + before;
        for (qsizetype i = 0; i < row.cells.size(); ++i)
        {
            const Cell& cell = row.cells.at(i);
            TRecordLayout::Item item;
            item.rect = QRectF(cell.x * m_width, top, cell.width * m_width, size.height);
            item.text = cell.text;
            item.style = cell.style;
            const bool wraps = size.wraps & (quint64(1) << std::min<qsizetype>(i, 63));
            item.flags = cell.align | Qt::AlignTop | (wraps ? Qt::TextWordWrap : 0);
            item.frame = row.frame;
            m_layout.pages.last().append(item);
        }
        m_y = top + size.height;
    }

    void startPage()
    {
        m_layout.pages.append(TRecordLayout::Page());
        m_y = 0;
    }

    const Content& m_content;
    QList<QFontMetricsF> m_metrics; // by Style
    TRecordLayout m_layout;
    qreal m_point = 1;
    qreal m_width = 0;
    qreal m_height = 0;
    qreal m_footer = 0;
    qreal m_y = 0;
    qsizetype m_next = 0; // the row after the one being placed
    QList<std::optional<Measured>> m_measured;
};
} // namespace

QStringList TRecordLayout::pageText(qsizetype page) const
{
    QStringList lines;
    for (const Item& item : pages.at(page))
        lines << item.text;
    return lines;
}

QStringList TRecordLayout::text() const
{
    QStringList lines;
    for (qsizetype p = 0; p < pages.size(); ++p)
        lines << pageText(p);
    return lines;
}

QFont recordFont(Style style)
{
    QFont font(QStringLiteral("Arial"));
    switch (style)
    {
    case Style::Title:
        font.setPointSizeF(18);
        font.setBold(true);
        break;
    case Style::Heading:
        font.setPointSizeF(12);
        font.setBold(true);
        break;
    case Style::Body:
        font.setPointSizeF(10);
        break;
    case Style::Cell:
        font.setPointSizeF(9);
        break;
    case Style::CellHeader:
        font.setPointSizeF(9);
        font.setBold(true);
        break;
    case Style::Footer:
        font.setPointSizeF(8);
        break;
    }
    return font;
}

void prepareRecordDevice(QPagedPaintDevice& device)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(marginMm, marginMm, marginMm, marginMm), QPageLayout::Millimeter));
}

TRecordLayout layoutRecord(const TEvening& evening, const TRecordOptions& options, QPagedPaintDevice& device)
{
    const Content content = recordContent(evening, options);
    return Paginator(device, content).run();
}

void paintRecord(const TRecordLayout& layout, QPagedPaintDevice& device)
{
    QPainter painter(&device);
    const qreal point = device.logicalDpiY() / 72.0;
    const qreal pad = cellPadPt * point;
    QPen thin(Qt::black);
    thin.setWidthF(0.5 * point);
    painter.setPen(thin);
    QList<QFont> fonts;
    QList<QFontMetricsF> metrics;
    for (const Style s : {Style::Title, Style::Heading, Style::Body, Style::Cell, Style::CellHeader, Style::Footer})
    {
        fonts.append(recordFont(s));
        metrics.append(QFontMetricsF(fonts.last(), &device));
    }
    int current = -1;
    for (qsizetype p = 0; p < layout.pages.size(); ++p)
    {
        if (p > 0)
            device.newPage();
        for (const TRecordLayout::Item& item : layout.pages.at(p))
        {
            if (int(item.style) != current)
            {
                current = int(item.style);
                painter.setFont(fonts.at(current));
            }
            QRectF text = item.rect;
            if (item.frame)
            {
                if (item.style == Style::CellHeader)
                    painter.fillRect(item.rect, QColor(225, 225, 225));
                painter.drawRect(item.rect);
                text.adjust(pad, pad * 0.6, -pad, -pad * 0.6);
            }
            if (item.flags & Qt::TextWordWrap)
                painter.drawText(text, item.flags, wrappable(item.text, metrics.at(current), text.width()));
            else
                painter.drawText(text, item.flags, item.text);
        }
    }
}

QByteArray recordPdf(const TEvening& evening, const TRecordOptions& options)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(300);
        writer.setTitle(QStringLiteral("Çekiliş Tutanağı"));
        writer.setCreator(QCoreApplication::applicationName());
        prepareRecordDevice(writer);
        paintRecord(layoutRecord(evening, options, writer), writer);
    }
    return buffer.data();
}

bool writeRecordFile(const QString& anyFile, const QString& pdfFile, const TRecordOptions& options, QString* error)
{
    const std::optional<TEvening> evening = readEvening(anyFile, error);
    if (!evening)
        return false;
    // The record is never written over the files it is made from, nor over a file that is
    // not a PDF (a mistyped argument order must not cost the journal or anything else).
    const QFileInfo out(pdfFile);
    const QString target = out.exists() ? out.canonicalFilePath() : out.absoluteFilePath();
    const QString stem = QFileInfo(evening->journalFile).completeBaseName();
    if (out.exists())
    {
        QFile existing(pdfFile);
        const bool isPdf = existing.open(QIODevice::ReadOnly) && existing.read(5) == "%PDF-";
        if (!out.isFile() || !isPdf || out.fileName().startsWith(stem))
        {
            *error = QStringLiteral("\"%1\" bir PDF dosyası değil; üzerine yazılmadı.")
                         .arg(QDir::toNativeSeparators(pdfFile));
            return false;
        }
    }
    const QByteArray pdf = recordPdf(*evening, options);
    try
    {
        SaveFileAtomically(target, pdf);
    }
    catch (const EFileError&)
    {
        *error = QStringLiteral("\"%1\" yazılamadı.").arg(QDir::toNativeSeparators(pdfFile));
        return false;
    }
    return true;
}

namespace {
// The program is a window program on Windows: a line for the console that started it goes to
// that console, in its own letters.
void tellOnStderr(const QString& text)
{
#ifdef Q_OS_WIN
    // Redirected to a file or a pipe, the handle is there already and the C library writes to it.
    const HANDLE inherited = GetStdHandle(STD_ERROR_HANDLE);
    if ((inherited == nullptr || inherited == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS))
    {
        const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
        DWORD written = 0;
        if (console != INVALID_HANDLE_VALUE && console != nullptr &&
            WriteConsoleW(console, reinterpret_cast<const wchar_t*>(text.utf16()), DWORD(text.size()), &written,
                          nullptr))
            return;
    }
#endif
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}
} // namespace

std::optional<int> runRecordCommandIfAsked(int argc, char* argv[])
{
    if (argc < 2 || qstrcmp(argv[1], "--tutanak") != 0)
        return std::nullopt;
#ifndef Q_OS_WIN
    // Made without a window: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    std::unique_ptr<QGuiApplication> app;
    QStringList args;
    if (!QCoreApplication::instance())
    {
        // The one line on stderr is the program's own: Qt's notes about its set-up are dropped.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        app = std::make_unique<QGuiApplication>(argc, argv);
        args = QCoreApplication::arguments(); // on Windows, the names as typed, not in the code page
    }
    else
    {
        for (int i = 0; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
    }
    const auto fail = [](const QString& line, int code) {
        tellOnStderr(line + QLatin1Char('\n'));
        return code;
    };
    if (args.size() != 4)
        return fail(QStringLiteral("Kullanım: cekilis --tutanak ÇEKİLİŞ_DOSYASI TUTANAK.pdf"), 2);
    // Arial is asked for by name; where it is missing, its metric twin stands in.
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QString error;
    if (!writeRecordFile(args.at(2), args.at(3), TRecordOptions(), &error))
        return fail(error, 1);
    return 0;
}

QString noRecordYetText()
{
    return QStringLiteral("Bu çalışmada henüz çekiliş yapılmadı; tutanak için kayıt yok.");
}

namespace {
void saveRecordAsPdf(QWidget* parent, const TEvening& evening, const TRecordOptions& options, bool open)
{
    const QString fileName = getSaveFileName(parent, QString(), QFileInfo(evening.journalFile).absolutePath(),
                                             QStringLiteral("PDF Dosyaları|*.pdf"), QStringLiteral("pdf"));
    if (fileName.isEmpty())
        return;
    try
    {
        SaveFileAtomically(fileName, recordPdf(evening, options));
    }
    catch (const EFileError&)
    {
        ShowBilgi(SaveFailedText(fileName));
        return;
    }
    if (open)
        QDesktopServices::openUrl(QUrl::fromLocalFile(fileName));
}
} // namespace

void showEveningRecord(QWidget* parent, const QString& journalFile)
{
    const QString events = TEveningLog::eventsFile(journalFile);
    if (!QFileInfo::exists(journalFile) && !QFileInfo::exists(events))
    {
        ShowBilgi(noRecordYetText());
        return;
    }
    QString error;
    std::optional<TEvening> read = readEvening(QFileInfo::exists(journalFile) ? journalFile : events, &error);
    if (!read)
    {
        ShowBilgi(error);
        return;
    }
    const auto evening = std::make_shared<const TEvening>(std::move(*read));
#ifdef CEKILIS_WITH_PRINT_PREVIEW
    auto* printer = new QPrinter(QPrinter::HighResolution);
    printer->setDocName(QStringLiteral("Çekiliş Tutanağı"));
    prepareRecordDevice(*printer);
    auto* dialog = new QPrintPreviewDialog(printer, parent);
    dialog->setObjectName(QStringLiteral("TutanakOnizleme"));
    dialog->setWindowTitle(QStringLiteral("Çekiliş Tutanağı"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QObject::destroyed, [printer] { delete printer; });
    auto options = std::make_shared<TRecordOptions>();
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, dialog, [evening, options](QPrinter* device) {
        paintRecord(layoutRecord(*evening, *options, *device), *device);
    });
    if (auto* bar = dialog->findChild<QToolBar*>())
    {
        bar->addSeparator();
        auto* appendix = new QCheckBox(QStringLiteral("Katılımcı listesi ekte"), bar);
        appendix->setObjectName(QStringLiteral("CheckKATILIMCI"));
        bar->addWidget(appendix);
        QObject::connect(appendix, &QCheckBox::toggled, dialog, [dialog, options](bool on) {
            options->withParticipants = on;
            if (auto* preview = dialog->findChild<QPrintPreviewWidget*>())
                preview->updatePreview();
        });
        auto* pdf = bar->addAction(QStringLiteral("PDF olarak kaydet"));
        pdf->setObjectName(QStringLiteral("PdfKaydet"));
        QObject::connect(pdf, &QAction::triggered, dialog,
                         [dialog, evening, options] { saveRecordAsPdf(dialog, *evening, *options, false); });
    }
    dialog->open();
#else
    // Printing goes through the PDF viewer of the system.
    saveRecordAsPdf(parent, *evening, TRecordOptions(), true);
#endif
}
