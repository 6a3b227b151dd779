#pragma once

#include <string_view>

namespace tabrix::engine::xlsx {

// The fixed parts of a package and the content types and relationship types the writer uses.
namespace part {
inline constexpr std::string_view kContentTypes = "[Content_Types].xml";
inline constexpr std::string_view kPackageRels = "_rels/.rels";
inline constexpr std::string_view kApp = "docProps/app.xml";
inline constexpr std::string_view kCore = "docProps/core.xml";
inline constexpr std::string_view kWorkbook = "xl/workbook.xml";
inline constexpr std::string_view kWorkbookRels = "xl/_rels/workbook.xml.rels";
inline constexpr std::string_view kStyles = "xl/styles.xml";
inline constexpr std::string_view kTheme = "xl/theme/theme1.xml";
} // namespace part

namespace contentType {
inline constexpr std::string_view kRelationships = "application/vnd.openxmlformats-package.relationships+xml";
inline constexpr std::string_view kXml = "application/xml";
inline constexpr std::string_view kApp = "application/vnd.openxmlformats-officedocument.extended-properties+xml";
inline constexpr std::string_view kCore = "application/vnd.openxmlformats-package.core-properties+xml";
inline constexpr std::string_view kWorkbook = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
inline constexpr std::string_view kWorksheet =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
inline constexpr std::string_view kStyles = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
inline constexpr std::string_view kTheme = "application/vnd.openxmlformats-officedocument.theme+xml";
inline constexpr std::string_view kExternalLink =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.externalLink+xml";
inline constexpr std::string_view kTable = "application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml";
} // namespace contentType

namespace relType {
inline constexpr std::string_view kOfficeDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
inline constexpr std::string_view kCore =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
inline constexpr std::string_view kApp =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties";
inline constexpr std::string_view kWorksheet =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
inline constexpr std::string_view kChartsheet =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartsheet";
inline constexpr std::string_view kStyles = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr std::string_view kTheme = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/theme";
inline constexpr std::string_view kExternalLink =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/externalLink";
inline constexpr std::string_view kTable = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/table";
} // namespace relType

inline constexpr std::string_view kMainNamespace = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr std::string_view kRelationshipsNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

} // namespace tabrix::engine::xlsx
