#include "CorvaneCore/CJString.h"

#include "CorvaneCore/FileUtils.h"
#include "CorvaneCore/LocalizedText.h"
#include "CorvaneCore/TextHelpers.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// The localized-text globals and the random generators must be built in every program of the
// library, but nothing reads them, so a static link would leave their object file out. This
// reference brings it in wherever strings are used (see LocalizedText.cpp).
[[gnu::used]] CList<CStringAnnotationPair>** const s_ppLinkLocalizedText = &pForceAddStrings;

// The largest character capacity a block may have: a 16-bit block stores twice the capacity
// plus one in its 32-bit capacity field.
constexpr unsigned int MAX_CHARACTER_CAPACITY = 0x7FFFFFFEu;

// There is no way to return an error from the string operations, so running out of memory
// (or asking for a capacity the block header cannot describe) ends the program with a line
// that says why, rather than with an exception nobody catches or a corrupted block.
[[noreturn]] void failAllocation(unsigned long long characters, bool wide) {
    std::fprintf(stderr, "CJString: cannot allocate a block of %llu %s characters\n", characters,
                 wide ? "16-bit" : "8-bit");
    std::abort();
}

unsigned int addCapacities(unsigned int a, unsigned int b, bool wide) {
    unsigned long long sum = static_cast<unsigned long long>(a) + b;
    if (sum > MAX_CHARACTER_CAPACITY) {
        failAllocation(sum, wide);
    }
    return static_cast<unsigned int>(sum);
}

CJStringData* allocateBlock(unsigned int count, bool wide) {
    if (count > MAX_CHARACTER_CAPACITY) {
        failAllocation(count, wide);
    }
    std::size_t unit = wide ? sizeof(unsigned short) : sizeof(char);
    std::size_t bytes = sizeof(CJStringData) + (static_cast<std::size_t>(count) + 1) * unit;
    void* memory = ::operator new(bytes, std::nothrow);
    if (!memory) {
        failAllocation(count, wide);
    }
    auto* block = new (memory) CJStringData;
    block->m_RefCount = 1;
    block->m_Capacity = wide ? count * 2 + 1 : count;
    block->m_bUnicode = wide;
    // The terminator slot is always 0; so is the first character, so that a fresh block reads
    // as empty text until someone writes into it.
    if (wide) {
        block->Units()[count] = 0;
        block->Units()[0] = 0;
    } else {
        block->Chars()[count] = 0;
        block->Chars()[0] = 0;
    }
    return block;
}

void releaseBlock(CJStringData* block) {
    if (--block->m_RefCount == 0) {
        block->~CJStringData();
        ::operator delete(block);
    }
}

// The empty block must be followed directly by its one (terminator) character, as every
// allocated block is.
struct EmptyBlock {
    CJStringData header;
    unsigned short terminator;
};
static_assert(offsetof(EmptyBlock, terminator) == sizeof(CJStringData));

} // namespace

CJStringData* CJString::GetGlobalEmptyString() {
    // Constant-initialised, so it exists before any global string is built; its count starts
    // at 1 so that it can never fall to 0 and be freed.
    static EmptyBlock s_EmptyBlock = {{1, 0, false}, 0};
    return &s_EmptyBlock.header;
}

CJString::CJString() : m_pData(GetGlobalEmptyString()) {
    ++m_pData->m_RefCount;
}

CJString::CJString(CJString const& other) : m_pData(other.m_pData) {
    ++m_pData->m_RefCount;
}

CJString::CJString(char const* text) : m_pData(nullptr) {
    if (!text || *text == '\0') {
        m_pData = GetGlobalEmptyString();
        ++m_pData->m_RefCount;
        return;
    }
    std::size_t length = std::strlen(text);
    if (length > MAX_CHARACTER_CAPACITY) {
        failAllocation(length, false);
    }
    AllocateAndSetData(text, static_cast<unsigned int>(length));
}

