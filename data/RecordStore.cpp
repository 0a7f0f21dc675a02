#include "RecordStore.h"

#include "HugePages.h"

#include <QtGlobal>
#include <cstdlib>
#include <cstring>
#include <new>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {
#ifdef Q_OS_LINUX
std::size_t pageRounded(std::size_t bytes)
{
    static const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}
#endif
} // namespace

TRecordStore::~TRecordStore()
{
#ifdef Q_OS_LINUX
    if (m_data)
        munmap(m_data, pageRounded(m_capacity * m_recordSize));
#else
    std::free(m_data);
#endif
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
// On Linux the block is mapped memory that grows by remapping its pages: no record is copied,
// so a store costs the same whether the table holds a thousand records or a million (growing
// through the heap copied the whole table each time).
void TRecordStore::grow(size_t capacity)
{
#ifdef Q_OS_LINUX
    const std::size_t oldBytes = pageRounded(m_capacity * m_recordSize);
    const std::size_t newBytes = pageRounded(capacity * m_recordSize);
    void* p = m_data ? mremap(m_data, oldBytes, newBytes, MREMAP_MAYMOVE)
                     : mmap(nullptr, newBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    capacity = newBytes / m_recordSize;
#ifdef MADV_HUGEPAGE
    // Over the whole mapping: advice over part of it would split it, and a split mapping
    // cannot be remapped as one.
    madvise(p, newBytes, MADV_HUGEPAGE);
#endif
    m_data = static_cast<char*>(p);
    m_capacity = capacity;
#else
    void* p = std::realloc(m_data, capacity * m_recordSize);
    if (!p)
        throw std::bad_alloc();
    m_data = static_cast<char*>(p);
    m_capacity = capacity;
    adviseHugePages(m_data, capacity * m_recordSize);
#endif
}
