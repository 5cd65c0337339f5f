// Fixed-size records copied by value into one heap block that grows by a
// fixed step, addressed by a 1-based index. Configured once in its life;
// Clear keeps the configuration. Add returns the new index, 0 for a null
// record, -1 when the heap refuses and -2 before Configure.
#pragma once

class CRecordArray {
public:
    CRecordArray() = default;
    virtual ~CRecordArray();
    CRecordArray(const CRecordArray&) = delete;
    CRecordArray& operator=(const CRecordArray&) = delete;

    // 1 when configured now; 0 when already configured or an argument is <= 0.
    int Configure(int recordSize, int growthStep);
    int Add(const void* record);
    // The record with that index, or nullptr. Valid until the next Add or Clear.
    void* Get(int index) const;
    void Clear();
    unsigned GetCount() const { return m_count; }
    unsigned GetCapacity() const { return m_capacity; }

private:
    unsigned char* m_data = nullptr;
    unsigned char* m_next = nullptr;
    unsigned m_capacity = 0;
    unsigned m_count = 0;
    int m_recordSize = 0;
    int m_growthStep = 0;
};
