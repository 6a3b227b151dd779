#include "engine/text/DelimitedReader.h"

#include "engine/text/CellSink.h"
#include "engine/text/TableSniffer.h"
#include "engine/text/TextEncoding.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <thread>
#include <vector>

namespace tabrix::engine::text {

namespace {
// One field's text with its quotes taken off; raw points into the text when nothing had to be unescaped.
class FieldReader {
public:
    FieldReader(std::string_view text, char delimiter) : m_text(text), m_delimiter(delimiter) {
        m_stops[static_cast<unsigned char>(delimiter)] = m_stops['\n'] = m_stops['\r'] = true;
    }

    bool atEnd() const { return m_pos >= m_text.size(); }
    // Reads the field at the current position; stops at its delimiter or line end (not consumed).
    std::string_view next() {
        if (m_text[m_pos] != '"') return unquoted();
        m_buffer.clear();
        ++m_pos;
        while (m_pos < m_text.size()) {
            const char* start = m_text.data() + m_pos;
            const void* q = std::memchr(start, '"', m_text.size() - m_pos);
            if (!q) {
                m_buffer.append(start, m_text.size() - m_pos);
                m_pos = m_text.size();
                m_openQuote = true;
                break;
            }
            const size_t len = size_t(static_cast<const char*>(q) - start);
            m_buffer.append(start, len);
            m_pos += len + 1;
            if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                m_buffer += '"';
                ++m_pos;
                continue;
            }
            break;
        }
        // Text after the closing quote belongs to the field, as the spreadsheet program reads it.
        m_buffer += unquoted();
        return m_buffer;
    }
    // True when the text ended inside a quoted field.
    bool endedInQuote() const { return m_openQuote; }
    // Consumes the delimiter or line end after a field; true when a new line starts.
    bool endOfField() {
        if (m_pos >= m_text.size()) return true;
        const char c = m_text[m_pos++];
        if (c == m_delimiter) return false;
        if (c == '\r' && m_pos < m_text.size() && m_text[m_pos] == '\n') ++m_pos;
        return true;
    }

private:
    std::string_view unquoted() {
        const size_t start = m_pos;
        const char* p = m_text.data() + m_pos;
        const char* end = m_text.data() + m_text.size();
        while (p < end && !m_stops[static_cast<unsigned char>(*p)])
            ++p;
        m_pos = size_t(p - m_text.data());
        return m_text.substr(start, m_pos - start);
    }

