#include "engine/xlsx/write/ContentTypesPart.h"

#include "engine/xlsx/write/PartNames.h"
#include "engine/xlsx/write/XmlEscape.h"

namespace tabrix::engine::xlsx {

void ContentTypesPart::add(std::string_view partPath, std::string_view contentType) {
    m_overrides.push_back("<Override PartName=\"/" + escapeXml(partPath) + "\" ContentType=\"" +
                          escapeXml(contentType) + "\"/>");
}

std::string ContentTypesPart::xml() const {
    std::string x(kXmlDeclaration);
    x += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">";
    x += "<Default Extension=\"rels\" ContentType=\"" + std::string(contentType::kRelationships) + "\"/>";
    x += "<Default Extension=\"xml\" ContentType=\"" + std::string(contentType::kXml) + "\"/>";
    for (const auto& o : m_overrides) x += o;
    return x + "</Types>";
}

} // namespace tabrix::engine::xlsx