CJString::CJString(char const* text, unsigned int count) : m_pData(nullptr) {
    if (!text || count == 0) {
        m_pData = GetGlobalEmptyString();
        ++m_pData->m_RefCount;
        return;
    }
    AllocateAndSetData(text, count);
}

CJString::CJString(unsigned short const* text, unsigned int count) : m_pData(nullptr) {
    if (!text || count == 0) {
        m_pData = GetGlobalEmptyString();
        ++m_pData->m_RefCount;
        return;
    }
    AllocateAndSetData(text, count);
}

CJString::~CJString() {
    if (m_pData) {
        TerminateReference();
        m_pData = nullptr;
    }
}

void CJString::TerminateReference() {
    releaseBlock(m_pData);
}

void CJString::AllocateData(unsigned int count, bool wide) {
    m_pData = allocateBlock(count, wide);
}

void CJString::AllocateAndSetData(char const* text, unsigned int count) {
    AllocateData(count, false);
    // As strncpy: the copy stops at a NUL of the source and the rest is zero-filled.
    char* chars = m_pData->Chars();
    std::size_t copied = strnlen(text, count);
    std::memcpy(chars, text, copied);
    std::memset(chars + copied, 0, count - copied);
}

void CJString::AllocateAndSetData(unsigned short const* text, unsigned int count) {
    AllocateData(count, true);
    CWide::Strncpy(m_pData->Units(), text, count);
}

void CJString::ExpandReplaceUnique(unsigned int count) {
    if (m_pData->CharacterCapacity() >= count && IsUnique()) {
        return;
    }
    bool wide = m_pData->m_bUnicode;
    TerminateReference();
    AllocateData(count, wide);
}

void CJString::ExpandPreserveUnique(unsigned int count) {
    if (m_pData->CharacterCapacity() >= count && IsUnique()) {
        return;
    }
    // Never smaller than the text it must hold.
    unsigned int length = GetLen();
    if (count < length) {
        count = length;
    }
    CJStringData* old = m_pData;
    CJStringData* fresh = allocateBlock(count, old->m_bUnicode);
    if (old->m_bUnicode) {
        CWide::Strcpy(fresh->Units(), old->Units());
    } else {
        std::strcpy(fresh->Chars(), old->Chars());
    }
    m_pData = fresh;
    releaseBlock(old);
}

char const* CJString::GetCharPtr() const {
    return m_pData->Chars();
}

bool CJString::IsEmpty() const {
    return m_pData->m_bUnicode ? m_pData->Units()[0] == 0 : m_pData->Chars()[0] == 0;
}

unsigned int CJString::GetLen() const {
    if (m_pData->m_bUnicode) {
        return CWide::Strlen(m_pData->Units());
    }
    return static_cast<unsigned int>(std::strlen(m_pData->Chars()));
}

unsigned short CJString::GetUnicode(unsigned int index) const {
    // Reading stays inside the block even when a caller passes an index past the text.
    if (IsEmpty() || index > m_pData->CharacterCapacity()) {
        return 0;
    }
    if (m_pData->m_bUnicode) {
        return m_pData->Units()[index];
    }
    return static_cast<unsigned char>(m_pData->Chars()[index]);
}

unsigned int CJString::GetAvailableSpaceLeftInBuffer() const {
    return m_pData->CharacterCapacity() - GetLen();
}

CJString CJString::Mid(unsigned int start, unsigned int count) const {
    unsigned int length = GetLen();
    if (start > length) {
        return CJString();
    }
    unsigned int available = length - start;
    unsigned int taken = count < available ? count : available;
    if (taken == 0) {
        return CJString();
    }
    if (m_pData->m_bUnicode) {
        return CJString(m_pData->Units() + start, taken);
    }
    return CJString(m_pData->Chars() + start, taken);
}

char* CJString::GetBuffer(unsigned int count) {
    unsigned int capacity = m_pData->CharacterCapacity();
    ExpandPreserveUnique(count > capacity ? count : capacity);
    return m_pData->Chars();
}

