// Puts the input, as XML, into one part of an otherwise fixed workbook package (stored, not deflated), so the
// mutations reach the part parsers instead of dying on a zip checksum. The first byte picks the part: the
// worksheet, the shared strings, the styles or the workbook part.
#include "engine/EngineError.h"
#include "engine/xlsx/read/XlsxReader.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

void put16(std::string& out, uint32_t v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A zip archive with the parts stored as they are.
std::string storedZip(const std::vector<std::pair<std::string, std::string>>& parts) {
    std::string out, central;
    for (const auto& [name, data] : parts) {
        uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())));
        uint32_t offset = uint32_t(out.size());
        for (std::string* h : {&out, &central}) {
            bool local = h == &out;
            put32(*h, local ? 0x04034b50 : 0x02014b50);
            if (!local) put16(*h, 20);
            put16(*h, 20);
            put16(*h, 0);
            put16(*h, 0);
            put32(*h, 0);
            put32(*h, crc);
            put32(*h, uint32_t(data.size()));
            put32(*h, uint32_t(data.size()));
            put16(*h, uint32_t(name.size()));
            put16(*h, 0);
            if (!local) {
                put16(*h, 0);
                put16(*h, 0);
                put16(*h, 0);
                put32(*h, 0);
                put32(*h, offset);
            }
            *h += name;
        }
        out += data;
    }
    uint32_t centralAt = uint32_t(out.size());
    out += central;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, uint32_t(parts.size()));
    put16(out, uint32_t(parts.size()));
    put32(out, uint32_t(central.size()));
    put32(out, centralAt);
    put16(out, 0);
    return out;
}

const char* kRels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

std::string rels(const std::vector<std::pair<std::string, std::string>>& list) {
    std::string xml = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (size_t i = 0; i < list.size(); ++i)
        xml += "<Relationship Id=\"rId" + std::to_string(i + 1) + "\" Type=\"" + kRels + list[i].first +
               "\" Target=\"" + list[i].second + "\"/>";
    return xml + "</Relationships>";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tabrix::engine;
    if (size < 1) return 0;
    std::string xml(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<std::pair<std::string, std::string>> parts{
        {"_rels/.rels", rels({{"officeDocument", "xl/workbook.xml"}})},
        {"xl/_rels/workbook.xml.rels", rels({{"worksheet", "worksheets/sheet1.xml"},
                                             {"sharedStrings", "sharedStrings.xml"},
                                             {"styles", "styles.xml"}})},
        {"xl/workbook.xml", "<workbook><sheets><sheet name=\"S\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/worksheets/sheet1.xml", "<worksheet><sheetData><row><c t=\"s\" s=\"1\"><v>0</v></c></row>"
                                     "</sheetData></worksheet>"},
        {"xl/sharedStrings.xml", "<sst><si><t>a</t></si></sst>"},
        {"xl/styles.xml", "<styleSheet><cellXfs><xf/><xf/></cellXfs></styleSheet>"},
    };
    static const size_t kTargets[] = {3, 4, 5, 2};
    parts[kTargets[data[0] % 4]].second = std::move(xml);
    try {
        auto book = xlsx::readXlsxBuffer(storedZip(parts), "fuzz.xlsx");
        for (auto& sheet : book->sheets) {
            try {
                sheet->ensureLoaded();
                sheet->usedRect();
            } catch (const EngineError&) {
            }
        }
    } catch (const EngineError&) {
    }
    return 0;
}
