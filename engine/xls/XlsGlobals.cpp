#include "engine/xls/XlsGlobals.h"

#include "engine/EngineError.h"
#include "engine/xls/BiffRecords.h"
#include "engine/xls/XlsFormulas.h"
#include "engine/xls/XlsStyles.h"

#include <algorithm>
#include <cstdio>

namespace tabrix::engine::xls {

namespace {
constexpr uint16_t kSupBookSelf = 0x0401;
constexpr uint16_t kSupBookAddIn = 0x3A01;
constexpr uint16_t kNameHidden = 0x0001;
constexpr uint16_t kNameBuiltin = 0x0020;

// Names the format stores as a one-character code.
constexpr const char* kBuiltinNames[] = {"Consolidate_Area", "Auto_Open",     "Auto_Close",      "Extract",
                                         "Database",         "Criteria",      "Print_Area",      "Print_Titles",
                                         "Recorder",         "Data_Form",     "Auto_Activate",   "Auto_Deactivate",
                                         "Sheet_Title",      "_FilterDatabase"};

std::string hex4(uint16_t v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%04X", unsigned(v));
    return buf;
}

class GlobalsReader {
public:
    GlobalsReader(XlsBook& xb, GlobalsInfo& info) : m_xb(xb), m_info(info), m_styles(8) {}

    void run();

private:
    void parseBof(const BiffRecord& record);
    void parseRecord(const BiffRecord& record);
    void parseBoundSheet(RecordReader& r);
    void parseSst(RecordReader& r);
    void parseExternSheet(RecordReader& r);
    void parseSupBook(RecordReader& r);
    void parseExternName(RecordReader& r);
    void parseName(RecordReader& r);
    void parseLink(const BiffRecord& record);

