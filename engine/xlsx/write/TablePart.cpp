#include "engine/xlsx/write/TablePart.h"

#include "engine/model/CellAddress.h"
#include "engine/xlsx/write/XmlEscape.h"

#include <array>
#include <string_view>

namespace tabrix::engine::xlsx {

namespace {
// Sets attribute `name` of the element starting at `start` (inserted when missing).
void setAttribute(std::string& xml, size_t start, std::string_view name, const std::string& value) {
    const size_t end = xml.find('>', start);
    if (end == std::string::npos) return;
    const std::string key = " " + std::string(name) + "=\"";
    const size_t at = xml.find(key, start);
    if (at != std::string::npos && at < end) {
        const size_t valueStart = at + key.size();
        const size_t valueEnd = xml.find('"', valueStart);
        if (valueEnd != std::string::npos) xml.replace(valueStart, valueEnd - valueStart, value);
        return;
    }
    const size_t close = xml[end - 1] == '/' ? end - 1 : end;
    xml.insert(close, key + value + "\"");
}

// Removes every attribute `name` from the elements of the part.
void removeAttribute(std::string& xml, std::string_view name) {
    const std::string key = " " + std::string(name) + "=\"";
    for (size_t at = xml.find(key); at != std::string::npos; at = xml.find(key, at)) {
        const size_t valueEnd = xml.find('"', at + key.size());
        if (valueEnd == std::string::npos) return;
        xml.erase(at, valueEnd + 1 - at);
    }
}

size_t elementStart(const std::string& xml, std::string_view element) {
    for (size_t at = xml.find("<" + std::string(element)); at != std::string::npos;
         at = xml.find("<" + std::string(element), at + 1)) {
        const char next = at + element.size() + 1 < xml.size() ? xml[at + element.size() + 1] : '\0';
        if (next == ' ' || next == '>' || next == '/') return at;
    }
    return std::string::npos;
}
} // namespace

std::string standaloneTablePart(std::string xml) {
    // Attributes naming a query table or a connection and differential-format indexes into the source's styles.
    constexpr std::array<std::string_view, 11> kOutside{
        "tableType",        "connectionId",         "queryTableFieldId", "uniqueName",
        "dataDxfId",        "headerRowDxfId",       "totalsRowDxfId",    "headerRowBorderDxfId",
        "tableBorderDxfId", "totalsRowBorderDxfId", "dataCellStyle"};
    for (std::string_view name : kOutside)
        removeAttribute(xml, name);
    removeAttribute(xml, "headerRowCellStyle");
    removeAttribute(xml, "totalsRowCellStyle");
    return xml;
}

std::string tablePart(const SheetTable& table, uint32_t id) {
    std::string xml = standaloneTablePart(table.partXml);
    const size_t root = elementStart(xml, "table");
    if (root == std::string::npos) return xml;
    setAttribute(xml, root, "id", std::to_string(id));
    setAttribute(xml, root, "name", escapeXml(table.name));
    setAttribute(xml, root, "displayName", escapeXml(table.name));
    setAttribute(xml, root, "ref", rangeName(table.ref, false));
    return xml;
}

} // namespace tabrix::engine::xlsx
