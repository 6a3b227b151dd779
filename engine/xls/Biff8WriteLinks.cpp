#include "engine/xls/Biff8WriteLinks.h"

#include "engine/xls/Biff8WriteText.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tabrix::engine::xls {

namespace {

// Built-in names: the file stores a one-character code instead of the text after "_xlnm.".
constexpr std::array<std::string_view, 14> kBuiltinNames{
    "Consolidate_Area", "Auto_Open",       "Auto_Close",   "Extract",        "Database",
    "Criteria",         "Print_Area",      "Print_Titles", "Recorder",       "Data_Form",
    "Auto_Activate",    "Auto_Deactivate", "Sheet_Title",  "_FilterDatabase"};
constexpr std::string_view kBuiltinPrefix = "_xlnm.";
constexpr uint32_t kMaxNameUnits = 255;
constexpr uint16_t kNoSheet = 0xFFFE;

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
    });
}

std::string nameWarning(const std::string& name, std::string_view what) {
    return "名称“" + name + "”" + std::string(what);
}

} // namespace

Biff8WriteLinks::Biff8WriteLinks(const BookData& book, std::vector<std::string> sheetNames,
                                 std::vector<int> bookSheetIndex, std::vector<std::string>& warnings)
    : m_sheetNames(std::move(sheetNames)) {
    for (size_t i = 0; i < m_sheetNames.size(); ++i)
        m_xti.push_back({0, uint16_t(i), uint16_t(i)});
    for (const ExternalBook& book : book.externalBooks) {
        Link link{book.target, {}, {}, false};
        for (const ExternalSheet& sheet : book.sheets) {
            link.sheets.push_back(&sheet);
            link.sheetNames.push_back(sheet.name);
        }
        m_links.push_back(std::move(link));
    }
    for (const DefinedName& dn : book.names) {
        Name n{dn.name, dn.name, dn.formula, -1, dn.hidden, false, {}, {}};
        if (!n.formula.empty() && n.formula.front() == '=') n.formula.erase(0, 1);
        if (dn.localSheet >= 0) {
            n.fileSheet = size_t(dn.localSheet) < bookSheetIndex.size() ? bookSheetIndex[size_t(dn.localSheet)] : -1;
            if (n.fileSheet < 0) {
                warnings.push_back(nameWarning(dn.name, "属于未保存的工作表，已略过"));
                continue;
            }
        }
        if (dn.name.starts_with(kBuiltinPrefix)) {
            auto rest = std::string_view(dn.name).substr(kBuiltinPrefix.size());
            auto it = std::find_if(kBuiltinNames.begin(), kBuiltinNames.end(),
                                   [&](std::string_view b) { return equalsIgnoringCase(b, rest); });
            if (it == kBuiltinNames.end()) {
                warnings.push_back(nameWarning(dn.name, "是 2003 格式没有的内置名称，已略过"));
                continue;
            }
            n.builtin = true;
            n.text = std::string(1, char(it - kBuiltinNames.begin()));
        }
        std::string probe;
        bool wide = false;
        if (n.text.empty() || appendBiff8Chars(n.text, probe, wide) > kMaxNameUnits) {
            warnings.push_back(nameWarning(dn.name, "的长度不符合 2003 格式的要求，已略过"));
            continue;
        }
        m_names.push_back(std::move(n));
    }
}

std::optional<int> Biff8WriteLinks::sheetIndex(std::string_view name) const {
    for (size_t i = 0; i < m_sheetNames.size(); ++i)
        if (equalsIgnoringCase(m_sheetNames[i], name)) return int(i);
    return std::nullopt;
}

std::optional<uint16_t> Biff8WriteLinks::externSheet(std::string_view ref) {
    if (!ref.empty() && ref.front() == '[') return linkSheet(ref);
    auto colon = ref.find(':');
    auto first = sheetIndex(ref.substr(0, colon));
    auto last = colon == std::string_view::npos ? first : sheetIndex(ref.substr(colon + 1));
    if (!first || !last) return std::nullopt;
    return xtiFor(0, uint16_t(std::min(*first, *last)), uint16_t(std::max(*first, *last)));
}

