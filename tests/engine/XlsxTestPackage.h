#pragma once

#include <zip.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// GCC 12 at -O3 reports a false -Warray-bounds on vectors of string pairs built inline here.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif

namespace tabrix::test {

using Parts = std::vector<std::pair<std::string, std::string>>;

/// Writes parts as a deflated zip package, in the order given.
inline void writeZip(const std::string& path, const Parts& parts) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) throw std::runtime_error("cannot create " + path);
    for (const auto& [name, data] : parts) {
        zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
        if (!source || zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE) < 0)
            throw std::runtime_error("cannot add " + name);
    }
    if (zip_close(archive) != 0) throw std::runtime_error("cannot write " + path);
}

inline constexpr const char* kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr const char* kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr const char* kRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

inline std::string worksheetXml(const std::string& body) {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"") + kMainNs + "\" xmlns:r=\"" +
           kRelNs + "\">" + body + "</worksheet>";
}

/// A workbook part listing sheets given as (name, extra attributes such as state="hidden").
inline std::string workbookXml(const std::vector<std::pair<std::string, std::string>>& sheets,
                               const std::string& extra = "") {
    std::string xml = std::string("<?xml version=\"1.0\"?><workbook xmlns=\"") + kMainNs + "\" xmlns:r=\"" + kRelNs +
                      "\">" + extra + "<sheets>";
    for (size_t i = 0; i < sheets.size(); ++i)
        xml += "<sheet name=\"" + sheets[i].first + "\" sheetId=\"" + std::to_string(i + 1) + "\" r:id=\"rId" +
               std::to_string(i + 1) + "\" " + sheets[i].second + "/>";
    return xml + "</sheets></workbook>";
}

inline std::string relsXml(const std::vector<std::pair<std::string, std::string>>& rels /* type, target */) {
    std::string xml = "<?xml version=\"1.0\"?><Relationships "
                      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (size_t i = 0; i < rels.size(); ++i)
        xml += "<Relationship Id=\"rId" + std::to_string(i + 1) + "\" Type=\"" + kRelType + rels[i].first +
               "\" Target=\"" + rels[i].second + "\"/>";
    return xml + "</Relationships>";
}

/// A one-sheet workbook whose sheet is sheetBody (the content of <worksheet>), with optional shared strings.
inline Parts oneSheetBook(const std::string& sheetBody, const std::string& sharedStrings = "",
                          const std::string& workbookExtra = "") {
    std::vector<std::pair<std::string, std::string>> rels{{"worksheet", "worksheets/sheet1.xml"}};
    if (!sharedStrings.empty()) rels.emplace_back("sharedStrings", "sharedStrings.xml");
    Parts parts{
        {"_rels/.rels", relsXml({{"officeDocument", "xl/workbook.xml"}})},
        {"xl/workbook.xml", workbookXml({{"Data", ""}}, workbookExtra)},
        {"xl/_rels/workbook.xml.rels", relsXml(rels)},
        {"xl/worksheets/sheet1.xml", worksheetXml(sheetBody)},
    };
    if (!sharedStrings.empty())
        parts.emplace_back("xl/sharedStrings.xml",
                           std::string("<?xml version=\"1.0\"?><sst xmlns=\"") + kMainNs + "\">" + sharedStrings +
                               "</sst>");
    return parts;
}

} // namespace tabrix::test

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
