#include "framework/CString.h"

#include <cstdarg>
#include <cwchar>

#include "framework/CMemoryException.h"
#include "framework/Heap.h"

void AfxThrowMemoryException() { throw CMemoryException(); }

CString::CString(LPCWSTR text) { *this = text; }

CString::CString(LPCWSTR text, int length) { Append(text, length); }

CString::CString(const CString& other) { Append(other, other.m_length); }

CString::CString(CString&& other) noexcept
    : m_data(other.m_data), m_length(other.m_length), m_capacity(other.m_capacity)
{
    other.m_data = nullptr;
    other.m_length = other.m_capacity = 0;
}

CString::~CString() { Heap::Free(m_data); }

CString& CString::operator=(LPCWSTR text)
{
    if (text && m_data && text >= m_data && text <= m_data + m_length) {
        CString copy(text);  // assigning a part of ourselves
        return *this = static_cast<CString&&>(copy);
    }
    m_length = 0;
    if (m_data) m_data[0] = 0;
    if (text) Append(text, static_cast<int>(wcslen(text)));
    return *this;
}

CString& CString::operator=(const CString& other)
{
    if (this != &other) *this = static_cast<LPCWSTR>(other);
    return *this;
}

CString& CString::operator=(CString&& other) noexcept
{
    if (this != &other) {
        Heap::Free(m_data);
        m_data = other.m_data;
        m_length = other.m_length;
        m_capacity = other.m_capacity;
        other.m_data = nullptr;
        other.m_length = other.m_capacity = 0;
    }
    return *this;
}

CString& CString::operator+=(LPCWSTR text)
{
    if (text) Append(text, static_cast<int>(wcslen(text)));
    return *this;
}

CString& CString::operator+=(const CString& text)
{
    Append(text, text.m_length);
    return *this;
}

CString& CString::operator+=(wchar_t ch)
{
    Append(&ch, 1);
    return *this;
}

void CString::Empty()
{
    Heap::Free(m_data);
    m_data = nullptr;
    m_length = m_capacity = 0;
}

void CString::Reserve(int length)
{
    if (length <= m_capacity) return;
    int capacity = m_capacity + m_capacity / 2;
    if (capacity < length) capacity = length;
    void* grown = Heap::Reallocate(m_data, (static_cast<size_t>(capacity) + 1) * sizeof(wchar_t));
    if (!grown) AfxThrowMemoryException();
    m_data = static_cast<wchar_t*>(grown);
    m_capacity = capacity;
}

void CString::Append(LPCWSTR text, int length)
{
    if (!text || length <= 0) return;
    if (m_data && text >= m_data && text <= m_data + m_length) {
        CString copy(text, length);  // appending a part of ourselves
        Append(copy, copy.m_length);
        return;
    }
    Reserve(m_length + length);
    wmemcpy(m_data + m_length, text, length);
    m_length += length;
    m_data[m_length] = 0;
}

void CString::Truncate(int length)
{
    if (length >= 0 && length < m_length) {
        m_length = length;
        m_data[length] = 0;
    }
}

int CString::Find(wchar_t ch, int start) const
{
    for (int i = start < 0 ? 0 : start; i < m_length; ++i)
        if (m_data[i] == ch) return i;
    return -1;
}

int CString::Find(LPCWSTR text, int start) const
{
    if (start < 0 || start > m_length || !text) return -1;
    const wchar_t* hit = wcsstr(static_cast<LPCWSTR>(*this) + start, text);
    return hit ? static_cast<int>(hit - m_data) : -1;
}

int CString::ReverseFind(wchar_t ch) const
{
    for (int i = m_length - 1; i >= 0; --i)
        if (m_data[i] == ch) return i;
    return -1;
}

CString CString::Left(int count) const
{
    if (count < 0) count = 0;
    return CString(*this, count < m_length ? count : m_length);
}

CString CString::Mid(int start) const { return Mid(start, m_length); }

CString CString::Mid(int start, int count) const
{
    if (start < 0) start = 0;
    if (start >= m_length || count <= 0) return CString();
    if (count > m_length - start) count = m_length - start;
    return CString(static_cast<LPCWSTR>(*this) + start, count);
}

void CString::Format(LPCWSTR format, ...)
{
    va_list args;
    va_start(args, format);
    va_list counting;
    va_copy(counting, args);
    int length = _vscwprintf(format, counting);
    va_end(counting);
    Empty();
    if (length > 0) {
        Reserve(length);
        _vsnwprintf(m_data, static_cast<size_t>(length) + 1, format, args);
        m_data[length] = 0;
        m_length = length;
    }
    va_end(args);
}

LPWSTR CString::GetBuffer(int minLength)
{
    int needed = minLength > m_length ? minLength : m_length;
    Reserve(needed > 0 ? needed : 1);
    if (m_length == 0) m_data[0] = 0;
    return m_data;
}

void CString::ReleaseBuffer(int newLength)
{
    if (!m_data) return;
    if (newLength < 0) newLength = static_cast<int>(wcsnlen(m_data, static_cast<size_t>(m_capacity) + 1));
    if (newLength > m_capacity) newLength = m_capacity;
    m_length = newLength;
    m_data[m_length] = 0;
}

CString operator+(const CString& a, LPCWSTR b)
{
    CString result(a);
    result += b;
    return result;
}
