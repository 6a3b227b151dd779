#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine::xlsx {

/// A relationships part (_rels/*.rels): each relationship gets the next id, rId1, rId2, ...
class RelationshipsPart {
public:
    /// Adds a relationship; returns its id.
    std::string add(std::string_view type, std::string_view target);
    std::string xml() const;

private:
    std::vector<std::string> m_elements;
};

/// The target of a part inside xl/ as the workbook's relationships name it: relative to xl/ where it lies below,
/// absolute otherwise.
std::string targetFromWorkbook(std::string_view partPath);

} // namespace tabrix::engine::xlsx
