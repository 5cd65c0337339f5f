// Wide strings stored back to back in one heap block and addressed by a
// 1-based index. Entries are only appended; the pool is emptied at once.
// Add returns the new index, 0 for a null string, -1 when the heap refuses
// and -2 for a string too long to store.
#pragma once

#include <cwchar>

class CStringPool {
public:
    static constexpr int kTextStep = 4096;     // characters
    static constexpr unsigned kSlotStep = 1024;
    static constexpr int kLongestString = kTextStep - 2;

    CStringPool() = default;
    virtual ~CStringPool();
    CStringPool(const CStringPool&) = delete;
    CStringPool& operator=(const CStringPool&) = delete;

    int Add(const wchar_t* s);
    // The string with that index, or nullptr. Valid until the next Add or Clear.
    const wchar_t* Get(int index) const;
    void Clear();
    unsigned GetCount() const { return m_count; }

private:
    bool Start();
    void RebuildSlots();

    wchar_t* m_text = nullptr;
    wchar_t* m_end = nullptr;
    int m_textCapacity = 0;
    wchar_t** m_slots = nullptr;
    unsigned m_count = 0;
    unsigned m_slotCapacity = 0;
};
