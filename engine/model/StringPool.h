#pragma once

#include "engine/model/IdMap.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tabrix::engine {

/// Texts of one workbook's cells (or formulas). Readers and copies append without looking for duplicates (a
/// shared-strings part is already unique, and a copied block brings its own texts); operations that enter a value
/// intern it, which looks only among the texts interned before. So a workbook that grows by millions of copied
/// cells never hashes them, and a text entered into many cells one by one is still stored once. A deque keeps
/// each string in place, so the index can hold views.
class StringPool {
public:
    StringPool();
    // Not copied: the index's views would point into the pool copied from.
    StringPool(const StringPool&) = delete;
    StringPool& operator=(const StringPool&) = delete;
    /// A pool moved from is left empty, ready to be filled again.
    StringPool(StringPool&& other) noexcept : StringPool() { swap(other); }
    StringPool& operator=(StringPool&& other) noexcept {
        StringPool taken;
        taken.swap(other);
        swap(taken);
        return *this;
    }

    uint32_t append(std::string text);
    uint32_t intern(std::string_view text);
    /// Takes every text of another pool after the texts of this one (their ids shift by this pool's size before
    /// the call); the other pool is left empty. The texts are not moved one by one: the other pool's store is
    /// kept whole as a later part of this one.
    void appendAll(StringPool&& other);
    /// The id here of text `id` of another pool, appended the first time it is asked for. What was taken from the
    /// last pool carried from is remembered (pools only grow, and each has a stamp of its own), so copies made row
    /// by row out of one workbook store each of its texts once.
    uint32_t carry(const StringPool& from, uint32_t id);
    const std::string& get(uint32_t id) const { return id < m_headCount ? m_strings[id] : later(id); }
    uint32_t size() const { return m_size; }

private:
    // Texts taken whole from other pools, each with the id of its first text; appends go to the last one.
    struct Part {
        uint32_t first;
        std::deque<std::string> texts;
    };
    std::deque<std::string> m_strings;
    uint32_t m_headCount = 0; ///< texts in m_strings
    uint32_t m_size = 0;
    std::deque<Part> m_later; ///< a deque, so taking another part never moves the texts the index points at

    std::unordered_map<std::string_view, uint32_t> m_index; ///< interned texts only
    uint64_t m_stamp;         ///< this pool's texts and no other pool's: fresh for every new pool
    uint64_t m_carriedFrom = 0; ///< the stamp of the pool m_carried maps from
    IdMap m_carried;

    const std::string& later(uint32_t id) const;
    void swap(StringPool& other) noexcept;
};

} // namespace tabrix::engine
