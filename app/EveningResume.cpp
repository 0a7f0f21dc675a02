#include "EveningResume.h"

#include "Codec1254.h"
#include "DrawJournal.h"
#include "EveningLog.h"
#include "Messages.h"
#include "RxMemoryData.h"
#include "SpinEdit.h"

#include <QDir>

namespace {
const QLatin1String ADI("ADI");
const QLatin1String HEDIYE("HEDIYE");

// The prize number (1-based) the next draw gives after these winners. Each winner's prize is
// looked for from the one after the previous winner's on, as the draws step through the list,
// so prizes that share a name are followed in order.
int nextPrizeNumber(const TUnsavedEvening& evening, const TRxMemoryData& Hediye_T)
{
    const int prizes = Hediye_T.recordCount();
    const int field = Hediye_T.fieldIndex(HEDIYE);
    int last = -1;
    for (const auto& winner : evening.winners)
    {
        for (int step = 1; step <= prizes; ++step)
        {
            const int row = (last + step) % prizes;
            if (Hediye_T.bytesAt(row, field) == winner.second)
            {
                last = row;
                break;
            }
        }
    }
    return last < 0 ? 0 : std::min(last + 2, prizes);
}
} // namespace

QString resumeEveningText(const TUnsavedEvening& evening)
{
    const auto& [adi, hediye] = evening.winners.constLast();
    QString text = QStringLiteral("Önceki çalışmada çekilen %1 kazanan \"Kaydet\" ile kaydedilmemiş (son kazanan: %2, "
                                  "%3). Bu çekilişe kaldığı yerden devam etmek istiyor musunuz?\r\n"
                                  "Evet: kazananlar listeye geri alınır, bir daha kazanamaz.\r\n"
                                  "Hayır: liste boş başlar; kazananlar \"%4\" dosyasında kalır.")
                       .arg(evening.winners.size())
                       .arg(Cp1254::toUnicode(adi), Cp1254::toUnicode(hediye), QDir::toNativeSeparators(evening.file));
    if (evening.shown < evening.winners.size())
        text += QStringLiteral("\r\nSon kazananın adı gösterilirken program kapanmıştı; salondakiler adın tamamını "
                               "görmemiş olabilir.");
    return text;
}

void offerToResumeEvening(const QString& dataFolder, TDrawJournal& journal, TRxMemoryData& Kzn_T,
                          const TRxMemoryData& Hediye_T, TSpinEdit* SpinEdit1, TEveningLog* log)
{
    const std::optional<TUnsavedEvening> evening = TDrawJournal::findUnsaved(dataFolder);
    if (!evening)
        return;
    if (AskSoru(resumeEveningText(*evening)) != mrYes)
    {
        TDrawJournal::decline(evening->file);
        return;
    }
    {
        TControlsSuspension quiet(Kzn_T);
        for (const auto& [adi, hediye] : evening->winners)
        {
            Kzn_T.append();
            Kzn_T.setFieldBytes(ADI, adi);
            Kzn_T.setFieldBytes(HEDIYE, hediye);
            Kzn_T.post();
        }
    }
    if (const int next = nextPrizeNumber(*evening, Hediye_T); next > 0 && SpinEdit1)
        SpinEdit1->setValue(next);
    journal.resume(*evening);
    if (log)
        log->resumed(int(evening->winners.size()), evening->shown);
}
