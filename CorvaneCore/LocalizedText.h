// Translatable texts. A global CTranslatedJString holds its English text and, when built,
// queues itself with a note for translators so that a localization table could replace its
// text later. This program loads no table, so every such string keeps its English text.
#pragma once

#include "CorvaneCore/CJString.h"

#include <cstdint>

// A growable array of copyable items; grows by a fifth (at least one item) when full.
template <class T> class CList {
public:
    CList() : m_pItems(nullptr), m_Count(0), m_Capacity(0) {}
    virtual ~CList() {
        delete[] m_pItems;
        m_pItems = nullptr;
        m_Count = 0;
        m_Capacity = 0;
    }
    CList(CList const&) = delete;
    CList& operator=(CList const&) = delete;

    // Appends a copy of item; returns its index.
    std::uint32_t Add(T const& item);
    // Makes room for exactly size items when there is less.
    void GrowToSize(std::uint32_t size);
    // Forgets the items and keeps the storage.
    void Zero() { m_Count = 0; }

    std::uint32_t GetCount() const { return m_Count; }
    std::uint32_t GetCapacity() const { return m_Capacity; }
    T const& operator[](std::uint32_t index) const { return m_pItems[index]; }
    T& operator[](std::uint32_t index) { return m_pItems[index]; }

private:
    T* m_pItems;
    std::uint32_t m_Count;
    std::uint32_t m_Capacity;
};

// The capacity a full list grows to: the larger of count + 1 and the capacity times 1.2 in
// single precision, truncated and saturated to 32 bits.
std::uint32_t CListGrownCapacity(std::uint32_t count, std::uint32_t capacity);

template <class T> std::uint32_t CList<T>::Add(T const& item) {
    if (m_Count + 1 > m_Capacity) {
        GrowToSize(CListGrownCapacity(m_Count, m_Capacity));
    }
    m_pItems[m_Count] = item;
    return m_Count++;
}

template <class T> void CList<T>::GrowToSize(std::uint32_t size) {
    if (m_Capacity >= size) {
        return;
    }
    T* items = new T[size];
    for (std::uint32_t i = 0; i < m_Count; ++i) {
        items[i] = m_pItems[i];
    }
    delete[] m_pItems;
    m_pItems = items;
    m_Capacity = size;
}

// A string waiting for its translation and the note for its translator (neither owned).
struct CStringAnnotationPair {
    CJString* m_pString = nullptr;
    char const* m_pAnnotation = nullptr;
};

class CTranslatedJString : public CJString {
public:
    // Queues itself with the annotation unless the English text is empty.
    CTranslatedJString(char const* englishText, char const* annotation, bool flag);
    char const* GetEnglishText() const { return m_pEnglishText; }

private:
    char const* m_pEnglishText;
};

// A message of the editor tools: marked as text, but never queued for translation.
class CTranslatedEditorJString : public CJString {
public:
    CTranslatedEditorJString(char const* englishText, char const* annotation, bool flag);
};

class CLocalizedString {
public:
    CJString m_English;
    // Declared after the English text so that it is destroyed first.
    CJString m_Translation;
};

class CLocalizedText {
public:
    constexpr CLocalizedText() : m_pTable(nullptr), m_Count(0) {}
    ~CLocalizedText() { RemoveTables(); }
    CLocalizedText(CLocalizedText const&) = delete;
    CLocalizedText& operator=(CLocalizedText const&) = delete;

    // Queues string with its annotation when it contains something; flag is not used.
    void QueToBeGottenWhenAvailable(CJString* string, char const* annotation, bool flag);
    // Destroys the table (last entry first) and leaves the holder without one.
    void RemoveTables();
    // Takes ownership of a table made with new[].
    void SetTable(CLocalizedString* table, std::uint32_t count);

    CLocalizedString const* GetTable() const { return m_pTable; }
    std::uint32_t GetCount() const { return m_Count; }

private:
    CLocalizedString* m_pTable;
    std::uint32_t m_Count;
};

extern CLocalizedText LocalizedText;
// The queue of strings waiting for a table; set by every queuing call.
extern CList<CStringAnnotationPair>* pForceAddStrings;

// Markers of the localization text and their lengths, computed at start-up.
extern char const ENGLISH_STRING_DELIMITER[];
extern char const LOCALIZED_STRING_DELIMITER[];
extern char const END_LOCALIZATION_LINE_STRING_DELIMITER[];
extern char const ANNOTATION_FORMAT_STRING[];
extern unsigned int ENGLISH_STRING_DELIMITER_LENGTH;
extern unsigned int LOCALIZED_STRING_DELIMITER_LENGTH;
extern unsigned int END_LOCALIZATION_LINE_STRING_DELIMITER_LENGTH;
// The annotation format's own characters, without its "%s".
extern unsigned int ANNOTATION_FORMAT_STRING_LENGTH;

// Messages of the zip-file layer.
extern CTranslatedEditorJString OpeningZipFilesStatusMessage;
extern CTranslatedEditorJString UnableToOpenZipFileMessage;
extern CTranslatedEditorJString UnableToOpenZipFileMessageTitle;
extern CTranslatedEditorJString DoneOpeningZipsMessage;
extern CTranslatedEditorJString NoZipsFoundMessage;

// Pieces of elapsed-time texts.
extern CTranslatedJString HourMinuteSeparatorString;
extern CTranslatedJString MinuteSecondsSeparatorString;
extern CTranslatedJString DaysAbreviationString;
extern CTranslatedJString MinutesSuffixString;
extern CTranslatedJString SecondsSuffixString;
