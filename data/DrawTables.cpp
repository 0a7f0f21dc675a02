#include "DrawTables.h"

#include "DataSource.h"
#include "EAbort.h"
#include "KisiRules.h"
#include "Messages.h"
#include "RxMemoryData.h"

TRxMemoryData& defineKisi(TRxMemoryData& t)
{
    t.addStringField(QStringLiteral("ADI"), 40);
    t.addStringField(QStringLiteral("IL_ILCE"), 40);
    return t;
}

TRxMemoryData& defineHediye(TRxMemoryData& t)
{
    t.addStringField(QStringLiteral("HEDIYE"), 40);
    t.addStringField(QStringLiteral("RESIMYOLU"), 100);
    return t;
}

TRxMemoryData& defineKzn(TRxMemoryData& t)
{
    t.addStringField(QStringLiteral("ADI"), 40);
    t.addStringField(QStringLiteral("HEDIYE"), 40);
    return t;
}

TRxMemoryData& defineRx(TRxMemoryData& t)
{
    t.addIntegerField(QStringLiteral("BASLANGIC"));
    t.addIntegerField(QStringLiteral("BITIS"));
    return t;
}

namespace {
TRxMemoryData* newTable(QObject* owner, const char* name, TRxMemoryData& (*define)(TRxMemoryData&))
{
    auto* table = new TRxMemoryData(owner);
    table->setObjectName(QLatin1String(name));
    return &define(*table);
}

TDataSource* newSource(QObject* owner, const char* name, TRxMemoryData* table)
{
    auto* source = new TDataSource(table, owner);
    source->setObjectName(QLatin1String(name));
    return source;
}
} // namespace

TDrawTables::TDrawTables(QObject* parent)
    : QObject(parent), Kisi_T(newTable(this, "Kisi_T", defineKisi)), Hediye_T(newTable(this, "Hediye_T", defineHediye)),
      Kzn_T(newTable(this, "Kzn_T", defineKzn)), Rx_T(newTable(this, "Rx_T", defineRx)),
      Kisi_S(newSource(this, "Kisi_S", Kisi_T)), Hediye_S(newSource(this, "Hediye_S", Hediye_T)),
      Kzn_S(newSource(this, "Kzn_S", Kzn_T)), Rx_S(newSource(this, "Rx_S", Rx_T)), Kisi_TADI(Kisi_T->field(0)),
      Kisi_TIL_ILCE(Kisi_T->field(1)), Hediye_THEDIYE(Hediye_T->field(0)), Hediye_TRESIMYOLU(Hediye_T->field(1)),
      Kzn_TADI(Kzn_T->field(0)), Kzn_THEDIYE(Kzn_T->field(1)), Rx_TBASLANGIC(Rx_T->field(0)), Rx_TBITIS(Rx_T->field(1)),
      m_kisiRules(std::make_unique<TKisiRules>(*Kisi_T, [this] { return m_definitionsOpen; }))
{
    m_kisiRules->install();
    Rx_T->BeforePost = &TDrawTables::Rx_TBeforePost;
}

// The rules leave the participant table before the tables go with this object.
TDrawTables::~TDrawTables() = default;

void TDrawTables::Rx_TBeforePost(TRxMemoryData& table)
{
    // An empty field reads as 0, so a row left blank is caught by the first two tests.
    const qint32 first = table.fieldAsInteger(u"BASLANGIC");
    const qint32 last = table.fieldAsInteger(u"BITIS");
    if (first <= 0)
    {
        ShowBilgi(QStringLiteral("Başlangıç değerini giriniz."));
        Abort();
    }
    if (last <= 0)
    {
        ShowBilgi(QStringLiteral("Bitiş değerini giriniz."));
        Abort();
    }
    if (last < first)
    {
        ShowBilgi(QStringLiteral("Bitiş değeri Başlangıç değerinden büyük olmalıdır."));
        Abort();
    }
}
