#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine::xlsx {

/// [Content_Types].xml: the defaults for relationships and plain XML parts, and one override per part.
class ContentTypesPart {
public:
    void add(std::string_view partPath, std::string_view contentType);
    std::string xml() const;

private:
    std::vector<std::string> m_overrides;
};

} // namespace tabrix::engine::xlsx