std::optional<uint16_t> Biff8WriteLinks::xtiFor(uint32_t supBook, uint16_t first, uint16_t last) {
    for (size_t i = 0; i < m_xti.size(); ++i)
        if (m_xti[i].supBook == supBook && m_xti[i].first == first && m_xti[i].last == last) return uint16_t(i);
    if (m_xti.size() >= 0xFFFF) return std::nullopt;
    m_xti.push_back({supBook, first, last});
    return uint16_t(m_xti.size() - 1);
}

// "[2]Sheet1" or "[2]Sheet1:Sheet3": sheets of another workbook; a sheet the link does not list yet is added.
std::optional<uint16_t> Biff8WriteLinks::linkSheet(std::string_view ref) {
    const size_t close = ref.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    size_t book = 0;
    for (char c : ref.substr(1, close - 1)) {
        if (c < '0' || c > '9' || book > 0xFFFF) return std::nullopt;
        book = book * 10 + size_t(c - '0');
    }
    if (book == 0 || book > m_links.size()) return std::nullopt;
    Link& link = m_links[book - 1];
    auto indexOf = [&](std::string_view name) -> std::optional<uint16_t> {
        if (name.empty()) return std::nullopt;
        for (size_t i = 0; i < link.sheetNames.size(); ++i)
            if (equalsIgnoringCase(link.sheetNames[i], name)) return uint16_t(i);
        if (link.sheetNames.size() >= 0xFF) return std::nullopt;
        link.sheetNames.emplace_back(name);
        link.sheets.push_back(nullptr);
        return uint16_t(link.sheetNames.size() - 1);
    };
    const std::string_view sheets = ref.substr(close + 1);
    const size_t colon = sheets.find(':');
    auto first = indexOf(sheets.substr(0, colon));
    auto last = colon == std::string_view::npos ? first : indexOf(sheets.substr(colon + 1));
    if (!first || !last) return std::nullopt;
    link.used = true;
    return xtiFor(kExternal + uint32_t(book - 1), std::min(*first, *last), std::max(*first, *last));
}

// Records come in the order self, add-ins, then the other workbooks a formula uses.
uint16_t Biff8WriteLinks::supBookIndex(uint32_t supBook) const {
    if (supBook < kExternal) return uint16_t(supBook);
    uint16_t index = m_addIns.empty() ? 1 : 2;
    for (uint32_t k = 0; k + kExternal < supBook; ++k)
        if (m_links[k].used) ++index;
    return index;
}

std::optional<formula::BiffEncodeContext::AddInName> Biff8WriteLinks::addInFunction(std::string_view function) {
    std::string upper(function);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    if (!m_addInXti) {
        if (m_xti.size() >= 0xFFFF) return std::nullopt;
        // The add-in SUPBOOK comes second; its EXTERNSHEET entry names no sheet.
        m_xti.push_back({1, kNoSheet, kNoSheet});
        m_addInXti = uint16_t(m_xti.size() - 1);
    }
    auto it = std::find(m_addIns.begin(), m_addIns.end(), upper);
    if (it == m_addIns.end()) {
        if (m_addIns.size() >= 0xFFFF) return std::nullopt;
        it = m_addIns.insert(m_addIns.end(), upper);
    }
    return formula::BiffEncodeContext::AddInName{*m_addInXti, uint16_t(it - m_addIns.begin() + 1)};
}

std::optional<uint16_t> Biff8WriteLinks::nameIndex(std::string_view name, int fileSheet) const {
    std::optional<uint16_t> global;
    for (size_t i = 0; i < m_names.size(); ++i) {
        if (!equalsIgnoringCase(m_names[i].source, name)) continue;
        if (m_names[i].fileSheet == fileSheet && fileSheet >= 0) return uint16_t(i + 1);
        if (m_names[i].fileSheet < 0 && !global) global = uint16_t(i + 1);
    }
    return global;
}

