#include "EveningResume.h"

#include "Codec1254.h"
#include "DrawJournal.h"
#include "DrawTables.h"
#include "Field.h"
#include "Messages.h"
#include "NumberDraw.h"
#include "RxMemoryData.h"
#include "SpinEdit.h"
#include "WinnerPick.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <algorithm>

namespace {
// Names the question shows of the winners the participant list does not hold.
constexpr int AbsentNamesShown = 3;
constexpr int NoticesShown = 5;

// The prize number (1-based) the next draw gives after these winners. Each winner's prize is
// looked for from the one after the previous winner's on, as the draws step through the list,
// so prizes that share a name are followed in order.
int nextPrizeNumber(const TUnsavedEvening& evening, const TRxMemoryData& Hediye_T, int field)
{
    const int prizes = Hediye_T.recordCount();
    QHash<QByteArray, QList<int>> rowsNamed;
    for (int row = 0; row < prizes; ++row)
        rowsNamed[Hediye_T.bytesAt(row, field)].append(row);
    int last = -1;
    for (const auto& winner : evening.winners)
    {
        const auto rows = rowsNamed.constFind(winner.second);
        if (rows == rowsNamed.cend())
            continue;
        const auto after = std::upper_bound(rows->cbegin(), rows->cend(), last);
        last = after == rows->cend() ? rows->constFirst() : *after;
    }
    return last < 0 ? 0 : std::min(last + 2, prizes);
}

QList<QByteArray> absentWinners(const TUnsavedEvening& evening, const TDrawTables& tables)
{
    QList<QByteArray> absent;
    QSet<QByteArray> looked;
    for (const auto& winner : evening.winners)
    {
        if (looked.contains(winner.first))
            continue;
        looked.insert(winner.first);
        if (participantsNamed(*tables.Kisi_T, tables.Kisi_TADI->index(), winner.first) == 0)
            absent.append(winner.first);
    }
    return absent;
}

void resumeNumbers(const TUnsavedNumbers& numbers, TDrawJournal& journal, TNumberDraw* numberDraw)
{
    if (AskSoru(resumeNumbersText(numbers)) != mrYes)
    {
        TDrawJournal::decline(numbers.file);
        return;
    }
    journal.resumeNumbers(numbers);
    numberDraw->resume(numbers.numbers, numbers.first, numbers.last, numbers.requested, numbers.finished);
}
} // namespace

QString resumeEveningText(const TUnsavedEvening& evening, const QList<QByteArray>& absent)
{
    const auto& [adi, hediye] = evening.winners.constLast();
    const QString count =
        evening.saved > 0
            ? QStringLiteral("%1 kazanandan son %2 kişi").arg(evening.winners.size()).arg(evening.unsaved())
            : QStringLiteral("%1 kazanan").arg(evening.unsaved());
    QString text =
        QStringLiteral("Önceki çalışmada çekilen %1 \"Kaydet\" ile kaydedilmemiş (son kazanan: %2, %3). Bu "
                       "çekilişe kaldığı yerden devam etmek istiyor musunuz?\r\n"
                       "Evet: kazananlar listeye geri alınır, bir daha kazanamaz.\r\n"
                       "Hayır: liste boş başlar; kazananlar \"%4\" dosyasında kalır.")
            .arg(count, Cp1254::toUnicode(adi), Cp1254::toUnicode(hediye), QDir::toNativeSeparators(evening.file));
    if (evening.cutOff)
        text += QStringLiteral("\r\nSon kazananın adı gösterilirken program kapanmıştı; salondakiler adın tamamını "
                               "görmemiş olabilir.");
    if (!absent.isEmpty())
    {
        QStringList names;
        for (const QByteArray& name : absent.mid(0, AbsentNamesShown))
            names << Cp1254::toUnicode(name);
        if (absent.size() > AbsentNamesShown)
            names << QStringLiteral("...");
        text += QStringLiteral("\r\nKişi listesinde olmayan %1 kazanan (%2) listeye geri alınır ama çekilişe girmez.")
                    .arg(absent.size())
                    .arg(names.join(QStringLiteral(", ")));
    }
    if (evening.damagedLines > 0)
        text += QStringLiteral("\r\nKayıt dosyasındaki %1 bozuk satır okunmadı.").arg(evening.damagedLines);
    if (!evening.encoding.isEmpty())
        text += QStringLiteral("\r\nKayıt dosyası bir düzenleyicide yeniden kaydedilmiş (%1); öyle okundu, devam "
                               "edilirse programın biçiminde yeniden yazılır.")
                    .arg(evening.encoding);
    return text;
}

