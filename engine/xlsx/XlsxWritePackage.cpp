#include "engine/xlsx/XlsxWritePackage.h"

#include "engine/EngineError.h"
#include "engine/model/CellRect.h"
#include "engine/xlsx/XlsxWriteChartSheets.h"
#include "engine/xlsx/XlsxWriteZip.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <functional>

namespace tabrix::engine::xlsx {

namespace {

const std::string kWorkbookPart = "xl/workbook.xml";
const std::string kStylesPart = "xl/styles.xml";

/// A part libxlsxwriter wrote in a shape the patcher does not expect (a changed library version).
struct MalformedPart {
    std::string part;
};

[[noreturn]] void malformed(const std::string& part) {
    throw MalformedPart{part};
}

/// The tab position a sheet written by libxlsxwriter ends up at once the chart sheets are in.
int tabIndex(int lxwIndex, const std::vector<InjectedSheet>& charts) {
    int before = 0;
    for (const auto& c : charts)
        if (c.worksheetsBefore <= static_cast<size_t>(lxwIndex)) ++before;
    return lxwIndex + before;
}

/// Replaces the number in attr="N" of the first element starting with tag, through remap; an absent attribute
/// counts as 0 and is added when its new value is not.
void remapAttribute(std::string& xml, std::string_view tag, std::string_view attr,
                    const std::function<int(int)>& remap) {
    size_t start = xml.find(tag);
    if (start == std::string::npos) return;
    size_t end = xml.find('>', start);
    if (end == std::string::npos) malformed(kWorkbookPart);
    std::string key(" ");
    key.append(attr).append("=\"");
    size_t at = xml.find(key, start);
    if (at == std::string::npos || at > end) {
        int value = remap(0);
        size_t close = xml[end - 1] == '/' ? end - 1 : end;
        if (value != 0) xml.insert(close, key + std::to_string(value) + "\"");
        return;
    }
    size_t value = at + key.size();
    size_t close = xml.find('"', value);
    int n = 0;
    std::from_chars(xml.data() + value, xml.data() + close, n);
    xml.replace(value, close - value, std::to_string(remap(n)));
}

std::vector<std::string> splitSheetElements(const std::string& list) {
    std::vector<std::string> out;
    size_t pos = 0;
    while ((pos = list.find("<sheet ", pos)) != std::string::npos) {
        size_t end = list.find("/>", pos);
        if (end == std::string::npos) malformed(kWorkbookPart);
        out.push_back(list.substr(pos, end + 2 - pos));
        pos = end + 2;
    }
    return out;
}

void markVeryHidden(std::vector<std::string>& sheets, const std::vector<std::string>& names) {
    for (const auto& name : names) {
        std::string key = "<sheet name=\"" + escapeXml(name) + "\"";
        for (auto& element : sheets) {
            if (element.compare(0, key.size(), key) != 0) continue;
            size_t state = element.find(" state=\"hidden\"");
            if (state != std::string::npos) element.replace(state, 15, " state=\"veryHidden\"");
        }
    }
}

void rewriteSheetList(std::string& xml, const PackagePatch& patch, const std::vector<InjectedSheet>& charts) {
    size_t open = xml.find("<sheets>");
    size_t close = xml.find("</sheets>");
    if (open == std::string::npos || close == std::string::npos) malformed(kWorkbookPart);
    open += 8;
    std::vector<std::string> sheets = splitSheetElements(xml.substr(open, close - open));
    markVeryHidden(sheets, patch.veryHiddenSheets);
    std::string list;
    size_t next = 0;
    for (size_t w = 0; w <= sheets.size(); ++w) {
        for (; next < charts.size() && charts[next].worksheetsBefore <= w; ++next)
            list += charts[next].element;
        if (w < sheets.size()) list += sheets[w];
    }
    for (; next < charts.size(); ++next)
        list += charts[next].element;
    xml.replace(open, close - open, list);
}

std::string definedNamesXml(const std::vector<NameEntry>& names, const std::vector<InjectedSheet>& charts) {
    std::string out;
    for (const auto& n : names) {
        out.append("<definedName name=\"").append(escapeXml(n.name)).append("\"");
        if (n.sheet >= 0) out.append(" localSheetId=\"").append(std::to_string(tabIndex(n.sheet, charts))).append("\"");
        if (n.hidden) out.append(" hidden=\"1\"");
        out.append(">").append(escapeXml(n.formula)).append("</definedName>");
    }
    return out;
}

void insertDefinedNames(std::string& xml, const PackagePatch& patch, const std::vector<InjectedSheet>& charts) {
    if (patch.names.empty()) return;
    std::string names = definedNamesXml(patch.names, charts);
    size_t existing = xml.find("</definedNames>");
    if (existing != std::string::npos) {
        xml.insert(existing, names);
        return;
    }
    size_t after = xml.find("</sheets>");
    if (after == std::string::npos) malformed(kWorkbookPart);
    xml.insert(after + 9, "<definedNames>" + names + "</definedNames>");
}

void rewriteWorkbook(std::string& xml, const PackagePatch& patch, const std::vector<InjectedSheet>& charts) {
    if (patch.date1904) {
        size_t pr = xml.find("<workbookPr");
        if (pr == std::string::npos) malformed(kWorkbookPart);
        xml.insert(pr + 11, " date1904=\"1\"");
    }
    rewriteSheetList(xml, patch, charts);
    if (!charts.empty()) {
        auto remap = [&charts](int index) { return tabIndex(index, charts); };
        remapAttribute(xml, "<workbookView", "activeTab", remap);
    }
    insertDefinedNames(xml, patch, charts);
}

void restoreNumberFormats(std::string& xml, const PackagePatch& patch) {
    for (const auto& [standIn, real] : patch.numberFormats) {
        std::string key = "formatCode=\"" + standIn + "\"";
        size_t at = xml.find(key);
        if (at == std::string::npos) malformed(kStylesPart);
        xml.replace(at, key.size(), "formatCode=\"" + escapeXml(real) + "\"");
    }
}

uint32_t sheetCount(const std::string& workbookXml) {
    uint32_t count = 0;
    for (size_t pos = 0; (pos = workbookXml.find("<sheet ", pos)) != std::string::npos; ++pos)
        ++count;
    return count;
}

bool isNameChar(unsigned char c) {
    return c >= 0x80 || std::isalnum(c) || c == '_' || c == '.' || c == '\\' || c == '?';
}

bool allOf(std::string_view s, int (*pred)(int)) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [pred](char c) { return pred((unsigned char)c) != 0; });
}

