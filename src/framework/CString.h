// A growable wide-character string. Growth that the heap refuses throws the
// framework's CMemoryException; an empty string holds no heap block.
#pragma once

#include "framework/Afx.h"

class CString {
public:
    CString() = default;
    CString(LPCWSTR text);
    CString(LPCWSTR text, int length);
    CString(const CString& other);
    CString(CString&& other) noexcept;
    ~CString();

    CString& operator=(LPCWSTR text);
    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    CString& operator+=(LPCWSTR text);
    CString& operator+=(const CString& text);
    CString& operator+=(wchar_t ch);

    operator LPCWSTR() const { return m_data ? m_data : L""; }
    int GetLength() const { return m_length; }
    bool IsEmpty() const { return m_length == 0; }
    wchar_t GetAt(int index) const { return m_data[index]; }
    void Empty();

    void Append(LPCWSTR text, int length);
    void Truncate(int length);
    int Find(wchar_t ch, int start = 0) const;
    int Find(LPCWSTR text, int start = 0) const;
    int ReverseFind(wchar_t ch) const;
    CString Left(int count) const;
    CString Mid(int start) const;
    CString Mid(int start, int count) const;
    int Compare(LPCWSTR text) const { return lstrcmpW(*this, text); }
    void Format(LPCWSTR format, ...);

    // Direct access for APIs that write into a buffer: room for at least
    // minLength characters plus the terminator; ReleaseBuffer(-1) takes the
    // length up to the first NUL.
    LPWSTR GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

    friend bool operator==(const CString& a, LPCWSTR b) { return wcscmp(a, b ? b : L"") == 0; }
    friend bool operator!=(const CString& a, LPCWSTR b) { return !(a == b); }

private:
    void Reserve(int length);

    wchar_t* m_data = nullptr;
    int m_length = 0;
    int m_capacity = 0;  // characters, terminator excluded
};

CString operator+(const CString& a, LPCWSTR b);
