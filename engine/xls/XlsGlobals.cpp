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
    void parseXct(RecordReader& r);
    void parseCrn(RecordReader& r);
    void parseLink(const BiffRecord& record);

    XlsBook& m_xb;
    GlobalsInfo& m_info;
    XlsStyleBuilder m_styles;
    bool m_sstSeen = false;
    ExternalSheet* m_cachedSheet = nullptr; ///< the sheet of another workbook the CRN records being read fill
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
    case rec::Xct:
    case rec::Crn:
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
        case rec::Xct: return parseXct(r);
        case rec::Crn: return parseCrn(r);
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
        ExternalBook link;
        link.target = decodeLinkPath(r.stringOfLength(kind));
        for (size_t i = 0; i < sheets && r.remaining() > 0; ++i) book.sheets.push_back(r.string(2));
        for (const std::string& sheet : book.sheets) link.sheets.push_back({sheet, {}});
        // An OLE or DDE link has no sheets; only a workbook's link can be written again.
        if (!book.sheets.empty() && m_xb.biff >= 8) {
            book.externalBook = int(m_xb.book->externalBooks.size());
            m_xb.book->externalBooks.push_back(std::move(link));
        }
    }
    m_cachedSheet = nullptr;
    m_xb.supBooks.push_back(std::move(book));
}

// XCT: the CRN records that follow hold values of one sheet of the last SUPBOOK's workbook.
void GlobalsReader::parseXct(RecordReader& r) {
    m_cachedSheet = nullptr;
    r.skip(2); // the count of CRN records
    const uint16_t sheet = r.u16();
    if (m_xb.supBooks.empty() || m_xb.supBooks.back().externalBook < 0) return;
    ExternalBook& link = m_xb.book->externalBooks[size_t(m_xb.supBooks.back().externalBook)];
    if (sheet < link.sheets.size()) m_cachedSheet = &link.sheets[sheet];
}

// CRN: values of one row's run of cells in that sheet, each a typed 9-byte entry (strings: their own length).
void GlobalsReader::parseCrn(RecordReader& r) {
    if (!m_cachedSheet) return;
    const uint8_t lastCol = r.u8();
    const uint8_t firstCol = r.u8();
    const uint16_t row = r.u16();
    for (uint32_t col = firstCol; col <= lastCol && r.remaining() > 0; ++col) {
        const uint8_t type = r.u8();
        Variant value;
        switch (type) {
        case 0x01: value = r.f64(); break;
        case 0x02: value = r.string(2); break;
        case 0x04:
            value = r.u8() != 0;
            r.skip(7);
            break;
        case 0x10: {
            const uint8_t code = r.u8();
            r.skip(7);
            if (auto error = errorFromText(errorText(ErrorCode(code)))) value = *error;
            break;
        }
        default: r.skip(8); break;
        }
        if (!std::holds_alternative<std::monostate>(value)) m_cachedSheet->cells[{row, col}] = std::move(value);
    }
}

// An add-in function (EDATE and the like) or a name in another workbook, listed after its SUPBOOK (BIFF8) or
// EXTERNSHEET (BIFF5) record.
void GlobalsReader::parseExternName(RecordReader& r) {
    r.skip(6); // options and two reserved or sheet fields
    std::string name = r.string(1);
    if (m_xb.biff >= 8 && !m_xb.supBooks.empty() && m_xb.supBooks.back().externalBook >= 0)
        m_xb.book->externalBooks[size_t(m_xb.supBooks.back().externalBook)].names.push_back({name, {}, -1});
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

std::string decodeLinkPath(std::string_view encoded) {
    // 0x01 first marks an encoded path; without it the text is the file name as it is.
    if (encoded.empty() || encoded.front() != 0x01) return std::string(encoded);
    std::string out;
    for (size_t i = 1; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == 0x01 && i + 1 < encoded.size()) { // a drive ("C:/") or, with "@", a network share
            ++i;
            out += encoded[i] == '@' ? std::string("//") : std::string(1, encoded[i]) + ":/";
        } else if (c == 0x02 || c == 0x03) {
            out += '/';
        } else if (c == 0x04) {
            out += "../";
        } else if (c >= 0x05 && c <= 0x08) {
            // folders of the installation (start-up, library): only the file name can be kept
        } else {
            out += c;
        }
    }
    return out;
}

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