QString resumeNumbersText(const TUnsavedNumbers& numbers)
{
    const QString file = QDir::toNativeSeparators(numbers.file);
    if (numbers.finished)
        return QStringLiteral("Önceki çalışmadaki sayı çekilişinin %1 sayısı kaydedilmemiş. Sayılar çekiliş "
                              "listesine geri alınsın mı?\r\n"
                              "Evet: sayılar çekildikleri sırayla listeye geri alınır.\r\n"
                              "Hayır: liste boş başlar; sayılar \"%2\" dosyasında kalır.")
            .arg(numbers.numbers.size())
            .arg(file);
    return QStringLiteral("Önceki çalışmadaki sayı çekilişi yarıda kalmış: istenen %1 sayıdan %2 tanesi çekilmiş "
                          "(%3 ile %4 arası). Bu çekilişe kaldığı yerden devam etmek istiyor musunuz?\r\n"
                          "Evet: çekilen sayılar sırayla listeye geri alınır; \"Zar At\" kalan sayıları aynı listeye "
                          "çeker ve çekilmiş bir sayı bir daha çıkmaz.\r\n"
                          "Hayır: liste boş başlar; sayılar \"%5\" dosyasında kalır.")
        .arg(numbers.requested)
        .arg(numbers.numbers.size())
        .arg(numbers.first)
        .arg(numbers.last)
        .arg(file);
}

QString journalNoticesText(const QStringList& notices)
{
    QStringList lines = notices.mid(0, NoticesShown);
    if (notices.size() > NoticesShown)
        lines << QStringLiteral("... ve %1 dosya daha.").arg(notices.size() - NoticesShown);
    return lines.join(QStringLiteral("\r\n"));
}

namespace {
void resumeEvening(const TUnsavedEvening& evening, TDrawJournal& journal, const TDrawTables& tables,
                   TSpinEdit* SpinEdit1)
{
    if (AskSoru(resumeEveningText(evening, absentWinners(evening, tables))) != mrYes)
    {
        TDrawJournal::decline(evening.file);
        return;
    }
    TRxMemoryData& Kzn_T = *tables.Kzn_T;
    {
        TControlsSuspension quiet(Kzn_T);
        for (const auto& [adi, hediye] : evening.winners)
        {
            Kzn_T.append();
            Kzn_T.setFieldBytes(tables.Kzn_TADI->index(), adi);
            Kzn_T.setFieldBytes(tables.Kzn_THEDIYE->index(), hediye);
            Kzn_T.post();
        }
    }
    if (const int next = nextPrizeNumber(evening, *tables.Hediye_T, tables.Hediye_THEDIYE->index());
        next > 0 && SpinEdit1)
        SpinEdit1->setValue(next);
    journal.resume(evening);
}
} // namespace

void offerToResumeEvening(const QString& dataFolder, TDrawJournal& journal, const TDrawTables& tables,
                          TSpinEdit* SpinEdit1, TNumberDraw* numberDraw)
{
    const TStartupJournals found =
        TDrawJournal::findAtStart(dataFolder, QDateTime::currentDateTime(),
                                  TWinnerLineLimits{tables.Kzn_TADI->size(), tables.Kzn_THEDIYE->size()});
    if (!found.notices.isEmpty())
        ShowBilgi(journalNoticesText(found.notices));
    if (found.evening)
        resumeEvening(*found.evening, journal, tables, SpinEdit1);
    if (found.numbers && numberDraw)
        resumeNumbers(*found.numbers, journal, numberDraw);
}
