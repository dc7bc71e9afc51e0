// A growable array of plain values whose storage comes from the process-wide pool array, so
// that the many small child lists of the archive tree cost no general-heap allocations.
#pragma once

#include "CorvaneCore/MemoryPool.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

template <typename T> class CArrayPOD {
    static_assert(std::is_trivially_copyable_v<T>, "items are moved as plain bytes");

public:
    CArrayPOD() = default;
    ~CArrayPOD() { FreeMemoryForItems(m_pItems, m_NumAllocated); }
    CArrayPOD(CArrayPOD const&) = delete;
    CArrayPOD& operator=(CArrayPOD const&) = delete;

    unsigned GetSize() const { return m_NumItems; }
    T& operator[](unsigned index) { return m_pItems[index]; }
    T const& operator[](unsigned index) const { return m_pItems[index]; }

    // Appends the item; false when the array cannot grow any further.
    bool Add(T item) {
        if (m_NumItems == m_NumAllocated && !Grow()) {
            return false;
        }
        m_pItems[m_NumItems++] = item;
        return true;
    }

    void RemoveByIndex(unsigned index) {
        if (index >= m_NumItems) {
            return;
        }
        std::memmove(m_pItems + index, m_pItems + index + 1, (m_NumItems - index - 1) * sizeof(T));
        --m_NumItems;
    }

    // For arrays of owning pointers: deletes the pointed-to item, then removes the slot.
    void DestroyByIndex(unsigned index) {
        static_assert(std::is_pointer_v<T>, "only pointers can be destroyed");
        if (index >= m_NumItems) {
            return;
        }
        delete m_pItems[index];
        RemoveByIndex(index);
    }

    static void FreeMemoryForItems(T* items, unsigned allocated) {
        if (items) {
            CMemoryPoolArray::Instance()->Free(items, allocated * static_cast<unsigned>(sizeof(T)));
        }
    }

    T* m_pItems = nullptr;
    unsigned m_NumItems = 0;
    unsigned m_NumAllocated = 0;

private:
    bool Grow() {
        std::uint64_t const wanted = m_NumAllocated ? std::uint64_t{m_NumAllocated} * 2 : 4;
        // Sizes travel to the pools as 32-bit byte counts.
        if (wanted * sizeof(T) > 0xFFFFFFFFu) {
            return false;
        }
        auto const allocated = static_cast<unsigned>(wanted);
        T* items = static_cast<T*>(
            CMemoryPoolArray::Instance()->Allocate(allocated * static_cast<unsigned>(sizeof(T))));
        if (!items) {
            return false;
        }
        if (m_NumItems) {
            std::memcpy(items, m_pItems, m_NumItems * sizeof(T));
        }
        FreeMemoryForItems(m_pItems, m_NumAllocated);
        m_pItems = items;
        m_NumAllocated = allocated;
        return true;
    }
};
