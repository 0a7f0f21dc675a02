#include "NameIndex.h"

#include "HugePages.h"

#include <QHash>
#include <algorithm>

quint32 TNameIndex::hashOf(QByteArrayView name)
{
    const size_t h = qHash(name, 0);
    return static_cast<quint32>(h ^ (h >> 32));
}

TNameIndex::TNameIndex()
{
    m_entries.resize(16);
}

void TNameIndex::clear()
{
    m_entries.assign(16, Entry{});
    m_count = 0;
}

void TNameIndex::reserve(size_t count)
{
    size_t size = m_entries.size();
    while (count * 2 > size)
        size *= 2;
    if (size > m_entries.size())
        rehash(size);
}

void TNameIndex::insert(quint32 hash, quint32 id)
{
    if ((m_count + 1) * 2 > m_entries.size())
        rehash(m_entries.size() * 2);
    place(Entry{hash, id + 1});
    ++m_count;
}

void TNameIndex::remove(quint32 hash, quint32 id)
{
    const size_t mask = m_entries.size() - 1;
    size_t i = hash & mask;
    while (m_entries[i].idPlus1 != 0)
    {
        if (m_entries[i].idPlus1 == id + 1)
        {
            eraseAt(i);
            --m_count;
            return;
        }
        i = (i + 1) & mask;
    }
}

// Entries are first grouped by the high bits of their home bucket (a counting sort), so placing
// them touches one small stretch of the table at a time, where one-by-one insertion would miss
// the cache on nearly every record.
void TNameIndex::build(const std::vector<std::pair<quint32, quint32>>& hashAndId)
{
    int bits = 4;
    while ((size_t(1) << bits) < hashAndId.size() * 2 + 2)
        ++bits;
    const size_t size = size_t(1) << bits;
    const size_t mask = size - 1;
    const int groupBits = std::min(bits, 12);
    const int shift = bits - groupBits;
    std::vector<size_t> start((size_t(1) << groupBits) + 1, 0);
    for (const auto& e : hashAndId)
        ++start[((e.first & mask) >> shift) + 1];
    for (size_t g = 1; g < start.size(); ++g)
        start[g] += start[g - 1];
    std::vector<Entry> grouped(hashAndId.size());
    for (const auto& [hash, id] : hashAndId)
        grouped[start[(hash & mask) >> shift]++] = Entry{hash, id + 1};

    m_entries = zeroedEntries(size);
    for (const Entry& e : grouped)
        place(e);
    m_count = grouped.size();
}

std::vector<TNameIndex::Entry> TNameIndex::zeroedEntries(size_t size)
{
    std::vector<Entry> table;
    table.reserve(size);
    adviseHugePages(table.data(), size * sizeof(Entry)); // before the pages are first touched
    table.resize(size);
    return table;
}

void TNameIndex::place(Entry e)
{
    const size_t mask = m_entries.size() - 1;
    size_t i = e.hash & mask;
    while (m_entries[i].idPlus1 != 0)
        i = (i + 1) & mask;
    m_entries[i] = e;
}

void TNameIndex::rehash(size_t size)
{
    std::vector<Entry> old = zeroedEntries(size);
    old.swap(m_entries);
    for (const Entry& e : old)
        if (e.idPlus1 != 0)
            place(e);
}

// Backward-shift deletion keeps every probe chain unbroken without tombstones.
void TNameIndex::eraseAt(size_t hole)
{
    const size_t mask = m_entries.size() - 1;
    size_t i = hole;
    for (;;)
    {
        i = (i + 1) & mask;
        if (m_entries[i].idPlus1 == 0)
            break;
        const size_t home = m_entries[i].hash & mask;
        // Move the entry into the hole unless its home lies cyclically in (hole, i].
        const bool homeBetween = hole <= i ? (home > hole && home <= i) : (home > hole || home <= i);
        if (!homeBetween)
        {
            m_entries[hole] = m_entries[i];
            hole = i;
        }
    }
    m_entries[hole] = Entry{};
}
