#include "NumberDraw.h"

#include "Clock.h"
#include "DataErrors.h"
#include "DrawJournal.h"
#include "DrawStage.h"
#include "EAbort.h"
#include "EveningLog.h"
#include "FileDialogs.h"
#include "Guard.h"
#include "Messages.h"
#include "ProgramFolder.h"
#include "Random.h"
#include "RxDice.h"
#include "RxMemoryData.h"
#include "SaveFile.h"
#include "SpinEdit.h"
#include "ZvWinButton.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QScopedValueRollback>
#include <QWidget>
#include <limits>
#include <utility>

namespace {
// A number below n from the shared generator, as one step of it: upper 32 bits of S * n. The
// generator takes an int, so a span of more than 2^31 - 1 numbers (bounds near both ends of the
// 32-bit range) applies the same formula to the stepped state with a 64-bit n.
quint64 randomBelow(quint64 n)
{
    if (n <= static_cast<quint64>(std::numeric_limits<int>::max()))
        return static_cast<quint64>(SharedRandom::random(static_cast<int>(n)));
    SharedRandom::random(0);
    return (static_cast<quint64>(SharedRandom::seed()) * n) >> 32;
}

// Puts the page back to idle however the draw ends, also when an error unwinds it.
class DrawScope
{
public:
    DrawScope(QWidget* window, TRxDice* dice, TRxMemoryData& table, QLabel* label, const QString& widestCaption)
        : m_window(window), m_dice(dice), m_table(&table), m_label(label)
    {
        // The result label changes its text after every pick. A label whose size may change asks
        // its window to lay everything out again each time, which costs milliseconds per pick in
        // a full window; pinned to a size that holds the longest caption, it only repaints itself.
        if (m_label)
        {
            m_labelMin = m_label->minimumSize();
            m_labelMax = m_label->maximumSize();
            const int margins = m_label->contentsMargins().left() + m_label->contentsMargins().right() +
                                2 * m_label->margin() + 2 * m_label->frameWidth();
            const int width = qMax(m_label->width(), m_label->fontMetrics().horizontalAdvance(widestCaption) + margins);
            m_label->setFixedSize(width, m_label->height());
        }
        m_dice->show();
        m_dice->setRotate(true);
        m_dice->repaint();
        m_window->setEnabled(false);
        m_table->disableControls();
    }
    ~DrawScope()
    {
        if (m_table)
            m_table->enableControls();
        if (m_dice)
        {
            m_dice->setRotate(false);
            m_dice->hide();
        }
        if (m_window)
            m_window->setEnabled(true);
        if (m_label)
        {
            m_label->setMinimumSize(m_labelMin);
            m_label->setMaximumSize(m_labelMax);
        }
    }
    DrawScope(const DrawScope&) = delete;
    DrawScope& operator=(const DrawScope&) = delete;

private:
    QPointer<QWidget> m_window;
    QPointer<TRxDice> m_dice;
    QPointer<TRxMemoryData> m_table;
    QPointer<QLabel> m_label;
    QSize m_labelMin;
    QSize m_labelMax;
};
} // namespace

TNumberDraw::TNumberDraw(const TNumberDrawControls& controls, QObject* parent)
    : QObject(parent), c(controls), m_window(controls.Window), m_list(controls.ListBox1), m_label(controls.Label2),
      m_dice(controls.RxDice1)
{
    // Every line is a number in the list's one font; telling the view so spares it measuring
    // every line again whenever lines are added.
    if (c.ListBox1)
        c.ListBox1->setUniformItemSizes(true);
    connectGuarded(c.ZvWinButton1, &TZvWinButton::clicked, this, &TNumberDraw::draw);
    connectGuarded(c.ZvWinButton2, &TZvWinButton::clicked, this, [this] { c.Rx_T->emptyTable(); });
    connectGuarded(c.ZvWinButton3, &TZvWinButton::clicked, this, [this] { count(true); });
    connectGuarded(c.ZvWinButton4, &TZvWinButton::clicked, this, &TNumberDraw::save);
}

QString TNumberDraw::exhaustedMessage(int requested, int drawn)
{
    return QStringLiteral("Çekilişe girecek başka sayı kalmadı.\r\nİstenen %1 sayıdan %2 tanesi çekilebildi.")
        .arg(requested)
        .arg(drawn);
}

void TNumberDraw::ZvWinButton3Click(QObject* sender)
{
    guarded([&] { count(sender != nullptr && sender == c.ZvWinButton3); });
}

void TNumberDraw::ZvWinButton1Click()
{
    guarded([this] { draw(); });
}

void TNumberDraw::ZvWinButton4Click()
{
    guarded([this] { save(); });
}

