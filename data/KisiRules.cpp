#include "KisiRules.h"

#include "Codec1254.h"
#include "EAbort.h"
#include "Messages.h"
#include "TurkishUpper.h"

bool KisiDeleteConfirm = true;

namespace {
// Clears KisiDeleteConfirm for one deletion and sets it again however the deletion ends.
class DeleteWithoutQuestion
{
public:
    DeleteWithoutQuestion() { KisiDeleteConfirm = false; }
    ~DeleteWithoutQuestion() { KisiDeleteConfirm = true; }
    DeleteWithoutQuestion(const DeleteWithoutQuestion&) = delete;
    DeleteWithoutQuestion& operator=(const DeleteWithoutQuestion&) = delete;
};
} // namespace

TKisiRules::TKisiRules(TRxMemoryData& table, std::function<bool()> definitionsWindowExists)
    : m_table(table), m_definitionsWindowExists(std::move(definitionsWindowExists))
{
    m_nameField = m_table.fieldIndex(u"ADI");
    if (m_nameField >= 0)
        m_table.setKeyIndexField(m_nameField);
}

TKisiRules::~TKisiRules()
{
    if (m_installed)
    {
        m_table.BeforePost = nullptr;
        m_table.AfterPost = nullptr;
        m_table.BeforeDelete = nullptr;
    }
}

void TKisiRules::install()
{
    if (m_nameField < 0)
    {
        m_nameField = m_table.fieldIndex(u"ADI");
        if (m_nameField >= 0)
            m_table.setKeyIndexField(m_nameField);
    }
    m_table.BeforePost = [this](TRxMemoryData& t) { Kisi_TBeforePost(t); };
    m_table.AfterPost = [this](TRxMemoryData& t) { Kisi_TAfterPost(t); };
    m_table.BeforeDelete = [this](TRxMemoryData& t) { Kisi_TBeforeDelete(t); };
    m_installed = true;
}

bool TKisiRules::definitionsWindowExists() const
{
    return m_definitionsWindowExists && m_definitionsWindowExists();
}

int TKisiRules::nameField(const TRxMemoryData& table) const
{
    return &table == &m_table && m_nameField >= 0 ? m_nameField : table.fieldByName(u"ADI")->index();
}

void TKisiRules::Kisi_TBeforePost(TRxMemoryData& table)
{
    if (!definitionsWindowExists())
        return;
    // Only the empty text is refused; blanks are a name, stored as typed.
    if (table.fieldAsBytes(nameField(table)).isEmpty())
    {
        ShowBilgi(QStringLiteral("Kişi Adını giriniz."));
        Abort();
    }
}

void TKisiRules::Kisi_TAfterPost(TRxMemoryData& table)
{
    if (!definitionsWindowExists())
        return;
    const int f = nameField(table);
    const QByteArray key = FUp2(table.fieldAsBytes(f));
    int count = 0;
    if (table.keyIndexField() == f)
    {
        // The record just stored is in the index, so a second hit is an earlier record.
        count = table.countKey(key, 2);
    }
    else
    {
        const TBookmark mark = table.getBookmark();
        TControlsSuspension quiet(table);
        for (table.first(); !table.eof() && count < 2; table.next())
            if (FUp2(table.fieldAsBytes(f)) == key)
                ++count;
        table.gotoBookmark(mark);
        table.freeBookmark(mark);
    }
    if (count < 2)
        return;
    {
        DeleteWithoutQuestion noQuestion;
        table.deleteRecord();
    }
    tellDuplicate(table, key);
}

void TKisiRules::tellDuplicate(TRxMemoryData& table, const QByteArray& key)
{
    const QString message = QLatin1Char('"') + Cp1254::toUnicode(key) + QStringLiteral("\" daha önce tanımlanmış");
    TDuplicateBatch* batch = TDuplicateBatch::activeFor(table);
    if (!batch)
    {
        ShowBilgi(message);
        return;
    }
    ++batch->m_removed;
    if (batch->m_quiet)
        return;
    if (batch->m_removed <= TDuplicateBatch::MessagesBeforeQuestion || batch->m_asked)
    {
        ShowBilgi(message);
        return;
    }
    // The question stands in for this duplicate's message, which it repeats.
    batch->m_asked = true;
    batch->m_quiet =
        AskSoru(message + QStringLiteral(".\r\nBu aktarımda başka tekrar eden adlar da var. Kalan tekrar eden "
                                         "adlar mesaj gösterilmeden atlansın mı?")) == mrYes;
}

namespace {
TDuplicateBatch* activeBatch = nullptr;
} // namespace

TDuplicateBatch::TDuplicateBatch(TRxMemoryData& table) : m_table(table), m_outer(activeBatch)
{
    activeBatch = this;
}

TDuplicateBatch::~TDuplicateBatch()
{
    activeBatch = m_outer;
}

TDuplicateBatch* TDuplicateBatch::activeFor(const TRxMemoryData& table)
{
    for (TDuplicateBatch* batch = activeBatch; batch; batch = batch->m_outer)
        if (&batch->m_table == &table)
            return batch;
    return nullptr;
}

void TKisiRules::Kisi_TBeforeDelete(TRxMemoryData&)
{
    if (KisiDeleteConfirm && AskSoru(QStringLiteral("Bu kişi kaydı silinsin mi?")) != mrYes)
        Abort();
}
