#include "engine/xlsx/write/RelationshipsPart.h"

#include "engine/xlsx/write/XmlEscape.h"

namespace tabrix::engine::xlsx {

std::string RelationshipsPart::add(std::string_view type, std::string_view target) {
    std::string id = "rId" + std::to_string(m_elements.size() + 1);
    m_elements.push_back("<Relationship Id=\"" + id + "\" Type=\"" + std::string(type) + "\" Target=\"" +
                         escapeXml(target) + "\"/>");
    return id;
}

std::string RelationshipsPart::xml() const {
    std::string x(kXmlDeclaration);
    x += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (const auto& e : m_elements) x += e;
    return x + "</Relationships>";
}

std::string targetFromWorkbook(std::string_view partPath) {
    if (partPath.starts_with("xl/")) return std::string(partPath.substr(3));
    return "/" + std::string(partPath);
}

} // namespace tabrix::engine::xlsx