void TNumberDraw::ZvWinButton2Click()
{
    // A pending grid edit is settled first; a refused one stops here with the table intact.
    guarded([this] { c.Rx_T->emptyTable(); });
}

QList<ExcludedRange> TNumberDraw::count(bool show)
{
    TRxMemoryData& table = *c.Rx_T;
    const int firstField = table.fieldIndex(u"BASLANGIC");
    const int lastField = table.fieldIndex(u"BITIS");

    // Moving to the first row settles a pending grid edit; a refused one aborts the count here.
    table.first();
    QList<ExcludedRange> ranges;
    ranges.reserve(table.recordCount());
    while (!table.eof())
    {
        ranges.append({table.fieldAsInteger(firstField), table.fieldAsInteger(lastField)});
        table.next();
    }

    m_kalanSayi = NumberPool::shownCount(c.SpinBSL->value(), c.SpinBTS->value(), ranges);
    if (show)
        ShowBilgi(QStringLiteral("Kalan Sayı : ") + QString::number(m_kalanSayi));
    return ranges;
}

void TNumberDraw::flushTaken(bool toJournal)
{
    if (m_listed < m_drawn.size())
    {
        QStringList lines;
        QByteArray journalled;
        lines.reserve(m_drawn.size() - m_listed);
        for (; m_listed < m_drawn.size(); ++m_listed)
        {
            lines.append(QString::number(m_drawn.at(m_listed)));
            journalled += QByteArray::number(m_drawn.at(m_listed)) + "\r\n";
        }
        // On the disk before they are on the screen: a killed draw keeps every number shown. One
        // flush per hand-over, not per number, keeps a long unpaced draw fast.
        if (c.Journal && toJournal)
            c.Journal->appendNumbers(journalled);
        m_list->addItems(lines);
        if (c.Stage)
            c.Stage->takeNumbers(m_drawn.mid(m_drawn.size() - lines.size()));
    }
    m_flushTick = Clock::instance().tickCount();
}

void TNumberDraw::pump()
{
    // A list view lays out all its lines again after every insertion, so ten thousand single
    // appends cost seconds. Taken numbers are handed over in batches, at most every
    // ListRefreshMs; on the screen the list still grows as the numbers come.
    if (m_listed < m_drawn.size() && Clock::instance().tickCount() - m_flushTick >= quint32(ListRefreshMs))
        flushTaken();
    QCoreApplication::processEvents();
    // Anything may have run meanwhile; if the page went away there is nothing left to draw into.
    if (!m_window || !m_list || !m_label || !m_dice)
        Abort();
}

