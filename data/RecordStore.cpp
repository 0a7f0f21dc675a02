#include "RecordStore.h"

#include "HugePages.h"

#include <cstdlib>
#include <cstring>
#include <new>

TRecordStore::~TRecordStore()
{
    std::free(m_data);
}

int TRecordStore::positionOfId(quint32 id) const
{
    for (size_t i = 0; i < m_order.size(); ++i)
        if (m_ids[m_order[i]] == id)
            return static_cast<int>(i);
    return -1;
}

void TRecordStore::reserve(size_t records)
{
    if (records > m_capacity)
        grow(records);
    m_order.reserve(records);
    m_ids.reserve(records);
}

quint32 TRecordStore::insertAt(int position, const char* image, quint32 id)
{
    quint32 slot;
    if (!m_free.empty())
    {
        slot = m_free.back();
        m_free.pop_back();
    }
    else
    {
        if (m_used == m_capacity)
            grow(m_capacity < 64 ? 64 : m_capacity + m_capacity / 4);
        m_ids.push_back(0);
        slot = static_cast<quint32>(m_used++);
    }
    try
    {
        m_order.insert(m_order.begin() + position, slot);
    }
    catch (...)
    {
        m_free.push_back(slot);
        throw;
    }
    std::memcpy(slotData(slot), image, m_recordSize);
    m_ids[slot] = id;
    return slot;
}

void TRecordStore::removeAt(int position)
{
    const quint32 slot = slotAt(position);
    m_order.erase(m_order.begin() + position);
    m_free.push_back(slot);
}

// Grows by a quarter, not by doubling, so a large table never holds much more than it uses.
void TRecordStore::grow(size_t capacity)
{
    void* p = std::realloc(m_data, capacity * m_recordSize);
    if (!p)
        throw std::bad_alloc();
    m_data = static_cast<char*>(p);
    m_capacity = capacity;
    adviseHugePages(m_data, capacity * m_recordSize);
}
