#include "framework/StringPool.h"

#include "framework/Heap.h"

CStringPool::~CStringPool() { Clear(); }

void CStringPool::Clear()
{
    Heap::Free(m_text);
    Heap::Free(m_slots);
    m_text = m_end = nullptr;
    m_slots = nullptr;
    m_textCapacity = 0;
    m_count = m_slotCapacity = 0;
}

bool CStringPool::Start()
{
    auto* text = static_cast<wchar_t*>(Heap::Allocate(kTextStep * sizeof(wchar_t)));
    auto* slots = static_cast<wchar_t**>(Heap::Allocate(kSlotStep * sizeof(wchar_t*)));
    if (!text || !slots) {
        Heap::Free(text);
        Heap::Free(slots);
        Clear();
        return false;
    }
    m_text = m_end = text;
    m_textCapacity = kTextStep;
    m_slots = slots;
    m_slotCapacity = kSlotStep;
    m_count = 0;
    return true;
}

// After the text block moved: walk it from its start, one string after the
// terminator of the one before.
void CStringPool::RebuildSlots()
{
    wchar_t* p = m_text;
    for (unsigned i = 0; i < m_count; ++i) {
        m_slots[i] = p;
        p += wcslen(p) + 1;
    }
}

int CStringPool::Add(const wchar_t* s)
{
    if (!s) return 0;
    if (!m_text && !Start()) return -1;

    int length = static_cast<int>(wcslen(s));
    if (length + 1 >= kTextStep) return -2;

    int used = static_cast<int>(m_end - m_text);
    if (length + 1 > m_textCapacity - used) {
        void* grown = Heap::Reallocate(m_text, static_cast<size_t>(m_textCapacity + kTextStep) * sizeof(wchar_t));
        if (!grown) return -1;
        m_text = static_cast<wchar_t*>(grown);
        RebuildSlots();
        m_textCapacity += kTextStep;
        m_end = m_text + used;
    }

    if (m_slotCapacity <= m_count + 1) {
        void* grown = Heap::Reallocate(m_slots, static_cast<size_t>(m_slotCapacity + kSlotStep) * sizeof(wchar_t*));
        if (!grown) return -1;
        m_slots = static_cast<wchar_t**>(grown);
        m_slotCapacity += kSlotStep;
    }

    wmemcpy(m_end, s, static_cast<size_t>(length) + 1);
    m_slots[m_count] = m_end;
    m_end += length + 1;
    return static_cast<int>(++m_count);
}

const wchar_t* CStringPool::Get(int index) const
{
    if (index < 1 || static_cast<unsigned>(index) > m_count) return nullptr;
    return m_slots[index - 1];
}
