#pragma once

#include "NameIndex.h"

#include <QByteArray>

class TField;
class TRecordStore;

// A table's index of one text field's upper-cased (Turkish) text over its stored records,
// which are named by their slots in the record store. A deferred index stops following the
// records and is rebuilt in one pass at its next count: bulk loads defer it, since one pass is
// several times faster than a million single updates.
class TKeyIndex
{
public:
    explicit TKeyIndex(const TField& field) : m_field(field) {}

    void insert(const TRecordStore& store, quint32 slot)
    {
        if (!m_stale)
            m_names.insert(hashOf(store, slot), slot);
    }
    void remove(const TRecordStore& store, quint32 slot)
    {
        if (!m_stale)
            m_names.remove(hashOf(store, slot), slot);
    }
    void reserve(std::size_t records)
    {
        if (!m_stale)
            m_names.reserve(records);
    }
    void clear(); // the store was emptied
    void defer();
    // Stored records whose upper-cased text equals upperKey byte for byte, counted up to limit.
    int count(const TRecordStore& store, const QByteArray& upperKey, int limit);
    // Stored records whose text equals text byte for byte (as stored, not upper-cased).
    int countExact(const TRecordStore& store, const QByteArray& text, int limit);

private:
    quint32 hashOf(const TRecordStore& store, quint32 slot) const;
    void buildIfStale(const TRecordStore& store);

    const TField& m_field;
    TNameIndex m_names;
    bool m_stale = false;
};
