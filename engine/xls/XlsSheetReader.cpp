#include "engine/xls/XlsSheetReader.h"

#include "engine/EngineError.h"
#include "engine/model/ColumnWidth.h"
#include "engine/xls/BiffRecordStream.h"
#include "engine/xls/BiffRecords.h"
#include "engine/xls/XlsFormulas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tabrix::engine::xls {

namespace {
constexpr uint16_t kCfRule = 0x01B1;
constexpr uint16_t kAutoFilter = 0x009E;
constexpr uint16_t kRowCustomHeight = 0x0040;
constexpr uint16_t kRowHidden = 0x0020;
constexpr uint16_t kRowFormatted = 0x0080;
constexpr uint16_t kRowDefaultHeight = 0x8000;
constexpr uint16_t kWindow2Frozen = 0x0008;
constexpr uint16_t kWsBoolDialog = 0x0010;
constexpr double kTwipsPerPoint = 20;

ErrorCode errorCode(uint8_t code) {
    switch (code) {
    case 0x00: return ErrorCode::Null;
    case 0x07: return ErrorCode::Div0;
    case 0x17: return ErrorCode::Ref;
    case 0x1D: return ErrorCode::Name;
    case 0x24: return ErrorCode::Num;
    case 0x2A: return ErrorCode::NA;
    case 0x2B: return ErrorCode::GettingData;
    default: return ErrorCode::Value;
    }
}

// The width the application shows for a DEFCOLWIDTH count of digits: the digits plus 5 pixels of padding,
// rounded up to a multiple of 8 pixels, at the default font's 7-pixel digit.
double widthFromDigits(double digits) {
    double pixels = std::ceil((std::clamp(digits, 0.0, 255.0) * 7 + 5) / 8) * 8;
    return (pixels - 5) / 7;
}

// Bytes between a FORMULA's cached result and its token length: options and, from BIFF5 on, a reserved 4-byte
// field. A record under the BIFF3/BIFF4 number may come from a writer that left that field out; the layout
// whose token length fills the record exactly, else the one whose length fits, decides.
size_t formulaFieldsAfterResult(uint16_t id, RecordReader& r) {
    if (id == rec::Formula) return 6;
    auto lengthAfter = [&r](size_t skip) -> std::optional<std::pair<size_t, size_t>> {
        if (r.remaining() < skip + 2) return std::nullopt;
        const size_t at = r.position();
        r.skip(skip);
        std::pair<size_t, size_t> found{r.u16(), r.remaining()};
        r.seek(at);
        return found;
    };
    auto withReserved = lengthAfter(6), without = lengthAfter(2);
    if (withReserved && withReserved->first == withReserved->second) return 6;
    if (without && without->first == without->second) return 2;
    return withReserved && withReserved->first <= withReserved->second ? 6 : 2;
}

class SheetReader {
public:
    SheetReader(XlsBook& xb, SheetData& sheet)
        : m_xb(xb), m_sheet(sheet), m_formulas(xb), m_where(xb.where + "，工作表“" + sheet.name + "”") {}
    void run(uint32_t position);

private:
    void parseRecord(const BiffRecord& record);
    void parseDefaultRowHeight(RecordReader& r);
    void parseRow(RecordReader& r);
    void parseColInfo(RecordReader& r);
    void parseMergedCells(RecordReader& r);
    void parseLabelSst(RecordReader& r);
    void parseLabel(RecordReader& r);
    void parseNumber(RecordReader& r);
    void parseRk(RecordReader& r);
    void parseMulRk(RecordReader& r);
    void parseBoolErr(RecordReader& r);
    void parseBlank(RecordReader& r);
    void parseMulBlank(RecordReader& r);
    void parseFormula(uint16_t id, RecordReader& r);
    void parseBiff2Cell(uint16_t id, RecordReader& r);
    void parseString(RecordReader& r);
    void parseObj(RecordReader& r);
    void finish();

