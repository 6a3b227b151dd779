#include "analysis/LenientKeys.h"

#include "engine/model/ValueEquality.h"
#include "engine/object/FindIndex.h"
#include "engine/object/Range.h"
#include "engine/object/Worksheet.h"
#include "framework/LenientText.h"

#include <functional>

namespace tabrix::analysis {

using namespace tabrix::engine;

namespace {
// Text that a lenient match reads as it is: no blank at either end (any non-ASCII end is checked the long way),
// no full-width form (their UTF-8 starts with EF), no capital letter.
bool alreadyLenient(std::string_view text) {
    if (text.empty()) return true;
    const auto blankEnd = [](unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c >= 0x80; };
    if (blankEnd(static_cast<unsigned char>(text.front())) || blankEnd(static_cast<unsigned char>(text.back())))
        return false;
    for (unsigned char c : text)
        if (c == 0xEF || (c >= 'A' && c <= 'Z')) return false;
    return true;
}
} // namespace

std::string lenientKey(const Variant& value) {
    if (const auto* text = std::get_if<std::string>(&value))
        return alreadyLenient(*text) ? *text : foldCase(framework::lenientText(*text));
    if (const auto* number = std::get_if<double>(&value)) {
        Cell cell;
        cell.type = CellType::Number;
        cell.number = *number;
        return *findText(BookData{}, cell);
    }
    if (const auto* truth = std::get_if<bool>(&value)) return *truth ? "true" : "false";
    if (const auto* error = std::get_if<ErrorCode>(&value)) return foldCase(errorText(*error));
    return {};
}

LenientKeys::LenientKeys(Worksheet& sheet, uint32_t column, uint32_t rows) : m_next(size_t(rows) + 1, 0) {
    size_t size = 16;
    while (size < size_t(rows) * 2) size *= 2;
    m_table.resize(size);
    // From the last row up, so that each key's chain runs in ascending order.
    for (uint32_t r = rows; r >= 1; --r) {
        const std::string key = lenientKey(sheet.Cells(r, column).Value());
        const uint64_t hash = std::hash<std::string_view>()(key);
        Slot& slot = slotFor(key, hash);
        if (slot.row != 0) {
            m_next[r] = slot.row;
        } else {
            slot.hash = hash;
            slot.at = m_texts.size();
            slot.length = uint32_t(key.size());
            m_texts += key;
        }
        slot.row = r;
    }
}

const LenientKeys::Slot& LenientKeys::slotFor(std::string_view key, uint64_t hash) const {
    const size_t mask = m_table.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = m_table[i];
        if (slot.row == 0 ||
            (slot.hash == hash && std::string_view(m_texts).substr(slot.at, slot.length) == key))
            return slot;
    }
}

LenientKeys::Slot& LenientKeys::slotFor(std::string_view key, uint64_t hash) {
    return const_cast<Slot&>(static_cast<const LenientKeys&>(*this).slotFor(key, hash));
}

uint32_t LenientKeys::first(const Variant& value) const {
    const std::string key = lenientKey(value);
    return slotFor(key, std::hash<std::string_view>()(key)).row;
}

bool lenientValuesEqual(const Variant& a, const Variant& b) {
    const auto* ta = std::get_if<std::string>(&a);
    const auto* tb = std::get_if<std::string>(&b);
    if (!ta && !tb) return valuesEqual(a, b);
    if (ta && tb && *ta == *tb) return true;
    return valuesEqual(ta ? Variant(framework::lenientText(*ta)) : a, tb ? Variant(framework::lenientText(*tb)) : b);
}

} // namespace tabrix::analysis
