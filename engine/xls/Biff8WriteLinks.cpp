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
    auto colon = ref.find(':');
    auto first = sheetIndex(ref.substr(0, colon));
    auto last = colon == std::string_view::npos ? first : sheetIndex(ref.substr(colon + 1));
    if (!first || !last) return std::nullopt;
    auto lo = uint16_t(std::min(*first, *last)), hi = uint16_t(std::max(*first, *last));
    for (size_t i = 0; i < m_xti.size(); ++i)
        if (m_xti[i].supBook == 0 && m_xti[i].first == lo && m_xti[i].last == hi) return uint16_t(i);
    if (m_xti.size() >= 0xFFFF) return std::nullopt;
    m_xti.push_back({0, lo, hi});
    return uint16_t(m_xti.size() - 1);
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

    Biff8ContinuedWriter w(out, rec::ExternSheet);
    out.u16(static_cast<uint16_t>(m_xti.size()));
    for (const Xti& x : m_xti) {
        w.keepTogether(6);
        out.u16(x.supBook);
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
