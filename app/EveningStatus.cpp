#include "EveningStatus.h"

#include "DrawTables.h"
#include "Field.h"
#include "Guard.h"
#include "RxMemoryData.h"
#include "WinnerPick.h"
#include "controls/SpinEdit.h"

#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTimer>

TEveningCounts countEvening(const TDrawTables& tables, int prizeNumber)
{
    const TRxMemoryData& kisi = *tables.Kisi_T;
    const TRxMemoryData& kzn = *tables.Kzn_T;
    const TRxMemoryData& hediye = *tables.Hediye_T;
    TEveningCounts counts;
    counts.participants = kisi.recordCount();
    counts.winners = kzn.recordCount();
    counts.prizes = hediye.recordCount();

    counts.eligible = countEligible(kisi, tables.Kisi_TADI->index(), kzn, tables.Kzn_TADI->index());

    // As the start of a draw chooses: the number in the box, or the last prize for any other.
    if (counts.prizes > 0)
    {
        counts.nextPrize = prizeNumber >= 1 && prizeNumber <= counts.prizes ? prizeNumber : counts.prizes;
        counts.nextPrizeName = hediye.textAt(counts.nextPrize - 1, tables.Hediye_THEDIYE->index());
    }
    return counts;
}

QString eveningText(const TEveningCounts& counts)
{
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    // The next prize is named only while a draw can still give one.
    QString next = QStringLiteral("yok");
    if (counts.prizes > 0 && counts.winners >= counts.prizes)
        next = QStringLiteral("yok (tüm hediyeler verildi)");
    else if (counts.participants > 0 && counts.eligible <= 0)
        next = QStringLiteral("yok (çekilişe kalan kişi yok)");
    else if (counts.nextPrize > 0)
        next = QStringLiteral("%1. %2").arg(counts.nextPrize).arg(counts.nextPrizeName);
    return QStringLiteral("Kişi: %1 | Çekilişe kalan: %2 | Kazanan: %3 | Hediye: %4 | Sıradaki hediye: %5")
        .arg(turkish.toString(counts.participants), turkish.toString(counts.eligible), turkish.toString(counts.winners),
             turkish.toString(counts.prizes), next);
}

TEveningStatus::TEveningStatus(const TDrawTables& tables, TSpinEdit* prizeNumber, QStatusBar* bar, QObject* parent)
    : QObject(parent), m_tables(tables), m_prizeNumber(prizeNumber), m_line(new QLabel(bar)),
      m_pending(new QTimer(this))
{
    m_line->setObjectName(QStringLiteral("EveningStatus"));
    m_line->setTextFormat(Qt::PlainText);
    // A long prize name is cut at the edge rather than widening the window.
    m_line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(m_line, 1);

    m_pending->setSingleShot(true);
    m_pending->setInterval(0);
    connectGuarded(m_pending, &QTimer::timeout, this, &TEveningStatus::refresh);
    for (TRxMemoryData* table : {tables.Kisi_T, tables.Hediye_T, tables.Kzn_T})
    {
        connectGuarded(table, &TRxMemoryData::dataSetChanged, this, &TEveningStatus::schedule);
        connectGuarded(table, &TRxMemoryData::rowInserted, this, &TEveningStatus::schedule);
        connectGuarded(table, &TRxMemoryData::rowRemoved, this, &TEveningStatus::schedule);
        connectGuarded(table, &TRxMemoryData::recordChanged, this, &TEveningStatus::schedule);
    }
    connectGuarded(prizeNumber, &TSpinEdit::valueChanged, this, &TEveningStatus::schedule);
    refresh();
}

TEveningStatus::~TEveningStatus() = default;

void TEveningStatus::schedule()
{
    if (!m_pending->isActive())
        m_pending->start();
}

void TEveningStatus::refresh()
{
    m_pending->stop();
    m_counts = countEvening(m_tables, m_prizeNumber->value());
    m_line->setText(eveningText(m_counts));
}
