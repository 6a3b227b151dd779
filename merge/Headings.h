#pragma once

#include <string>
#include <vector>

namespace tabrix::engine {
class Worksheet;
}

namespace tabrix::merge {

/// The heading row of a worksheet: the text each cell of row 1 shows, trimmed, from column A to `columns`.
std::vector<std::string> headingRow(engine::Worksheet& sheet, long columns);

/// How a worksheet's headings differ from the first worksheet's, in the log's words ("“工资”和“部门”的位置不同",
/// "多出“奖金”", "缺少“部门”", joined by "，"); empty when they are the same. Empty headings at the end count
/// for nothing.
std::string headingDifference(const std::vector<std::string>& first, const std::vector<std::string>& other);

/// The result's columns while a merge lines columns up by their headings: which heading each column holds.
/// Headings match trimmed, full-width and half-width forms alike, letter case ignored; the n-th column of a
/// heading in a worksheet goes to the n-th column of that heading in the result.
class HeadingColumns {
public:
    /// Where one worksheet's columns go: its column i (from 0) to result column `to[i]` (from 0); `added` lists
    /// the worksheet columns whose headings the result did not have yet, each now given a column at the end.
    struct Placement {
        std::vector<long> to;
        std::vector<size_t> added;
        bool moved() const;
    };

    /// The result's columns start as the first worksheet's, in their order.
    void start(const std::vector<std::string>& headings);
    Placement place(const std::vector<std::string>& headings);

private:
    std::vector<std::string> m_keys;
};

} // namespace tabrix::merge