    /// Reads row, column and XF of a cell record; false for a column beyond the sheet.
    bool cellHeader(RecordReader& r, Cell& cell);
    void place(const Cell& cell);
    void placeText(Cell& cell, std::string text);
    void note(const char* feature);
    void noteIf(bool seen, const char* feature) {
        if (seen) note(feature);
    }

    XlsBook& m_xb;
    SheetData& m_sheet;
    SheetFormulas m_formulas;
    std::string m_where; // file, stream and sheet, for messages
    std::vector<ColumnInfo> m_columns;
    uint32_t m_row = 0; // of the cell being read
    std::optional<uint32_t> m_emptyText; // one pool entry for every empty text of the sheet
    bool m_pendingString = false;
    uint32_t m_pendingRow = 0, m_pendingCol = 0;
};

void SheetReader::run(uint32_t position) {
    if (position >= m_xb.stream.size())
        throw EngineError(m_where + ": 起始于第 " + std::to_string(position) + " 字节，在工作簿流之外（文件已损坏）");
    BiffRecordStream stream(m_xb.stream, position, m_where);
    BiffRecord record;
    if (!stream.next(record) || record.id != rec::Bof)
        throw EngineError(m_where + ": 第 " + std::to_string(position) + " 字节处没有 BOF 记录（文件已损坏）");
    int depth = 0; // charts embedded in a worksheet are substreams of their own inside it
    while (stream.next(record)) {
        if (record.id == rec::Bof) {
            ++depth;
            note("charts");
        } else if (record.id == rec::Eof) {
            if (depth-- == 0) return finish();
        } else if (depth == 0) {
            parseRecord(record);
        }
    }
    throw EngineError(m_where + ": 结尾缺少 EOF 记录（文件不完整或已损坏）");
}

void SheetReader::parseRecord(const BiffRecord& record) {
    RecordReader r(record, m_xb.biff, &m_xb.codePage);
    if (m_pendingString && record.id != rec::String && record.id != rec::ShrFmla && record.id != rec::Array &&
        record.id != rec::Table)
        m_pendingString = false; // the formula's string result is missing; the cell keeps an empty text
    switch (record.id) {
    case rec::Row: parseRow(r); break;
    case rec::ColInfo: parseColInfo(r); break;
    case rec::DefColWidth: m_sheet.defaultColWidth = widthFromDigits(r.u16()); break;
    case rec::DefaultRowHeight: parseDefaultRowHeight(r); break;
    case rec::MergedCells: parseMergedCells(r); break;
    case rec::LabelSst: parseLabelSst(r); break;
    case rec::Label: parseLabel(r); break;
    case rec::RString: note("rich text"); parseLabel(r); break;
    case rec::Number: parseNumber(r); break;
    case rec::Rk: parseRk(r); break;
    case rec::MulRk: parseMulRk(r); break;
    case rec::BoolErr: parseBoolErr(r); break;
    case rec::Blank: parseBlank(r); break;
    case rec::MulBlank: parseMulBlank(r); break;
    case rec::Formula:
    case rec::Formula3:
    case rec::Formula4: parseFormula(record.id, r); break;
    case rec::Blank2:
    case rec::Integer2:
    case rec::Number2:
    case rec::Label2:
    case rec::BoolErr2: parseBiff2Cell(record.id, r); break;
    case rec::String: parseString(r); break;
    case rec::ShrFmla: m_formulas.parseSharedFormula(r); break;
    case rec::Array: m_formulas.parseArrayFormula(r); break;
    case rec::Note: note("comments"); break;
    case rec::HLink: note("hyperlinks"); break;
    case rec::DVal: note("data validation"); break;
    case rec::CondFmt:
    case kCfRule: note("conditional formats"); break;
    case rec::AutoFilterInfo:
    case kAutoFilter: note("autofilter"); break;
    case rec::SxView: note("pivot tables"); break;
    case rec::Obj: parseObj(r); break;
    case rec::Window2: noteIf(r.u16() & kWindow2Frozen, "freeze panes"); break;
    case rec::Protect: noteIf(r.u16() == 1, "sheet protection"); break;
    default: break;
    }
}

void SheetReader::note(const char* feature) {
    auto& list = m_sheet.droppedFeatures;
    if (std::find(list.begin(), list.end(), feature) == list.end()) list.emplace_back(feature);
}

bool SheetReader::cellHeader(RecordReader& r, Cell& cell) {
    m_row = r.u16();
    uint16_t col = r.u16();
    cell.style = m_xb.styleOf(r.u16());
    cell.col = col;
    return col < kMaxCols;
}

void SheetReader::place(const Cell& cell) {
    auto& cells = m_sheet.rowForWrite(m_row).cells;
    if (cells.empty() || cells.back().col < cell.col)
        cells.push_back(cell);
    else
        m_sheet.at(m_row, cell.col) = cell; // out of order or repeated: the later record wins
}

void SheetReader::placeText(Cell& cell, std::string text) {
    cell.type = CellType::Text;
    if (!text.empty()) {
        cell.text = m_xb.book->strings.append(std::move(text));
    } else {
        if (!m_emptyText) m_emptyText = m_xb.book->strings.append({});
        cell.text = *m_emptyText;
    }
    place(cell);
}

void SheetReader::parseDefaultRowHeight(RecordReader& r) {
    r.skip(2); // options
    uint16_t twips = r.u16() & 0x7FFF;
    if (twips > 0) m_sheet.defaultRowHeight = twips / kTwipsPerPoint;
}

void SheetReader::parseRow(RecordReader& r) {
    uint32_t row = r.u16();
    r.skip(4); // first and last column
    uint16_t height = r.u16();
    r.skip(4);
    uint16_t flags = r.u16();
    uint16_t xf = r.u16() & 0x0FFF;
    RowData& data = m_sheet.rowForWrite(row);
    data.hidden = flags & kRowHidden;
    if (flags & kRowFormatted) {
        data.style = m_xb.styleOf(xf);
        data.hasStyle = true;
    }
    double points = (height & 0x7FFF) / kTwipsPerPoint;
    if (!(height & kRowDefaultHeight) && points > 0 &&
        ((flags & kRowCustomHeight) || std::abs(points - m_sheet.defaultRowHeight) > 1e-9))
        data.height = float(points);
}

void SheetReader::parseColInfo(RecordReader& r) {
    uint32_t first = r.u16(), last = r.u16();
    uint16_t width = r.u16();
    uint16_t xf = r.u16();
    uint16_t flags = r.u16();
    if (first >= kMaxCols || first > last) return;
    ColumnInfo info;
    info.first = uint16_t(first);
    info.last = uint16_t(std::min<uint32_t>(last, kMaxCols - 1));
    info.width = displayWidth(width / 256.0);
    info.style = m_xb.styleOf(xf);
    info.hidden = flags & 0x0001;
    info.outlineLevel = uint8_t((flags >> 8) & 0x07);
    m_columns.push_back(info);
}

void SheetReader::parseMergedCells(RecordReader& r) {
    size_t count = r.u16();
    for (size_t i = 0; i < count && r.remaining() >= 8; ++i) {
        CellRect rect;
        rect.firstRow = r.u16();
        rect.lastRow = r.u16();
        rect.firstCol = r.u16();
        rect.lastCol = r.u16();
        if (rect.firstRow <= rect.lastRow && rect.firstCol <= rect.lastCol && rect.lastCol < kMaxCols &&
            !(rect.firstRow == rect.lastRow && rect.firstCol == rect.lastCol))
            m_sheet.merged.push_back(rect);
    }
}

void SheetReader::parseLabelSst(RecordReader& r) {
    Cell cell;
    if (!cellHeader(r, cell)) return;
    uint32_t index = r.u32();
    if (index >= m_xb.sstCount)
        r.fail("引用了编号为 " + std::to_string(index) + " 的共享字符串，但工作簿只有 " +
               std::to_string(m_xb.sstCount) + " 个共享字符串");
    cell.type = CellType::Text;
    cell.text = m_xb.sstBase + index;
    noteIf(index < m_xb.sstRich.size() && m_xb.sstRich[index], "rich text");
    place(cell);
}

// LABEL and RSTRING: the text is stored in the cell record (RSTRING adds formatting runs, which are skipped).
void SheetReader::parseLabel(RecordReader& r) {
    Cell cell;
    if (!cellHeader(r, cell)) return;
    placeText(cell, r.string(2));
}

void SheetReader::parseNumber(RecordReader& r) {
    Cell cell;
    if (!cellHeader(r, cell)) return;
    cell.type = CellType::Number;
    cell.number = r.f64();
    place(cell);
}

void SheetReader::parseRk(RecordReader& r) {
    Cell cell;
    if (!cellHeader(r, cell)) return;
    cell.type = CellType::Number;
    cell.number = decodeRk(r.u32());
    place(cell);
}

void SheetReader::parseMulRk(RecordReader& r) {
    m_row = r.u16();
    uint32_t col = r.u16();
    if (r.remaining() < 2) r.fail("记录太短，放不下最后一列的字段");
    size_t count = (r.remaining() - 2) / 6; // the record ends with the last column, which the length implies
    for (size_t i = 0; i < count && col < kMaxCols; ++i, ++col) {
        Cell cell;
        cell.col = uint16_t(col);
        cell.style = m_xb.styleOf(r.u16());
        cell.type = CellType::Number;
        cell.number = decodeRk(r.u32());
        place(cell);
    }
}

void SheetReader::parseBoolErr(RecordReader& r) {
    Cell cell;
    if (!cellHeader(r, cell)) return;
    uint8_t value = r.u8();
    if (r.u8()) {
        cell.type = CellType::Error;
        cell.error = errorCode(value);
    } else {
        cell.type = CellType::Boolean;
        cell.boolean = value != 0;
    }
    place(cell);
}

// A blank cell is in the file only because it was formatted; it is kept (and counts for the used range) even
// when its format looks like the default.
void SheetReader::parseBlank(RecordReader& r) {
    Cell cell;
    if (!cellHeader(r, cell)) return;
    if (cell.style == 0) cell.style = m_xb.formattedDefault;
    place(cell);
}

void SheetReader::parseMulBlank(RecordReader& r) {
    m_row = r.u16();
    uint32_t col = r.u16();
    if (r.remaining() < 2) r.fail("记录太短，放不下最后一列的字段");
    size_t count = (r.remaining() - 2) / 2;
    for (size_t i = 0; i < count && col < kMaxCols; ++i, ++col) {
        Cell cell;
        cell.col = uint16_t(col);
        cell.style = m_xb.styleOf(r.u16());
        if (cell.style == 0) cell.style = m_xb.formattedDefault;
        place(cell);
    }
}

void SheetReader::parseFormula(uint16_t id, RecordReader& r) {
    Cell cell;
    if (!cellHeader(r, cell)) return;
    auto result = r.bytes(8);
    r.skip(formulaFieldsAfterResult(id, r));
    size_t length = r.u16();
    auto tokens = r.bytes(length);
    cell.formula = m_formulas.cellFormula(m_row, cell.col, tokens, r.bytes(r.remaining()));
    // A result that is not a number has 0xFFFF in its top two bytes; the first byte says which kind it is.
    if (result[6] != 0xFF || result[7] != 0xFF) {
        cell.type = CellType::Number;
        std::memcpy(&cell.number, result.data(), 8);
        return place(cell);
    }
    switch (result[0]) {
    case 0: // a string, in the STRING record that follows
        m_pendingString = true;
        m_pendingRow = m_row;
        m_pendingCol = cell.col;
        return placeText(cell, {});
    case 1:
        cell.type = CellType::Boolean;
        cell.boolean = result[2] != 0;
        break;
    case 2:
        cell.type = CellType::Error;
        cell.error = errorCode(result[2]);
        break;
    case 3: return placeText(cell, {});
    default: break; // unknown: the formula stays, without a cached value
    }
    place(cell);
}

// A BIFF2 cell keeps the sheet's default format: its 3 attribute bytes predate the XF table of later files.
void SheetReader::parseBiff2Cell(uint16_t id, RecordReader& r) {
    Cell cell;
    m_row = r.u16();
    cell.col = r.u16();
    r.skip(3);
    if (cell.col >= kMaxCols) return;
    switch (id) {
    case rec::Integer2:
        cell.type = CellType::Number;
        cell.number = r.u16();
        break;
    case rec::Number2:
        cell.type = CellType::Number;
        cell.number = r.f64();
        break;
    case rec::BoolErr2: {
        uint8_t value = r.u8();
        cell.type = r.u8() ? CellType::Error : CellType::Boolean;
        if (cell.type == CellType::Error) cell.error = errorCode(value);
        else cell.boolean = value != 0;
        break;
    }
    case rec::Label2: {
        // 8-bit characters: in the file's code page before BIFF8; a BIFF8 stream's code page is UTF-16, so the
        // bytes are taken as Latin-1 there.
        auto raw = r.bytes(r.u8());
        static const CodePage latin1(1252);
        return placeText(cell, (m_xb.biff < 8 ? m_xb.codePage : latin1).toUtf8(raw));
    }
    default: // BLANK
        cell.style = m_xb.formattedDefault;
        break;
    }
    place(cell);
}

void SheetReader::parseString(RecordReader& r) {
    if (!m_pendingString) return;
    m_pendingString = false;
    std::string text = r.string(2);
    if (const Cell* cell = m_sheet.find(m_pendingRow, m_pendingCol); cell && cell->type == CellType::Text)
        m_sheet.at(m_pendingRow, m_pendingCol).text = m_xb.book->strings.append(std::move(text));
}

// Drawing objects: which kind the sheet holds decides what a save reports as left out.
void SheetReader::parseObj(RecordReader& r) {
    if (r.remaining() < 6) return;
    r.skip(4); // BIFF8: sub-record type and size; BIFF5: object count. Both put the object type next.
    switch (r.u16()) {
    case 0x05: note("charts"); break;
    case 0x08: note("images"); break;
    case 0x19: break; // a comment's box; NOTE records report the comment
    case 0x07:
    case 0x0B:
    case 0x0C:
    case 0x0E:
    case 0x10:
    case 0x11:
    case 0x12:
    case 0x14: note("form controls"); break;
    default: note("drawings"); break;
    }
}

void SheetReader::finish() {
    m_formulas.finish(m_sheet);
    m_sheet.columns = disjointColumnRuns(std::move(m_columns));
    m_sheet.touch();
}
} // namespace