unsigned short* CJString::GetUnicodeBuffer(unsigned int count) {
    unsigned int capacity = m_pData->CharacterCapacity();
    ExpandPreserveUnique(count > capacity ? count : capacity);
    return m_pData->Units();
}

char* CJString::GetBufferDiscardOldData(unsigned int count) {
    unsigned int capacity = m_pData->CharacterCapacity();
    unsigned int wanted = count > capacity ? count : capacity;
    if (m_pData->m_bUnicode) {
        CJStringData* old = m_pData;
        AllocateData(wanted, false);
        releaseBlock(old);
        return m_pData->Chars();
    }
    if (wanted == 0) {
        return m_pData->Chars();
    }
    ExpandReplaceUnique(wanted);
    return m_pData->Chars();
}

void CJString::ReleaseBuffer(unsigned int count) {
    if (count == 0xFFFFFFFFu) {
        count = GetLen();
    }
    SetCharacter(count, 0);
}

void CJString::SetCharacter(unsigned int index, unsigned short character) {
    if (character > 255) {
        ConvertToUnicode();
    }
    if (m_pData->m_bUnicode) {
        unsigned short* units = GetUnicodeBuffer(0);
        // Index equal to the capacity is the terminator slot; anything past it is not ours.
        if (index <= m_pData->CharacterCapacity()) {
            units[index] = character;
        }
    } else {
        char* chars = GetBuffer(0);
        if (index <= m_pData->CharacterCapacity()) {
            chars[index] = static_cast<char>(character);
        }
    }
}

void CJString::ConvertToUnicode() {
    if (m_pData->m_bUnicode) {
        return;
    }
    unsigned int length = GetLen();
    CJStringData* old = m_pData;
    CJStringData* fresh = allocateBlock(length, true);
    unsigned char const* source = reinterpret_cast<unsigned char const*>(old->Chars());
    for (unsigned int i = 0; i <= length; ++i) {
        fresh->Units()[i] = source[i];
    }
    m_pData = fresh;
    releaseBlock(old);
}

void CJString::Set(CJString const& other) {
    if (&other == this) {
        return;
    }
    ++other.m_pData->m_RefCount;
    TerminateReference();
    m_pData = other.m_pData;
}

CJString& CJString::operator=(CJString const& other) {
    Set(other);
    return *this;
}

void CJString::Empty() {
    CJStringData* empty = GetGlobalEmptyString();
    ++empty->m_RefCount;
    TerminateReference();
    m_pData = empty;
}

void CJString::EmptyContentsButPreserveBuffer() {
    if (!IsUnique()) {
        Empty();
        return;
    }
    if (m_pData->m_bUnicode) {
        m_pData->Units()[0] = 0;
    } else {
        m_pData->Chars()[0] = 0;
    }
}

void CJString::Set(char const* text, unsigned int count) {
    if (!text || count == 0) {
        Empty();
        return;
    }
    if (IsUnique() && !m_pData->m_bUnicode && m_pData->CharacterCapacity() >= count) {
        // The text may lie inside this very block (a tail of itself), hence memmove.
        char* chars = m_pData->Chars();
        std::size_t copied = strnlen(text, count);
        std::memmove(chars, text, copied);
        std::memset(chars + copied, 0, count - copied);
        chars[count] = '\0';
        return;
    }
    // Build the new block before letting go of the old one, which may hold the text.
    CJStringData* old = m_pData;
    AllocateAndSetData(text, count);
    releaseBlock(old);
}

void CJString::Set(char const* text) {
    if (!text) {
        Empty();
        return;
    }
    if (m_pData->m_bUnicode) {
        // Keep the text alive in case it points into this string's block.
        CJString holder(*this);
        Empty();
        *this += text;
        return;
    }
    std::size_t length = std::strlen(text);
    if (length > MAX_CHARACTER_CAPACITY) {
        failAllocation(length, false);
    }
    Set(text, static_cast<unsigned int>(length));
}