/// "A1"-style: one to three letters then a row number, within the sheet's bounds.
bool looksLikeA1(std::string_view s) {
    size_t letters = 0;
    while (letters < s.size() && std::isalpha((unsigned char)s[letters]))
        ++letters;
    if (letters == 0 || letters > 3 || !allOf(s.substr(letters), std::isdigit)) return false;
    uint64_t col = 0, row = 0;
    for (size_t i = 0; i < letters; ++i)
        col = col * 26 + uint64_t(std::toupper((unsigned char)s[i]) - 'A' + 1);
    std::from_chars(s.data() + letters, s.data() + s.size(), row);
    return col <= kMaxCols && row >= 1 && row <= kMaxRows;
}

/// "R", "C", "R1", "C2", "R1C2", "RC": the other reference notation.
bool looksLikeR1C1(std::string_view s) {
    auto digits = [](std::string_view t) { return t.empty() || allOf(t, std::isdigit); };
    if (s.empty() || (s[0] != 'R' && s[0] != 'r' && s[0] != 'C' && s[0] != 'c')) return false;
    if (s[0] == 'C' || s[0] == 'c') return digits(s.substr(1));
    size_t c = s.find_first_of("Cc");
    if (c == std::string_view::npos) return digits(s.substr(1));
    return digits(s.substr(1, c - 1)) && digits(s.substr(c + 1));
}

} // namespace

std::string escapeXml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else if (c < 0x20) {
            char ref[8];
            std::snprintf(ref, sizeof ref, "&#%u;", c);
            out += ref;
        } else
            out += ch;
    }
    return out;
}

bool isValidDefinedName(std::string_view name) {
    if (name.empty() || name.size() > 255) return false;
    auto first = static_cast<unsigned char>(name[0]);
    if (!(first >= 0x80 || std::isalpha(first) || first == '_' || first == '\\')) return false;
    if (!std::all_of(name.begin(), name.end(), [](char c) { return isNameChar(static_cast<unsigned char>(c)); }))
        return false;
    return !looksLikeA1(name) && !looksLikeR1C1(name);
}

void patchPackage(const std::string& path, const PackagePatch& patch, std::vector<std::string>& warnings,
                  const std::string& destination) {
    XlsxPackageEditor zip(path);
    if (!patch.sheetData.empty()) addSheetDataParts(zip, *patch.book, *patch.formats, patch.sheetData);
    std::string workbook = zip.read(kWorkbookPart);
    std::vector<InjectedSheet> charts;
    if (!patch.chartSheets.empty())
        charts = injectChartSheets(zip, patch.chartSheets, sheetCount(workbook) + 1, warnings);
    try {
        rewriteWorkbook(workbook, patch, charts);
        zip.write(kWorkbookPart, std::move(workbook));
        if (!patch.numberFormats.empty()) {
            std::string styles = zip.read(kStylesPart);
            restoreNumberFormats(styles, patch);
            zip.write(kStylesPart, std::move(styles));
        }
    } catch (const MalformedPart& m) {
        throw EngineError(path + ": 保存失败，libxlsxwriter 写出的 " + m.part + " 与预期的不同");
    }
    zip.commit(destination);
}

} // namespace tabrix::engine::xlsx