formula::BiffEncodeContext Biff8WriteLinks::context(int fileSheet) {
    formula::BiffEncodeContext ctx;
    ctx.externSheet = [this](std::string_view sheet) { return externSheet(sheet); };
    ctx.definedName = [this, fileSheet](std::string_view name) { return nameIndex(name, fileSheet); };
    ctx.addInFunction = [this](std::string_view function) { return addInFunction(function); };
    return ctx;
}

void Biff8WriteLinks::encodeNames(std::vector<std::string>& warnings) {
    static constexpr uint8_t kRefError[] = {0x1C, 0x17}; // PtgErr #REF!
    for (Name& n : m_names) {
        auto encoded = formula::encodeBiff8Formula(n.formula, context(n.fileSheet));
        // The NAME record must hold name and formula in one record.
        if (encoded && encoded->tokens.size() + encoded->extra.size() + 2 * kMaxNameUnits + 16 <= kMaxRecordLength) {
            n.tokens = std::move(encoded->tokens);
            n.extra = std::move(encoded->extra);
            continue;
        }
        n.tokens.assign(std::begin(kRefError), std::end(kRefError));
        n.extra.clear();
        warnings.push_back(nameWarning(n.source, "的引用“" + n.formula + "”无法保存为 2003 格式，已改为 #REF!"));
    }
}

void Biff8WriteLinks::write(Biff8WriteBuffer& out) const {
    char* p = out.record(rec::SupBook, 4);
    Biff8WriteBuffer::put16(p, static_cast<uint16_t>(m_sheetNames.size()));
    Biff8WriteBuffer::put16(p + 2, 0x0401); // marks the SUPBOOK of this workbook itself
    if (!m_addIns.empty()) writeAddIns(out);
    for (const Link& link : m_links)
        if (link.used) writeLink(out, link);

    Biff8ContinuedWriter w(out, rec::ExternSheet);
    out.u16(static_cast<uint16_t>(m_xti.size()));
    for (const Xti& x : m_xti) {
        w.keepTogether(6);
        out.u16(supBookIndex(x.supBook));
        out.u16(x.first);
        out.u16(x.last);
    }
    w.finish();
    for (const Name& n : m_names)
        writeName(out, n);
}

void Biff8WriteLinks::writeAddIns(Biff8WriteBuffer& out) const {
    char* p = out.record(rec::SupBook, 4);
    Biff8WriteBuffer::put16(p, 1);
    Biff8WriteBuffer::put16(p + 2, 0x3A01); // marks the SUPBOOK of add-in functions
    for (const std::string& function : m_addIns) {
        size_t at = out.begin(rec::ExternName);
        out.u16(0);
        out.u32(0);
        writeShortString(out, function);
        // The name's own formula: #REF!, as the application writes for an add-in function.
        out.u16(2);
        out.u8(0x1C);
        out.u8(0x17);
        out.end(at);
    }
}

namespace {
// A path as the file encodes it: 0x01 first (an encoded path follows), 0x02 for the root of the drive, 0x03 between
// folders, "C:" as 0x01 and the letter. A relative path stays relative to the file.
std::string encodeLinkPath(std::string_view path) {
    std::string out = "\x01";
    size_t i = 0;
    if (path.size() >= 3 && path[1] == ':' && (path[2] == '/' || path[2] == '\\')) {
        out += '\x01';
        out += path[0];
        i = 3;
    } else if (path.starts_with("//") || path.starts_with("\\\\")) {
        out += "\x01@";
        i = 2;
    } else if (!path.empty() && (path[0] == '/' || path[0] == '\\')) {
        out += '\x02';
        i = 1;
    }
    for (; i < path.size(); ++i) {
        if (path.substr(i, 3) == "../" || path.substr(i, 3) == "..\\") {
            out += '\x04';
            i += 2;
        } else {
            out += path[i] == '/' || path[i] == '\\' ? '\x03' : path[i];
        }
    }
    return out;
}

// One CRN value: a type byte and eight bytes, or a string with its own length.
void putCachedValue(Biff8WriteBuffer& out, const Variant& value) {
    if (const double* d = std::get_if<double>(&value)) {
        out.u8(0x01);
        char bytes[8];
        Biff8WriteBuffer::putF64(bytes, *d);
        out.append(std::string_view(bytes, 8));
    } else if (const std::string* text = std::get_if<std::string>(&value)) {
        out.u8(0x02);
        writeLongString(out, *text, 255);
    } else {
        const bool isBool = std::holds_alternative<bool>(value);
        out.u8(isBool ? 0x04 : 0x10);
        out.u8(isBool ? uint8_t(std::get<bool>(value)) : uint8_t(std::get<ErrorCode>(value)));
        out.u16(0);
        out.u32(0);
        out.u8(0);
    }
}
} // namespace