CJString& CJString::operator=(char const* text) {
    Set(text);
    return *this;
}

void CJString::Set(CJString const& other, unsigned int count) {
    Set(other.Mid(0, count));
}

void CJString::Concatenate(CJString const& other, unsigned int count) {
    unsigned int otherLength = other.GetLen();
    if (count > otherLength) {
        count = otherLength;
    }
    if (count == 0) {
        return;
    }
    if (IsEmpty()) {
        Set(other, count);
        return;
    }
    if (other.IsUnicode()) {
        ConvertToUnicode();
    }
    unsigned int length = GetLen();
    ExpandPreserveUnique(addCapacities(length, count, m_pData->m_bUnicode));
    for (unsigned int i = 0; i < count; ++i) {
        SetCharacter(length + i, other.GetUnicode(i));
    }
    SetCharacter(length + count, 0);
}

CJString& CJString::operator+=(CJString const& other) {
    Concatenate(other, other.GetLen());
    return *this;
}

void CJString::Concatenate(char const* text, unsigned int count) {
    if (!text || count == 0) {
        return;
    }
    if (IsEmpty()) {
        Set(text, count);
        return;
    }
    // Appending a piece of itself: keep the old block alive until the copy is done.
    CJString holder(*this);
    unsigned int length = GetLen();
    ExpandPreserveUnique(addCapacities(length, count, m_pData->m_bUnicode));
    if (m_pData->m_bUnicode) {
        unsigned short* units = m_pData->Units() + length;
        for (unsigned int i = 0; i < count; ++i) {
            units[i] = static_cast<unsigned char>(text[i]);
        }
        units[count] = 0;
    } else {
        std::memcpy(m_pData->Chars() + length, text, count);
        m_pData->Chars()[length + count] = '\0';
    }
}

CJString& CJString::operator+=(char const* text) {
    if (text) {
        std::size_t length = std::strlen(text);
        if (length > MAX_CHARACTER_CAPACITY) {
            failAllocation(length, m_pData->m_bUnicode);
        }
        Concatenate(text, static_cast<unsigned int>(length));
    }
    return *this;
}

void CJString::Format(char const* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    unsigned int estimate = GetSprintfResultLen(format, arguments);
    // An estimate of 0 means an empty result, as callers of this string expect; printf cannot
    // produce a text longer than INT_MAX, and such a text would not fit a block.
    if (estimate == 0 || estimate > MAX_CHARACTER_CAPACITY) {
        va_end(arguments);
        Empty();
        return;
    }
    if (m_pData->m_bUnicode) {
        CJStringData* old = m_pData;
        AllocateData(estimate, false);
        releaseBlock(old);
    } else {
        ExpandReplaceUnique(estimate);
    }
    // vsnprintf bounded by the block: conversions the estimate cannot size (%x, a huge %f)
    // must never write past it. When the text turns out longer, the block grows to the exact
    // length and the text is formatted once more.
    std::size_t room = static_cast<std::size_t>(m_pData->CharacterCapacity()) + 1;
    va_list attempt;
    va_copy(attempt, arguments);
    int written = std::vsnprintf(m_pData->Chars(), room, format, attempt);
    va_end(attempt);
    if (written < 0) {
        // The locale could not encode a wide argument; no text is better than a partial one.
        EmptyContentsButPreserveBuffer();
    } else if (static_cast<std::size_t>(written) >= room) {
        ExpandReplaceUnique(static_cast<unsigned int>(written));
        std::vsnprintf(m_pData->Chars(), static_cast<std::size_t>(written) + 1, format, arguments);
    }
    va_end(arguments);
}

void CJString::SplitPathName(char const* path, CJString* directory, CJString* name) {
    char const* namePart = GetFileNameFromPathName(path);
    if (name) {
        name->Set(namePart);
    }
    if (directory) {
        if (!path || namePart == path) {
            directory->Empty();
        } else {
            directory->Set(path, static_cast<unsigned int>(namePart - path - 1));
        }
    }
}
