#pragma once

#include "RxMemoryData.h"

// The main window's tables field by field, with the names and sizes their stored files have.
// The table is left closed, so a test may add to it or open it: `defineKisi(t).open();`.

// Participants: name and extra information.
inline TRxMemoryData& defineKisi(TRxMemoryData& t)
{
    t.addStringField(QStringLiteral("ADI"), 40);
    t.addStringField(QStringLiteral("IL_ILCE"), 40);
    return t;
}

// Prizes: name and picture path.
inline TRxMemoryData& defineHediye(TRxMemoryData& t)
{
    t.addStringField(QStringLiteral("HEDIYE"), 40);
    t.addStringField(QStringLiteral("RESIMYOLU"), 100);
    return t;
}

// Winners: name and prize.
inline TRxMemoryData& defineKzn(TRxMemoryData& t)
{
    t.addStringField(QStringLiteral("ADI"), 40);
    t.addStringField(QStringLiteral("HEDIYE"), 40);
    return t;
}

// Number ranges left out of the number draw.
inline TRxMemoryData& defineRx(TRxMemoryData& t)
{
    t.addIntegerField(QStringLiteral("BASLANGIC"));
    t.addIntegerField(QStringLiteral("BITIS"));
    return t;
}