// SUPBOOK with the file and its sheets, then per sheet an XCT and one CRN per run of cells in a row, so the formulas
// show the values the other workbook had without it.
void Biff8WriteLinks::writeLink(Biff8WriteBuffer& out, const Link& link) const {
    size_t at = out.begin(rec::SupBook);
    out.u16(static_cast<uint16_t>(link.sheetNames.size()));
    writeLongString(out, encodeLinkPath(link.target), 2048);
    for (const std::string& sheet : link.sheetNames)
        writeLongString(out, sheet, 255);
    out.end(at);
    for (size_t s = 0; s < link.sheets.size(); ++s) {
        if (!link.sheets[s]) continue;
        // Runs of neighbouring cells of one row, each small enough for one record (texts are cut at 255
        // characters, at most 2 bytes each).
        struct Run {
            uint16_t row;
            std::vector<std::pair<uint8_t, const Variant*>> cells;
            size_t bytes = 4;
        };
        std::vector<Run> runs;
        for (const auto& [place, value] : link.sheets[s]->cells) {
            const auto [row, col] = place;
            if (row > 0xFFFF || col > 0xFF || std::holds_alternative<std::monostate>(value)) continue;
            const std::string* text = std::get_if<std::string>(&value);
            const size_t bytes = text ? 4 + 2 * std::min<size_t>(text->size(), 255) : 9;
            if (runs.empty() || runs.back().row != row || runs.back().cells.back().first + 1u != col ||
                runs.back().bytes + bytes > kMaxRecordLength)
                runs.push_back({uint16_t(row), {}, 4});
            runs.back().cells.emplace_back(uint8_t(col), &value);
            runs.back().bytes += bytes;
        }
        if (runs.empty() || runs.size() > 0xFFFF) continue;
        char* p = out.record(rec::Xct, 4);
        Biff8WriteBuffer::put16(p, static_cast<uint16_t>(runs.size()));
        Biff8WriteBuffer::put16(p + 2, static_cast<uint16_t>(s));
        for (const Run& run : runs) {
            size_t crn = out.begin(rec::Crn);
            out.u8(run.cells.back().first);
            out.u8(run.cells.front().first);
            out.u16(run.row);
            for (const auto& cell : run.cells) putCachedValue(out, *cell.second);
            out.end(crn);
        }
    }
}

void Biff8WriteLinks::writeName(Biff8WriteBuffer& out, const Name& n) const {
    size_t at = out.begin(rec::Name);
    out.u16(uint16_t((n.hidden ? 0x0001 : 0) | (n.builtin ? 0x0020 : 0)));
    out.u8(0); // no keyboard shortcut
    size_t countAt = out.size();
    out.u8(0);
    out.u16(static_cast<uint16_t>(n.tokens.size()));
    out.u16(0);
    out.u16(static_cast<uint16_t>(n.fileSheet + 1));
    out.u32(0); // no menu, description, help or status texts
    uint32_t units = writeStringNoCount(out, n.text, kMaxNameUnits);
    out.bytes()[countAt] = static_cast<char>(units);
    out.append(std::string_view(reinterpret_cast<const char*>(n.tokens.data()), n.tokens.size()));
    out.append(std::string_view(reinterpret_cast<const char*>(n.extra.data()), n.extra.size()));
    out.end(at);
}

} // namespace tabrix::engine::xls
