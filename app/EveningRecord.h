#pragma once

#include "EveningLog.h"

#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <optional>

class QPagedPaintDevice;
class QWidget;

// The evening's record (tutanak) as it is put on paper: made from the evening's files alone
// (TEvening), laid out on A4 pages of a paint device, then painted. The layout is plain data, so
// what a page says can be read back without the paint device's output.
struct TRecordLayout
{
    enum class Style
    {
        Title,
        Heading,
        Body,
        Cell,
        CellHeader,
        Footer,
    };
    struct Item
    {
        QRectF rect; // device units, within the page's printable area
        QString text;
        Style style = Style::Body;
        int flags = 0; // Qt::AlignmentFlag | Qt::TextFlag
        bool frame = false;
    };
    using Page = QList<Item>;

    QList<Page> pages;

    // The items' texts of one page (or of all pages) in reading order.
    QStringList pageText(qsizetype page) const;
    QStringList text() const;
};

struct TRecordOptions
{
    bool withParticipants = false; // the participant list drawn from, as an appendix
};

// Lays the record out for `device` (A4 with its margins set by prepareRecordDevice).
TRecordLayout layoutRecord(const TEvening& evening, const TRecordOptions& options, QPagedPaintDevice& device);
void prepareRecordDevice(QPagedPaintDevice& device);
void paintRecord(const TRecordLayout& layout, QPagedPaintDevice& device);
QFont recordFont(TRecordLayout::Style style);

// The record of the evening as PDF bytes; nothing when the evening's files cannot be read.
QByteArray recordPdf(const TEvening& evening, const TRecordOptions& options);
// Writes the record of the evening `anyFile` belongs to into `pdfFile` (atomically). Nothing is
// written when that fails; `error` then says why, in one Turkish sentence.
bool writeRecordFile(const QString& anyFile, const QString& pdfFile, const TRecordOptions& options, QString* error);

// "cekilis --tutanak JOURNAL OUT.pdf": writes the record without a window. The exit code, or
// nothing when the command line asks for something else.
std::optional<int> runRecordCommandIfAsked(int argc, char* argv[]);

// The record of the evening whose journal is `journalFile`, shown for printing and saving as
// PDF; without a print preview in the build, saved as PDF where the operator chooses. An
// evening with nothing drawn yet is told so.
void showEveningRecord(QWidget* parent, const QString& journalFile);
QString noRecordYetText();