double decodeRk(uint32_t rk) {
    double value;
    if (rk & 0x02) {
        value = double(int32_t(rk) >> 2); // arithmetic shift keeps the sign of the 30-bit integer
    } else {
        uint64_t bits = uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, 8);
    }
    return (rk & 0x01) ? value / 100 : value;
}

void readSheet(XlsBook& xb, uint32_t position, SheetData& sheet) { SheetReader(xb, sheet).run(position); }

std::optional<SheetKind> peekSheetKind(const XlsBook& xb, uint32_t position) {
    try {
        BiffRecordStream stream(xb.stream, position, xb.where);
        BiffRecord record;
        if (!stream.next(record) || record.id != rec::Bof || record.data.size() < 4) return std::nullopt;
        uint16_t type = uint16_t(record.data[2] | record.data[3] << 8);
        if (type == kSubstreamChart) return SheetKind::Chart;
        if (type == kSubstreamMacro) return SheetKind::Macro;
        // WSBOOL comes among the first records of a sheet, before any cell.
        for (int i = 0; i < 64 && stream.next(record); ++i) {
            if (record.id == rec::WsBool && !record.data.empty())
                return (record.data[0] & kWsBoolDialog) ? SheetKind::Dialog : SheetKind::Worksheet;
            if (record.id == rec::Eof || record.id == rec::Dimensions || record.id == rec::Bof) break;
        }
        return SheetKind::Worksheet;
    } catch (const EngineError&) {
        return std::nullopt;
    }
}

} // namespace tabrix::engine::xls
