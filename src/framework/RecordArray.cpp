#include "framework/RecordArray.h"

#include <cstring>

#include "framework/Heap.h"

CRecordArray::~CRecordArray() { Clear(); }

void CRecordArray::Clear()
{
    Heap::Free(m_data);
    m_data = m_next = nullptr;
    m_capacity = m_count = 0;
}

int CRecordArray::Configure(int recordSize, int growthStep)
{
    if (m_recordSize || m_growthStep || recordSize <= 0 || growthStep <= 0) return 0;
    Clear();
    m_recordSize = recordSize;
    m_growthStep = growthStep;
    return 1;
}

int CRecordArray::Add(const void* record)
{
    if (!m_recordSize || !m_growthStep) return -2;
    if (!record) return 0;
    const size_t size = static_cast<size_t>(m_recordSize);

    if (!m_data) {
        m_data = static_cast<unsigned char*>(Heap::Allocate(size * static_cast<size_t>(m_growthStep)));
        if (!m_data) {
            m_next = nullptr;
            m_capacity = m_count = 0;
            return -1;
        }
        m_capacity = static_cast<unsigned>(m_growthStep);
        m_count = 0;
        m_next = m_data;
    }

    if (m_count >= m_capacity) {
        size_t capacity = static_cast<size_t>(m_capacity) + static_cast<size_t>(m_growthStep);
        void* grown = Heap::Reallocate(m_data, size * capacity);
        if (!grown) return -1;
        m_data = static_cast<unsigned char*>(grown);
        m_capacity = static_cast<unsigned>(capacity);
        m_next = m_data + static_cast<size_t>(m_count) * size;
    }

    std::memcpy(m_next, record, size);
    m_next += size;
    return static_cast<int>(++m_count);
}

void* CRecordArray::Get(int index) const
{
    if (index <= 0 || static_cast<unsigned>(index) > m_count) return nullptr;
    return m_data + static_cast<size_t>(index - 1) * static_cast<size_t>(m_recordSize);
}
