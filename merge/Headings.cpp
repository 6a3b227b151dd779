#include "merge/Headings.h"

#include "engine/object/Range.h"
#include "engine/object/Worksheet.h"
#include "framework/LenientText.h"

#include <algorithm>
#include <map>

namespace tabrix::merge {

namespace {
std::string quoted(const std::string& heading) {
    return "“" + heading + "”";
}

// "“a”", "“a”和“b”", "“a”、“b”和“c”".
std::string listed(const std::vector<std::string>& headings) {
    std::string text;
    for (size_t i = 0; i < headings.size(); ++i) {
        if (i > 0) text += i + 1 == headings.size() ? "和" : "、";
        text += quoted(headings[i]);
    }
    return text;
}

std::vector<std::string> withoutTrailingBlanks(std::vector<std::string> headings) {
    while (!headings.empty() && headings.back().empty()) headings.pop_back();
    return headings;
}

// The headings of `from` that `other` lacks, each as often as it is missing there, in the order of `from`.
std::vector<std::string> surplus(const std::vector<std::string>& from, const std::vector<std::string>& other) {
    std::map<std::string, int> left;
    for (const auto& h : other) ++left[h];
    std::vector<std::string> out;
    for (const auto& h : from)
        if (left[h]-- <= 0) out.push_back(h);
    return out;
}

// The headings both share, in the order of `headings`, leaving out the surplus ones.
std::vector<std::string> shared(const std::vector<std::string>& headings, const std::vector<std::string>& extra) {
    std::map<std::string, int> skip;
    for (const auto& h : extra) ++skip[h];
    std::vector<std::string> out;
    for (const auto& h : headings)
        if (skip[h]-- <= 0) out.push_back(h);
    return out;
}
} // namespace

std::vector<std::string> headingRow(engine::Worksheet& sheet, long columns) {
    std::vector<std::string> headings;
    headings.reserve(size_t(std::max(columns, 0L)));
    for (long c = 1; c <= columns; ++c)
        headings.emplace_back(framework::trimmedText(sheet.Cells(1, uint32_t(c)).Text()));
    return headings;
}

std::string headingDifference(const std::vector<std::string>& firstRow, const std::vector<std::string>& otherRow) {
    const auto first = withoutTrailingBlanks(firstRow);
    const auto other = withoutTrailingBlanks(otherRow);
    if (first == other) return {};
    const auto extra = surplus(other, first);
    const auto missing = surplus(first, other);
    const auto firstOrder = shared(first, missing);
    const auto otherOrder = shared(other, extra);
    std::vector<std::string> parts;
    std::vector<std::string> moved;
    for (size_t i = 0; i < otherOrder.size(); ++i)
        if (otherOrder[i] != firstOrder[i]) moved.push_back(otherOrder[i]);
    if (!moved.empty()) parts.push_back(listed(moved) + "的位置不同");
    if (!extra.empty()) parts.push_back("多出" + listed(extra));
    if (!missing.empty()) parts.push_back("缺少" + listed(missing));
    // Same headings in the same order, but shifted by blank headings in between.
    if (parts.empty()) parts.push_back("空白标题的位置不同");
    std::string text;
    for (const auto& part : parts) text += (text.empty() ? "" : "，") + part;
    return text;
}

bool HeadingColumns::Placement::moved() const {
    for (size_t i = 0; i < to.size(); ++i)
        if (to[i] != long(i)) return true;
    return false;
}

void HeadingColumns::start(const std::vector<std::string>& headings) {
    m_keys.clear();
    for (const auto& h : headings) m_keys.push_back(framework::headingKey(h));
}

HeadingColumns::Placement HeadingColumns::place(const std::vector<std::string>& headings) {
    Placement placement;
    std::map<std::string, int> seen;
    for (size_t i = 0; i < headings.size(); ++i) {
        const std::string key = framework::headingKey(headings[i]);
        int nth = seen[key]++;
        long column = -1;
        for (size_t c = 0; c < m_keys.size(); ++c)
            if (m_keys[c] == key && nth-- == 0) {
                column = long(c);
                break;
            }
        if (column < 0) {
            column = long(m_keys.size());
            m_keys.push_back(key);
            placement.added.push_back(i);
        }
        placement.to.push_back(column);
    }
    return placement;
}

} // namespace tabrix::merge
