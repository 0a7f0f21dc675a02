#pragma once

#include <QObject>
#include <QStringView>
#include <memory>

class TDataSource;
class TField;
class TKisiRules;
class TRxMemoryData;

// The four tables field by field, with the names and sizes their stored files have. Each
// leaves the table closed, so a caller may add to it or open it: `defineKisi(t).open();`.

// Participants: name and extra information.
TRxMemoryData& defineKisi(TRxMemoryData& t);
// Prizes: name and picture path.
TRxMemoryData& defineHediye(TRxMemoryData& t);
// Winners: name and prize.
TRxMemoryData& defineKzn(TRxMemoryData& t);
// Number ranges left out of the number draw.
TRxMemoryData& defineRx(TRxMemoryData& t);

// One column of a grid showing a table: its field, title, width in pixels and whether its
// cells carry an ellipsis button. The windows turn these into their grids' columns.
struct TColumnLayout
{
    QStringView FieldName;
    QStringView Title;
    int Width;
    bool EllipsisButton = false;
};

// The participants, prizes, winners and excluded ranges of one run, their data sources and
// their record rules. The main window owns it for the whole run and hands it to the windows it
// opens. The participant rules refuse an empty name and remove a duplicate only while the
// definitions window is open (setDefinitionsOpen); the delete question and the row rule of the
// excluded ranges always act.
class TDrawTables : public QObject
{
    Q_OBJECT

public:
    explicit TDrawTables(QObject* parent = nullptr);
    ~TDrawTables() override;

    bool definitionsOpen() const { return m_definitionsOpen; }
    void setDefinitionsOpen(bool open) { m_definitionsOpen = open; }

    // The before-post event of Rx_T: shows why a row is refused and throws EAbort, which the
    // table passes to whoever asked it to store the row.
    static void Rx_TBeforePost(TRxMemoryData& table);

    // The columns of the definitions window's grids and of the main window's.
    static constexpr TColumnLayout KisiColumns[] = {{u"ADI", u"Adı Soyadı", 195}, {u"IL_ILCE", u"Ek Bilgi", 148}};
    static constexpr TColumnLayout HediyeColumns[] = {{u"HEDIYE", u"Hediye Bilgisi", 160},
                                                      {u"RESIMYOLU", u"Resim Yolu", 185, true}};
    static constexpr TColumnLayout KznColumns[] = {{u"ADI", u"Kişi", 110}, {u"HEDIYE", u"Ödül", 115}};
    static constexpr TColumnLayout RxColumns[] = {{u"BASLANGIC", u"Başlangıç Değeri", 110},
                                                  {u"BITIS", u"Bitiş Değeri", 110}};

    TRxMemoryData* const Kisi_T;
    TRxMemoryData* const Hediye_T;
    TRxMemoryData* const Kzn_T;
    TRxMemoryData* const Rx_T;
    TDataSource* const Kisi_S;
    TDataSource* const Hediye_S;
    TDataSource* const Kzn_S;
    TDataSource* const Rx_S;
    TField* const Kisi_TADI;
    TField* const Kisi_TIL_ILCE;
    TField* const Hediye_THEDIYE;
    TField* const Hediye_TRESIMYOLU;
    TField* const Kzn_TADI;
    TField* const Kzn_THEDIYE;
    TField* const Rx_TBASLANGIC;
    TField* const Rx_TBITIS;

private:
    std::unique_ptr<TKisiRules> m_kisiRules;
    bool m_definitionsOpen = false;
};