    XlsBook& m_xb;
    GlobalsInfo& m_info;
    XlsStyleBuilder m_styles;
    bool m_sstSeen = false;
};

void GlobalsReader::run() {
    BiffRecordStream stream(m_xb.stream, 0, m_xb.where);
    BiffRecord record;
    if (!stream.next(record)) throw EngineError(m_xb.where + ": 工作簿流是空的");
    parseBof(record);
    m_styles = XlsStyleBuilder(m_xb.biff);
    while (stream.next(record)) {
        if (record.id == rec::Eof) {
            m_xb.xfToStyle = m_styles.build(m_xb.book->styles);
            m_xb.formattedDefault = m_xb.book->styles.append(m_xb.book->styles.get(0));
            return;
        }
        parseRecord(record);
    }
    throw EngineError(m_xb.where + ": 工作簿流在全局部分结束之前就中断了（没有 EOF 记录；文件不完整或已损坏）");
}

void GlobalsReader::parseBof(const BiffRecord& record) {
    if (record.id == rec::Bof2 || record.id == rec::Bof3 || record.id == rec::Bof4)
        throw EngineError(m_xb.where + ": 这是 Excel 2.x-4.0（BIFF2-4）格式的文件，无法读取；请另存为较新的格式后再试");
    if (record.id != rec::Bof)
        throw EngineError(m_xb.where + ": 不是工作簿流（开头是 " + recordName(record.id) + "，而不是 BOF）");
    RecordReader r(record, 8);
    uint16_t version = r.u16();
    uint16_t type = r.u16();
    if (version == kBiff8)
        m_xb.biff = 8;
    else if (version == kBiff5)
        m_xb.biff = 5;
    else // some exporters leave the version out; the stream's name says which generation wrote it
        m_xb.biff = m_xb.streamName.ends_with("Book") ? 5 : 8;
    if (type != kSubstreamGlobals)
        throw EngineError(m_xb.where + ": 工作簿流的开头不是工作簿全局部分（BOF 类型 " + hex4(type) + "）");
}

void GlobalsReader::parseRecord(const BiffRecord& record) {
    RecordReader r(record, m_xb.biff, &m_xb.codePage);
    switch (record.id) {
    case rec::FilePass:
        if (m_xb.decrypted) break;
        throw EngineError(m_xb.where + ": FILEPASS 记录不在工作簿流的开头（文件已损坏）");
    case rec::CodePage: m_xb.codePage = CodePage(r.u16()); break;
    case rec::DateMode: m_xb.book->date1904 = r.u16() == 1; break;
    case rec::BoundSheet: parseBoundSheet(r); break;
    case rec::Sst: parseSst(r); break;
    case rec::Font: m_styles.parseFont(r); break;
    case rec::Format: m_styles.parseFormat(r); break;
    case rec::Xf: m_styles.parseXf(r); break;
    case rec::Palette: m_styles.parsePalette(r); break;
    case rec::ExternSheet:
    case rec::SupBook:
    case rec::ExternName:
    case rec::Name: parseLink(record); break;
    case rec::Window1: r.skip(10), m_info.activeTab = r.u16(); break;
    default: break;
    }
}

// Names and external references only serve formulas: a damaged one costs the formulas that use it (they keep
// their cached values), not the workbook. An entry still takes its place, as formulas count them by position.
void GlobalsReader::parseLink(const BiffRecord& record) {
    RecordReader r(record, m_xb.biff, &m_xb.codePage);
    try {
        switch (record.id) {
        case rec::ExternSheet: return parseExternSheet(r);
        case rec::SupBook: return parseSupBook(r);
        case rec::ExternName: return parseExternName(r);
        default: return parseName(r);
        }
    } catch (const EngineError&) {
        if (record.id == rec::SupBook) m_xb.supBooks.emplace_back();
        if (record.id == rec::Name) m_xb.nameTexts.emplace_back();
        if (record.id == rec::ExternSheet && m_xb.biff < 8) m_xb.externSheets.emplace_back();
    }
}

void GlobalsReader::parseBoundSheet(RecordReader& r) {
    SheetEntry e;
    e.position = r.u32();
    uint8_t state = r.u8() & 0x03;
    e.visibility = state == 0 ? Visibility::Visible : state == 1 ? Visibility::Hidden : Visibility::VeryHidden;
    e.type = r.u8();
    e.name = r.string(1);
    m_xb.sheetNames.push_back(e.name);
    m_info.sheets.push_back(std::move(e));
}

// The count in the header may be wrong either way: strings are read while the record has data, up to the count.
void GlobalsReader::parseSst(RecordReader& r) {
    if (m_sstSeen || m_xb.biff < 8) return;
    m_sstSeen = true;
    r.skip(4); // references in the workbook, not needed
    uint32_t unique = r.u32();
    StringPool& pool = m_xb.book->strings;
    m_xb.sstBase = pool.size();
    uint32_t count = 0;
    while (count < unique && r.remaining() > 0) {
        bool rich = false;
        pool.append(r.string(2, &rich));
        m_xb.sstRich.push_back(rich);
        ++count;
    }
    m_xb.sstCount = count;
}

void GlobalsReader::parseExternSheet(RecordReader& r) {
    if (m_xb.biff >= 8) {
        size_t count = r.u16();
        for (size_t i = 0; i < count && r.remaining() >= 6; ++i) {
            ExternSheet es;
            es.supBook = r.u16();
            es.firstSheet = r.u16();
            es.lastSheet = r.u16();
            m_xb.externSheets.push_back(es);
        }
        return;
    }
    // BIFF5: one record per entry, an encoded name whose first byte says what it refers to.
    ExternSheet es;
    size_t length = r.u8();
    uint8_t kind = r.remaining() > 0 ? r.u8() : 0;
    if (kind == 0x03) {
        auto raw = r.bytes(std::min(length, r.remaining()));
        es.biff5Sheet = m_xb.codePage.toUtf8(raw);
    } else if (kind == 0x04) {
        es.biff5Self = true;
    }
    m_xb.externSheets.push_back(std::move(es));
}

void GlobalsReader::parseSupBook(RecordReader& r) {
    SupBook book;
    size_t sheets = r.u16();
    uint16_t kind = r.u16();
    if (kind == kSupBookSelf) {
        book.self = true;
    } else if (kind != kSupBookAddIn) {
        r.stringOfLength(kind); // the other workbook's path
        for (size_t i = 0; i < sheets && r.remaining() > 0; ++i) book.sheets.push_back(r.string(2));
    }
    m_xb.supBooks.push_back(std::move(book));
}

// An add-in function (EDATE and the like) or a name in another workbook, listed after its SUPBOOK (BIFF8) or
// EXTERNSHEET (BIFF5) record.
void GlobalsReader::parseExternName(RecordReader& r) {
    r.skip(6); // options and two reserved or sheet fields
    std::string name = r.string(1);
    if (m_xb.biff >= 8 && !m_xb.supBooks.empty())
        m_xb.supBooks.back().externNames.push_back(std::move(name));
    else if (m_xb.biff < 8 && !m_xb.externSheets.empty())
        m_xb.externSheets.back().externNames.push_back(std::move(name));
}

void GlobalsReader::parseName(RecordReader& r) {
    RawName n;
    n.flags = r.u16();
    r.skip(1); // keyboard shortcut
    size_t length = r.u8();
    size_t tokens = r.u16();
    r.skip(2);
    n.sheet = r.u16();
    r.skip(4); // lengths of menu, description, help and status texts, which follow the formula
    n.name = r.stringOfLength(length);
    if ((n.flags & kNameBuiltin) && n.name.size() == 1 && uint8_t(n.name[0]) < std::size(kBuiltinNames))
        n.name = std::string("_xlnm.") + kBuiltinNames[uint8_t(n.name[0])];
    auto formula = r.bytes(std::min(tokens, r.remaining()));
    auto extra = r.bytes(r.remaining());
    n.tokens.assign(formula.begin(), formula.end());
    n.extra.assign(extra.begin(), extra.end());
    m_xb.nameTexts.push_back(n.name);
    m_info.names.push_back(std::move(n));
}
} // namespace

GlobalsInfo readGlobals(XlsBook& xb) {
    GlobalsInfo info;
    GlobalsReader(xb, info).run();
    return info;
}

void resolveNames(XlsBook& xb, const GlobalsInfo& info) {
    for (const RawName& raw : info.names) {
        if (raw.tokens.empty() || raw.name.empty()) continue; // macro and function names have no formula
        auto text = formula::decodeBiffFormula(raw.tokens, raw.extra, decodeContext(xb, 0, 0));
        if (!text) continue;
        DefinedName name;
        name.name = raw.name;
        name.formula = std::move(*text);
        name.hidden = raw.flags & kNameHidden;
        name.localSheet = raw.sheet > 0 && raw.sheet <= info.sheets.size() ? int(raw.sheet) - 1 : -1;
        xb.book->names.push_back(std::move(name));
    }
}

} // namespace tabrix::engine::xls
