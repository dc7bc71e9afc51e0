// The foundation library's string: 8-bit or 16-bit ("unicode") characters in a reference-
// counted block that copies share until one of them writes (copy on write). Empty strings
// share one process-wide empty block. Strings belong to one thread: counts are not atomic.
#pragma once

#include <cstdint>

// Header of a character block; the characters follow it directly in the same allocation.
struct CJStringData {
    std::uint32_t m_RefCount;
    // 8-bit block: characters that fit before the terminator slot. 16-bit block: twice that
    // number plus one, so the character capacity is this value shifted right by one.
    std::uint32_t m_Capacity;
    bool m_bUnicode;

    char* Chars() { return reinterpret_cast<char*>(this + 1); }
    char const* Chars() const { return reinterpret_cast<char const*>(this + 1); }
    unsigned short* Units() { return reinterpret_cast<unsigned short*>(this + 1); }
    unsigned short const* Units() const {
        return reinterpret_cast<unsigned short const*>(this + 1);
    }
    std::uint32_t CharacterCapacity() const { return m_bUnicode ? m_Capacity >> 1 : m_Capacity; }
};

class CJString {
public:
    CJString();
    CJString(CJString const& other);
    CJString(char const* text);
    CJString(char const* text, unsigned int count);
    CJString(unsigned short const* text, unsigned int count);
    ~CJString();

    // Block management.
    void TerminateReference();
    void AllocateData(unsigned int count, bool wide);
    void AllocateAndSetData(char const* text, unsigned int count);
    void AllocateAndSetData(unsigned short const* text, unsigned int count);
    static CJStringData* GetGlobalEmptyString();
    void ExpandReplaceUnique(unsigned int count);
    void ExpandPreserveUnique(unsigned int count);

    // Reading.
    char const* GetCharPtr() const;
    bool IsEmpty() const;
    bool ContainsSomething() const { return !IsEmpty(); }
    unsigned int GetLen() const;
    unsigned short GetUnicode(unsigned int index) const;
    unsigned int GetAvailableSpaceLeftInBuffer() const;
    CJString Mid(unsigned int start, unsigned int count) const;
    bool IsUnicode() const { return m_pData->m_bUnicode; }
    unsigned int GetCapacity() const { return m_pData->CharacterCapacity(); }
    CJStringData const* GetData() const { return m_pData; }

    // Writing.
    char* GetBuffer(unsigned int count);
    unsigned short* GetUnicodeBuffer(unsigned int count);
    char* GetBufferDiscardOldData(unsigned int count);
    // Terminates the text at count; the default (all bits set) means at the current length.
    void ReleaseBuffer(unsigned int count = 0xFFFFFFFFu);
    void SetCharacter(unsigned int index, unsigned short character);
    void ConvertToUnicode();
    void Set(CJString const& other);
    CJString& operator=(CJString const& other);
    void Empty();
    void EmptyContentsButPreserveBuffer();
    void Set(char const* text, unsigned int count);
    void Set(char const* text);
    CJString& operator=(char const* text);
    void Set(CJString const& other, unsigned int count);
    void Concatenate(CJString const& other, unsigned int count);
    CJString& operator+=(CJString const& other);
    void Concatenate(char const* text, unsigned int count);
    CJString& operator+=(char const* text);
    // printf-style formatting into an 8-bit block sized by GetSprintfResultLen, grown when a
    // conversion the estimate does not know needs more. As with sprintf, the arguments must not
    // point into this string's own characters.
    void Format(char const* format, ...) __attribute__((format(printf, 2, 3)));

    // Splits at the last "/" or "\": directory gets the text before it (not the separator),
    // name the text after it. Either output may be null.
    static void SplitPathName(char const* path, CJString* directory, CJString* name);

private:
    bool IsUnique() const { return m_pData->m_RefCount <= 1; }

    CJStringData* m_pData;
};
