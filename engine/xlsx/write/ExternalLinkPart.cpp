#include "engine/xlsx/write/ExternalLinkPart.h"

#include "engine/model/CellAddress.h"
#include "engine/xlsx/write/PartNames.h"
#include "engine/xlsx/write/XmlEscape.h"

#include <cmath>
#include <cstdio>

namespace tabrix::engine::xlsx {

namespace {
constexpr std::string_view kLinkPathType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/externalLinkPath";

void appendCell(std::string& x, uint32_t row, uint32_t col, const Variant& value) {
    x += "<cell r=\"" + cellName(row, col) + "\"";
    if (const double* d = std::get_if<double>(&value)) {
        x += "><v>" + (std::isfinite(*d) ? xmlNumber(*d) : std::string("0")) + "</v></cell>";
    } else if (const std::string* s = std::get_if<std::string>(&value)) {
        x += " t=\"str\"><v>" + escapeXml(*s) + "</v></cell>";
    } else if (const bool* b = std::get_if<bool>(&value)) {
        x += std::string(" t=\"b\"><v>") + (*b ? "1" : "0") + "</v></cell>";
    } else if (const ErrorCode* e = std::get_if<ErrorCode>(&value)) {
        x += " t=\"e\"><v>" + std::string(errorText(*e)) + "</v></cell>";
    } else {
        x += "/>";
    }
}
} // namespace

std::string externalLinkPart(const ExternalBook& link) {
    std::string x(kXmlDeclaration);
    x += "<externalLink xmlns=\"" + std::string(kMainNamespace) + "\" xmlns:r=\"" +
         std::string(kRelationshipsNamespace) + "\"><externalBook r:id=\"rId1\">";
    if (!link.sheets.empty()) {
        x += "<sheetNames>";
        for (const ExternalSheet& sheet : link.sheets)
            x += "<sheetName val=\"" + escapeXml(sheet.name) + "\"/>";
        x += "</sheetNames>";
    }
    if (!link.names.empty()) {
        x += "<definedNames>";
        for (const ExternalName& n : link.names) {
            x += "<definedName name=\"" + escapeXml(n.name) + "\"";
            if (!n.refersTo.empty()) x += " refersTo=\"=" + escapeXml(n.refersTo) + "\"";
            if (n.sheet >= 0 && size_t(n.sheet) < link.sheets.size())
                x += " sheetId=\"" + std::to_string(n.sheet) + "\"";
            x += "/>";
        }
        x += "</definedNames>";
    }
    std::string data;
    for (size_t s = 0; s < link.sheets.size(); ++s) {
        const auto& cells = link.sheets[s].cells;
        if (cells.empty()) continue;
        data += "<sheetData sheetId=\"" + std::to_string(s) + "\">";
        uint32_t row = UINT32_MAX;
        for (const auto& [place, value] : cells) {
            if (place.first >= kMaxRows || place.second >= kMaxCols) continue;
            if (place.first != row) {
                if (row != UINT32_MAX) data += "</row>";
                row = place.first;
                data += "<row r=\"" + std::to_string(row + 1) + "\">";
            }
            appendCell(data, place.first, place.second, value);
        }
        if (row != UINT32_MAX) data += "</row>";
        data += "</sheetData>";
    }
    if (!data.empty()) x += "<sheetDataSet>" + data + "</sheetDataSet>";
    return x + "</externalBook></externalLink>";
}

std::string linkTargetUri(const std::string& target) {
    std::string path = target;
    for (char& c : path)
        if (c == '\\') c = '/';
    std::string out;
    if (!path.empty() && path.front() == '/' && !path.starts_with("//"))
        out = "file://";
    else if (path.size() >= 3 && path[1] == ':' && path[2] == '/')
        out = "file:///";
    for (unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           std::string_view("-._~/:!$&'()*+,;=@").find(char(c)) != std::string_view::npos;
        if (plain) {
            out += char(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string externalLinkRelationships(const ExternalBook& link) {
    std::string x(kXmlDeclaration);
    x += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    x += "<Relationship Id=\"rId1\" Type=\"" + std::string(kLinkPathType) + "\" Target=\"" +
         escapeXml(linkTargetUri(link.target)) + "\" TargetMode=\"External\"/>";
    return x + "</Relationships>";
}

} // namespace tabrix::engine::xlsx
