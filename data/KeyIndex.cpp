#include "KeyIndex.h"

#include "Field.h"
#include "RecordStore.h"
#include "TurkishUpper.h"

#include <QVarLengthArray>
#include <cstring>

quint32 TKeyIndex::hashOf(const TRecordStore& store, quint32 slot) const
{
    const QByteArrayView text = m_field.textIn(store.slotData(slot));
    QVarLengthArray<char, 128> upper(text.size());
    if (text.size() > 0)
    {
        std::memcpy(upper.data(), text.data(), static_cast<size_t>(text.size()));
        FUp2InPlace(upper.data(), upper.size());
    }
    return TNameIndex::hashOf(QByteArrayView(upper.constData(), upper.size()));
}

void TKeyIndex::clear()
{
    m_names.clear();
    m_stale = false;
}

void TKeyIndex::defer()
{
    m_stale = true;
}

void TKeyIndex::buildIfStale(const TRecordStore& store)
{
    if (!m_stale)
        return;
    std::vector<std::pair<quint32, quint32>> entries;
    entries.reserve(static_cast<size_t>(store.count()));
    for (int p = 0; p < store.count(); ++p)
        entries.emplace_back(hashOf(store, store.slotAt(p)), store.slotAt(p));
    m_names.build(entries);
    m_stale = false;
}

int TKeyIndex::count(const TRecordStore& store, const QByteArray& upperKey, int limit)
{
    if (limit <= 0)
        return 0;
    buildIfStale(store);
    return m_names.count(
        TNameIndex::hashOf(upperKey), [&](quint32 slot) { return m_field.upperTextIs(store.slotData(slot), upperKey); },
        limit);
}

int TKeyIndex::countExact(const TRecordStore& store, const QByteArray& text, int limit)
{
    if (limit <= 0)
        return 0;
    buildIfStale(store);
    // Texts equal byte for byte are equal upper-cased too, so they are filed under the same hash.
    return m_names.count(
        TNameIndex::hashOf(FUp2(text)),
        [&](quint32 slot) { return m_field.textIn(store.slotData(slot)) == QByteArrayView(text); }, limit);
}
