#pragma once

#include <QtGlobal>
#include <cstddef>
#include <vector>

// Record images in slots of one contiguous block, and the table order as a list of slot
// numbers. A slot never moves while its record lives, so an index can refer to it; slots of
// deleted records are reused. Each slot also keeps the identity of its record.
class TRecordStore
{
public:
    explicit TRecordStore(int recordSize) : m_recordSize(static_cast<std::size_t>(recordSize)) {}
    ~TRecordStore();
    TRecordStore(const TRecordStore&) = delete;
    TRecordStore& operator=(const TRecordStore&) = delete;

    int count() const { return static_cast<int>(m_order.size()); }
    quint32 slotAt(int position) const { return m_order[static_cast<std::size_t>(position)]; }
    char* slotData(quint32 slot) { return m_data + slot * m_recordSize; }
    const char* slotData(quint32 slot) const { return m_data + slot * m_recordSize; }
    const char* at(int position) const { return slotData(slotAt(position)); }
    quint32 idAt(int position) const { return m_ids[slotAt(position)]; }

    int positionOfId(quint32 id) const; // -1 when no stored record has it

    void reserve(std::size_t records);
    // Stores a copy of the image at position and answers its slot.
    quint32 insertAt(int position, const char* image, quint32 id);
    void removeAt(int position);

private:
    void grow(std::size_t capacity);

    std::size_t m_recordSize;
    char* m_data = nullptr;
    std::size_t m_capacity = 0; // slots
    std::size_t m_used = 0;     // slots ever handed out
    std::vector<quint32> m_order;
    std::vector<quint32> m_ids; // per slot
    std::vector<quint32> m_free;
};