void TNumberDraw::draw()
{
    // The disabled window keeps clicks out while a draw runs, but a caller inside one of its
    // pumps could still start another over the same list.
    if (m_drawing)
        return;
    if (c.SpinBTS->value() <= c.SpinBSL->value())
    {
        ShowBilgi(QStringLiteral("Bitiş sayısı Başlangıç sayısından büyük olmalıdır."));
        return;
    }
    const QList<ExcludedRange> ranges = count(false);
    const int requested = c.SpinADET->value();
    if (requested > m_kalanSayi)
    {
        ShowBilgi(QStringLiteral("Çekilecek Sayı Adedi, Çekilişe girecek sayıdan daha büyük\r\n"
                                 "Lütfen kontrol ediniz..."));
        return;
    }

    // A resumed draw cut short is completed, unless the count asked for no longer exceeds it.
    const bool continuing = std::exchange(m_continues, false) && requested > m_drawn.size();
    bool exhausted = false;
    {
        DrawScope scope(c.Window, c.RxDice1, *c.Rx_T, m_label,
                        QStringLiteral("Çekiliş Sonuçları : ") + QString::number(requested));
        const QScopedValueRollback<bool> drawing(m_drawing, true);
        if (!continuing)
        {
            m_list->clear();
            m_drawn.clear();
            m_listed = 0;
            if (c.Journal)
            {
                c.Journal->startNumbers();
                c.Journal->planNumbers(c.SpinBSL->value(), c.SpinBTS->value(), requested);
            }
            if (c.Log)
            {
                QList<QPair<qint64, qint64>> excluded;
                for (const ExcludedRange& r : ranges)
                    excluded.append({r.first, r.last});
                c.Log->numbersStarted(c.SpinBSL->value(), c.SpinBTS->value(), requested, excluded);
            }
            if (c.Stage)
                c.Stage->startNumbers();
            if (c.Stage)
                c.Stage->startNumbers();
            Q_EMIT numbersStarted();
        }
        m_flushTick = Clock::instance().tickCount();

        // The window is disabled, so the bounds and the table cannot change while the draw runs;
        // the pool holds them once. Taken numbers sit in a set beside the list, so the duplicate
        // test costs the same for the ten-thousandth number as for the first.
        NumberPool pool(c.SpinBSL->value(), c.SpinBTS->value(), ranges);
        for (qint64 shown : std::as_const(m_drawn))
        {
            if (shown >= c.SpinBSL->value() && shown <= c.SpinBTS->value() && pool.excludingRange(shown) < 0)
                pool.take(shown);
        }
        int remaining = requested - int(m_drawn.size());
        quint32 lastSeed = 0;
        bool havePicked = false;
        int rejectedInARow = 0;
        while (remaining > 0)
        {
            // The shown count can overstate the eligible numbers (ranges reaching outside the
            // bounds, overlapping ranges); without this the loop would never end.
            if (pool.remaining() <= 0)
            {
                exhausted = true;
                break;
            }

            // Every pick follows its own reseeding directly, so the die's draws between picks
            // have no influence on the numbers. A counter that has not moved since the last pick
            // would give the same seed and the same number again, forever; the generator then
            // simply goes on from where it is.
            const quint32 before = SharedRandom::seed();
            SharedRandom::randomize();
            const quint32 seed = SharedRandom::seed();
            if (havePicked && seed == lastSeed)
                SharedRandom::setSeed(before);
            lastSeed = seed;
            havePicked = true;

            // When most of the range is excluded or already drawn, nearly every pick is rejected
            // and the draw would take longer the wider the range. After a run of rejections
            // the pick is made among the numbers still to be had, which can never be rejected;
            // either way each of those numbers is equally likely. It is paced as a number in no
            // range, having been checked against every row.
            const bool direct = rejectedInARow >= MaxRejectedPicks;
            const qint64 n = direct ? pool.remainingAt(randomBelow(quint64(pool.remaining())))
                                    : pool.numberAt(randomBelow(pool.span()));
            const int match = direct ? -1 : pool.excludingRange(n);
            const int examined = match < 0 ? pool.rangeCount() : match;
            for (int row = 0; row < examined; ++row)
            {
                pump();
                Clock::instance().sleep(PauseMs);
            }

            const bool taken = match < 0 && pool.take(n);
            if (taken)
                m_drawn.append(n);
            m_label->setText(QStringLiteral("Çekiliş Sonuçları : ") + QString::number(pool.takenCount()));
            pump();
            if (taken)
            {
                --remaining;
                rejectedInARow = 0;
            }
            else
                ++rejectedInARow;
        }
        flushTaken();
        if (c.Journal)
            c.Journal->numbersFinished();
        if (c.Log)
            c.Log->numbersEnded(int(m_drawn.size()));
    }
    if (c.Stage)
        c.Stage->endNumbers();
    Q_EMIT numbersEnded();

    if (exhausted)
        ShowBilgi(exhaustedMessage(requested, int(m_drawn.size())));
    else
        ShowBilgi(QStringLiteral("İşlem tamamlandı..."));
    if (c.Journal)
    {
        const QString notice = c.Journal->takeNotice();
        if (!notice.isEmpty())
            ShowBilgi(notice);
    }
}

void TNumberDraw::resume(const QList<qint64>& numbers, qint64 first, qint64 last, int requested, bool finished)
{
    c.SpinBSL->setValue(int(first));
    c.SpinBTS->setValue(int(last));
    c.SpinADET->setValue(requested);
    m_drawn = numbers;
    m_listed = 0;
    m_list->clear();
    if (c.Stage)
        c.Stage->startNumbers();
    Q_EMIT numbersStarted();
    flushTaken(false);
    m_label->setText(QStringLiteral("Çekiliş Sonuçları : ") + QString::number(m_drawn.size()));
    if (c.Stage)
        c.Stage->endNumbers();
    Q_EMIT numbersEnded();
    m_continues = !finished && requested > m_drawn.size();
}

QByteArray TNumberDraw::listBytes() const
{
    QByteArray bytes;
    for (qint64 n : m_drawn)
    {
        bytes += QByteArray::number(n);
        bytes += "\r\n";
    }
    return bytes;
}

void TNumberDraw::save()
{
    if (m_drawn.isEmpty())
    {
        ShowBilgi(QStringLiteral("Öncelikle çelilişi yapınız."));
        return;
    }

    const QString fileName = getSaveFileName(c.Window, QString(), programFolder(),
                                             QStringLiteral("Txt Dosyaları|*.txt"), QStringLiteral("TXT"));
    if (fileName.isEmpty())
        return;
    // A file that cannot be written keeps its old content, and the operator is told so.
    try
    {
        SaveFileAtomically(fileName, listBytes());
        if (c.Journal)
            c.Journal->numbersSaved();
        Q_EMIT numbersSaved(static_cast<int>(m_drawn.size()), fileName);
    }
    catch (const EFileError&)
    {
        ShowBilgi(SaveFailedText(fileName));
    }
}
