#pragma once

#include <QByteArrayView>
#include <QtGlobal>
#include <utility>
#include <vector>

// A hash index of byte-string names to record identities (any number below 0xFFFFFFFF),
// several identities per name when names repeat. It keeps no copy of the names: a hash hit
// counts only when the caller's check confirms it against the bytes it stores, so an index
// whose names changed behind its back answers from the bytes, never from stale hashes.
// Open addressing with linear probing at most half full; deletion shifts entries back.
class TNameIndex
{
public:
    static quint32 hashOf(QByteArrayView name);

    TNameIndex();

    void clear();
    bool isEmpty() const { return m_count == 0; }
    std::size_t size() const { return m_count; }

    // Room for that many identities without growing on the way.
    void reserve(std::size_t count);
    // The hash given to insert is the one remove and count need for the same name.
    void insert(quint32 hash, quint32 id);
    void remove(quint32 hash, quint32 id); // nothing when id is not filed under hash
    // Replaces the contents with these (hash, id) pairs in one pass.
    void build(const std::vector<std::pair<quint32, quint32>>& hashAndId);

    // Identities filed under hash that matches(id) confirms, counted up to limit.
    template <class Matches> int count(quint32 hash, Matches matches, int limit) const
    {
        const std::size_t mask = m_entries.size() - 1;
        int n = 0;
        for (std::size_t i = hash & mask; m_entries[i].idPlus1 != 0 && n < limit; i = (i + 1) & mask)
            if (m_entries[i].hash == hash && matches(m_entries[i].idPlus1 - 1))
                ++n;
        return n;
    }
    template <class Matches> bool contains(quint32 hash, Matches matches) const { return count(hash, matches, 1) > 0; }

private:
    struct Entry
    {
        quint32 hash = 0;
        quint32 idPlus1 = 0; // 0: empty bucket
    };

    static std::vector<Entry> zeroedEntries(std::size_t size);
    void place(Entry e);
    void rehash(std::size_t size);
    void eraseAt(std::size_t hole);

    std::vector<Entry> m_entries;
    std::size_t m_count = 0;
};