    std::string_view m_text;
    char m_delimiter;
    size_t m_pos = 0;
    std::string m_buffer;
    bool m_openQuote = false;
    std::array<bool, 256> m_stops{}; ///< the bytes that end an unquoted field
};

bool allDigits(std::string_view t) {
    if (t.empty()) return false;
    for (char c : t)
        if (c < '0' || c > '9') return false;
    return true;
}

void putField(CellSink& sink, RowData& cells, uint32_t row, uint32_t col, std::string_view field, char delimiter) {
    // ="0012": a formula giving the text, written by exporters so that digits stay text.
    if (field.size() >= 3 && field[0] == '=' && field[1] == '"' && field.back() == '"') {
        std::string inner(field.substr(2, field.size() - 3));
        for (size_t at = 0; (at = inner.find("\"\"", at)) != std::string::npos; ++at)
            inner.erase(at, 1);
        sink.putText(row, col, inner);
        return;
    }
    if (delimiter != '\t' && field.back() == '\t') {
        // An exporter's padding: spaces, then a TAB that keeps the field text when it is digits alone.
        std::string_view value = field.substr(0, field.size() - 1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
            value.remove_prefix(1);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
            value.remove_suffix(1);
        if (allDigits(value)) {
            sink.putText(row, col, value);
            return;
        }
        if (value.empty()) return;
        sink.appendTyped(cells, col, value);
        return;
    }
    sink.appendTyped(cells, col, field);
}

// One stretch of whole lines read on its own (on its own thread for a large file): its cells, texts and styles,
// the lines it held and whether it ended inside a quoted field.
struct Stretch {
    std::unique_ptr<BookData> book = std::make_unique<BookData>();
    std::unique_ptr<SheetData> sheet = std::make_unique<SheetData>();
    uint64_t lines = 0;
    bool openQuote = false;
    bool notUtf8 = false;
    std::exception_ptr error;
};

constexpr size_t kStretchBytes = 2 << 20; // below this one thread reads the text alone

size_t stretchCount(size_t bytes) {
    const size_t threads = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
    return std::clamp<size_t>(bytes / kStretchBytes, 1, threads);
}

// Where each stretch starts: after a line feed near each equal share of the text. Fewer bounds than
// stretches + 1 when the text has no line feed to split at.
std::vector<size_t> stretchBounds(std::string_view text, size_t count) {
    std::vector<size_t> bounds{0};
    for (size_t k = 1; k < count; ++k) {
        const size_t at = text.find('\n', std::max(bounds.back(), text.size() / count * k));
        if (at == std::string_view::npos || at + 1 >= text.size()) return {};
        bounds.push_back(at + 1);
    }
    bounds.push_back(text.size());
    return bounds;
}

// whole: the length of the text the rows will end up in (the stretch's own length unless it is the first of
// several, whose row table then takes every stretch's rows without moving).
void readStretch(std::string_view text, size_t whole, char delimiter, const std::string& where, bool checkUtf8,
                 Stretch& out) {
    try {
        // Stretches start after a line feed, so none cuts a character in two.
        if (checkUtf8 && !isValidUtf8(text)) {
            out.notUtf8 = true;
            return;
        }
        SheetData& sheet = *out.sheet;
        // Room for the rows the text probably holds (from the length of its first lines), so the row table is
        // not moved again and again as it grows.
        size_t lines = 0, at = 0;
        while (lines < 20 && (at = text.find('\n', at)) != std::string_view::npos)
            ++lines, ++at;
        if (lines > 0 && at != std::string_view::npos)
            sheet.rows().reserve(std::min<size_t>(whole / std::max<size_t>(at / lines, 8) + 16, kMaxRows));
        CellSink sink(*out.book, sheet, where);
        FieldReader reader(text, delimiter);
        uint64_t row = 0, col = 0;
        size_t width = 0;
        RowData* current = nullptr; // the row being filled, left to right
        while (!reader.atEnd()) {
            std::string_view field = reader.next();
            if (!field.empty()) {
                if (col >= kMaxCols || row >= kMaxRows) sink.checkPlace(row, col);
                if (!current) {
                    // Rows are mostly as wide as the one before: room for its cells saves growing each row.
                    current = &sheet.rowForWrite(uint32_t(row));
                    current->cells.reserve(width);
                }
                putField(sink, *current, uint32_t(row), uint32_t(col), field, delimiter);
            }
            if (reader.endOfField()) {
                if (current) width = current->cells.size();
                current = nullptr;
                ++row;
                col = 0;
            } else {
                ++col;
            }
        }
        out.lines = row;
        out.openQuote = reader.endedInQuote();
    } catch (...) {
        out.error = std::current_exception();
    }
}

// The stretches as one sheet: rows one after another, texts and styles taken into the first stretch's book. The
// texts are taken whole; then each later stretch's cells are renumbered and its rows put in place, in two halves
// side by side.
std::unique_ptr<BookData> joinStretches(std::vector<Stretch>& parts, const std::string& where) {
    BookData& book = *parts[0].book;
    SheetData& sheet = *parts[0].sheet;
    struct Placement {
        uint64_t rowBase;
        uint32_t textBase;
        std::vector<uint32_t> styles; ///< the stretch's style ids in the joined book
        bool sameStyles;              ///< each id is its own: stretches mostly meet formats in the same order
    };
    std::vector<Placement> placed(parts.size());
    uint64_t rowBase = parts[0].lines, texts = book.strings.size();
    for (size_t k = 1; k < parts.size(); ++k) {
        const BookData& own = *parts[k].book;
        const auto& rows = parts[k].sheet->rows();
        if (rowBase + rows.size() > kMaxRows) CellSink(book, sheet, where).checkPlace(rowBase + rows.size() - 1, 0);
        // Every style a stretch holds was taken for a cell, in the order its cells first needed them.
        std::vector<uint32_t> styles(own.styles.size(), 0);
        for (uint32_t id = 1; id < own.styles.size(); ++id)
            styles[id] = book.styles.intern(own.styles.get(id));
        bool same = true;
        for (uint32_t id = 0; same && id < styles.size(); ++id)
            same = styles[id] == id;
        placed[k] = {rowBase, uint32_t(texts), std::move(styles), same};
        rowBase += parts[k].lines;
        texts += own.strings.size();
    }
    size_t rowsNeeded = sheet.rows().size();
    for (size_t k = 1; k < parts.size(); ++k)
        rowsNeeded = std::max<size_t>(rowsNeeded, placed[k].rowBase + parts[k].sheet->rows().size());
    // Taken once here: the workers only fill their own rows of it.
    auto& all = sheet.rows();
    all.resize(rowsNeeded);

    // A later stretch's rows are renumbered and put in place in two halves, one on this thread.
    struct Share {
        size_t part, from, to;
    };
    std::vector<Share> shares;
    for (size_t k = 1; k < parts.size(); ++k) {
        const size_t count = parts[k].sheet->rows().size(), half = count / 2;
        shares.push_back({k, 0, half});
        shares.push_back({k, half, count});
    }
    auto place = [&](const Share& share) {
        auto& rows = parts[share.part].sheet->rows();
        const Placement& at = placed[share.part];
        for (size_t r = share.from; r < share.to; ++r) {
            for (Cell& cell : rows[r].cells) {
                if (cell.type == CellType::Text) cell.text += at.textBase;
                if (!at.sameStyles) cell.style = at.styles[cell.style];
            }
            all[at.rowBase + r] = std::move(rows[r]);
        }
    };
    // The texts keep their order: ids were given above on that understanding.
    for (size_t k = 1; k < parts.size(); ++k)
        book.strings.appendAll(std::move(parts[k].book->strings));
    {
        // Joined on every way out.
        std::vector<std::jthread> workers;
        for (size_t i = 0; i + 1 < shares.size(); ++i)
            workers.emplace_back(place, std::cref(shares[i]));
        if (!shares.empty()) place(shares.back());
    }
    sheet.touch();
    book.sheets.push_back(std::move(parts[0].sheet));
    return std::move(parts[0].book);
}
} // namespace

namespace {
std::unique_ptr<BookData> readStretches(std::string_view text, char delimiter, const std::string& sheetName,
                                        const std::string& where, bool checkUtf8) {
    char named = 0;
    text = stripSepLine(text, named);
    if (named) delimiter = named;
    std::vector<Stretch> parts(stretchCount(text.size()));
    const auto bounds = stretchBounds(text, parts.size());
    if (bounds.size() == parts.size() + 1) {
        std::vector<std::thread> workers;
        for (size_t k = 1; k < parts.size(); ++k)
            workers.emplace_back([&, k] {
                const size_t size = bounds[k + 1] - bounds[k];
                readStretch(text.substr(bounds[k], size), size, delimiter, where, checkUtf8, parts[k]);
            });
        readStretch(text.substr(0, bounds[1]), text.size(), delimiter, where, checkUtf8, parts[0]);
        for (auto& worker : workers)
            worker.join();
        for (auto& part : parts)
            if (part.notUtf8) return nullptr;
        for (auto& part : parts)
            if (part.error) std::rethrow_exception(part.error);
    }
    // A stretch that ended inside quotes split a quoted field: its line breaks were data, so read it all in one.
    bool clean = bounds.size() == parts.size() + 1;
    for (size_t k = 0; clean && k + 1 < parts.size(); ++k)
        clean = !parts[k].openQuote;
    if (!clean) {
        parts.resize(1);
        parts[0] = Stretch();
        readStretch(text, text.size(), delimiter, where, checkUtf8, parts[0]);
        if (parts[0].notUtf8) return nullptr;
        if (parts[0].error) std::rethrow_exception(parts[0].error);
    }
    auto book = joinStretches(parts, where);
    book->sheets.front()->name = sheetName;
    return book;
}
} // namespace

std::unique_ptr<BookData> readDelimited(std::string_view text, char delimiter, const std::string& sheetName,
                                        const std::string& where) {
    return readStretches(text, delimiter, sheetName, where, false);
}

std::unique_ptr<BookData> readDelimitedIfUtf8(std::string_view text, char delimiter, const std::string& sheetName,
                                              const std::string& where) {
    return readStretches(text, delimiter, sheetName, where, true);
}

} // namespace tabrix::engine::text
