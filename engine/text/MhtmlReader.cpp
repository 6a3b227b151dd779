#include "engine/text/MhtmlReader.h"

#include "engine/EngineError.h"
#include "engine/model/Utf8.h"
#include "engine/text/HtmlReader.h"
#include "engine/text/HtmlTokenizer.h"
#include "engine/text/MimeParts.h"
#include "engine/text/SheetMove.h"
#include "engine/text/SheetNaming.h"
#include "engine/text/TextEncoding.h"

#include <charconv>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tabrix::engine::text {

namespace {
constexpr size_t kCharsetHead = 16 * 1024; // where a page declares its charset, as for a page on its own

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

// The message without a byte-order mark and the blank lines some writers put before the header.
std::string_view messageStart(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    size_t lineStart = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\n')
            lineStart = i + 1;
        else if (c != '\r' && c != ' ' && c != '\t')
            break;
    }
    return bytes.substr(lineStart);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// "./a/../b" → "b": the dot segments of a path taken away.
std::string withoutDotSegments(std::string_view path) {
    std::vector<std::string_view> segments;
    while (true) {
        const size_t slash = path.find('/');
        const std::string_view segment = path.substr(0, slash);
        if (segment == "..") {
            if (!segments.empty() && !segments.back().empty()) segments.pop_back();
        } else if (segment != ".") {
            segments.push_back(segment);
        }
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
    }
    std::string out;
    for (size_t i = 0; i < segments.size(); ++i) {
        if (i > 0) out += '/';
        out += segments[i];
    }
    return out;
}

// A location as it is compared: escapes decoded, "\" as "/", ASCII letters in lower case (the files of a page saved
// on Windows are named ignoring case), dot segments resolved.
std::string comparableLocation(std::string_view location) {
    std::string out;
    out.reserve(location.size());
    for (size_t i = 0; i < location.size(); ++i) {
        const char c = location[i];
        if (c == '%' && i + 2 < location.size() && hexValue(location[i + 1]) >= 0 && hexValue(location[i + 2]) >= 0) {
            out += lower(char(hexValue(location[i + 1]) * 16 + hexValue(location[i + 2])));
            i += 2;
        } else {
            out += c == '\\' ? '/' : lower(c);
        }
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t'))
        out.pop_back();
    return withoutDotSegments(out);
}

std::string_view lastComponent(std::string_view location) {
    const size_t slash = location.find_last_of("/\\");
    return slash == std::string_view::npos ? location : location.substr(slash + 1);
}

// A scheme ("file:", "http:", "cid:") or a drive ("c:") before the first "/": no location to resolve against.
bool isAbsolute(std::string_view location) {
    const size_t colon = location.find(':');
    return location.starts_with('/') || (colon != std::string_view::npos && colon < location.find('/'));
}

bool endsWith(std::string_view s, std::string_view lowerSuffix) {
    if (s.size() < lowerSuffix.size()) return false;
    for (size_t i = 0; i < lowerSuffix.size(); ++i)
        if (lower(s[s.size() - lowerSuffix.size() + i]) != lowerSuffix[i]) return false;
    return true;
}

bool containsTable(std::string_view page) {
    for (size_t at = page.find('<'); at != std::string_view::npos; at = page.find('<', at + 1))
        if (endsWith(page.substr(at + 1, 5), "table")) return true;
    return false;
}

struct Part {
    std::string location; ///< comparable (see comparableLocation)
    std::string contentId;
    std::string type;
    std::string charset;
    std::string encoding;
    std::string_view body;

    bool isPage() const {
        return type == "text/html" || (type.empty() && (endsWith(location, ".htm") || endsWith(location, ".html")));
    }
    bool isStyleSheet() const { return type == "text/css" || endsWith(location, ".css"); }
    bool isXml() const { return type == "text/xml" || type == "application/xml" || endsWith(location, ".xml"); }
};

// A worksheet as the workbook's list names it.
struct ListedSheet {
    std::string name;
    std::string source; ///< the HRef of its part; empty when the list names none
};

// The workbook's sheet list, written as XML inside a conditional comment of the main page (or in a part of its
// own): <x:ExcelWorksheet><x:Name>…</x:Name><x:WorksheetSource HRef="…"/></x:ExcelWorksheet>, and
// <x:ActiveSheet>. The markup is read with the page tokenizer, which decodes references and ignores case.
class SheetList {
public:
    void read(std::string_view text, bool inComment = false) {
        HtmlTokenizer tokenizer(text);
        HtmlToken t;
        while (tokenizer.next(t)) {
            if (t.kind == HtmlToken::Comment && !inComment) {
                read(t.text, true); // once: a comment holds no comment
            } else if (t.kind == HtmlToken::StartTag) {
                start(t);
            } else if (t.kind == HtmlToken::EndTag) {
                end(t.name);
            } else if (t.kind == HtmlToken::Text && m_field) {
                *m_field += t.text;
            }
        }
    }

    std::vector<ListedSheet> sheets;
    std::optional<uint32_t> active;

private:
    void start(const HtmlToken& t) {
        if (t.name == "x:excelworksheet") {
            m_sheet.emplace();
        } else if (t.name == "x:name" && m_sheet) {
            m_field = &m_sheet->name;
        } else if (t.name == "x:worksheetsource" && m_sheet) {
            if (const std::string* href = t.attribute("href")) m_sheet->source = *href;
        } else if (t.name == "x:activesheet") {
            m_activeText.clear();
            m_field = &m_activeText;
        }
    }

    void end(const std::string& name) {
        m_field = nullptr;
        if (name == "x:excelworksheet" && m_sheet) {
            sheets.push_back(std::move(*m_sheet));
            m_sheet.reset();
        } else if (name == "x:activesheet") {
            uint32_t n = 0;
            const char* first = m_activeText.data();
            if (std::from_chars(first, first + m_activeText.size(), n).ec == std::errc()) active = n;
        }
    }

    std::optional<ListedSheet> m_sheet;
    std::string* m_field = nullptr; ///< the text being read: a sheet's name or the active sheet's number
    std::string m_activeText;
};

class MhtmlBook {
public:
    MhtmlBook(std::string_view bytes, const std::string& where) : m_where(where) { split(messageStart(bytes)); }

    std::unique_ptr<BookData> read() {
        const Part& main = m_parts[m_main];
        SheetList list;
        if (auto text = decoded(main)) list.read(*text);
        // The list is in the main page; a page that leaves it out may keep it in a part of its own.
        for (size_t i = 0; i < m_parts.size() && list.sheets.empty(); ++i)
            if (i != m_main && m_parts[i].isXml())
                if (auto text = decoded(m_parts[i])) list.read(*text);
        bool sourced = false;
        for (const ListedSheet& sheet : list.sheets)
            sourced = sourced || !sheet.source.empty();
        auto book = sourced ? listedSheets(list) : firstPageWithTables();
        book->content = ContentKind::Html;
        return book;
    }

private:
    void split(std::string_view message) {
        size_t pos = 0;
        const MimeHeaders headers = readMimeHeaders(message, pos);
        const std::string* contentType = mimeHeader(headers, "content-type");
        const std::string boundary = contentType ? mimeParameter(*contentType, "boundary") : std::string();
        if (boundary.empty() || boundary.size() > 200)
            throw EngineError(m_where + ": 单个文件网页的格式不对：没有分隔各部分的标记（boundary）");
        const std::string start = contentId(mimeParameter(*contentType, "start"));
        for (std::string_view body : mimeParts(message.substr(pos), boundary)) {
            size_t at = 0;
            const MimeHeaders fields = readMimeHeaders(body, at);
            Part part;
            if (const std::string* location = mimeHeader(fields, "content-location"))
                part.location = comparableLocation(*location);
            if (const std::string* id = mimeHeader(fields, "content-id")) part.contentId = contentId(*id);
            if (const std::string* type = mimeHeader(fields, "content-type")) {
                part.type = mimeMediaType(*type);
                part.charset = mimeParameter(*type, "charset");
            }
            if (const std::string* encoding = mimeHeader(fields, "content-transfer-encoding"))
                part.encoding = *encoding;
            part.body = body.substr(at);
            m_parts.push_back(std::move(part));
        }
        if (m_parts.empty()) throw EngineError(m_where + ": 单个文件网页中没有任何部分");
        // The main part is the first one unless the message's "start" names another by its Content-ID.
        for (size_t i = 0; i < m_parts.size() && !start.empty(); ++i)
            if (m_parts[i].contentId == start) {
                m_main = i;
                break;
            }
        for (size_t i = 0; i < m_parts.size(); ++i) {
            const Part& part = m_parts[i];
            if (!part.location.empty()) {
                m_byLocation.emplace(part.location, i);
                m_byName.emplace(std::string(lastComponent(part.location)), i);
            }
            if (!part.contentId.empty()) m_byId.emplace(part.contentId, i);
        }
    }

    static std::string contentId(std::string_view id) {
        while (!id.empty() && (id.front() == '<' || id.front() == ' '))
            id.remove_prefix(1);
        while (!id.empty() && (id.back() == '>' || id.back() == ' '))
            id.remove_suffix(1);
        return asciiLower(id);
    }

    // A part's text in UTF-8; nullopt when its transfer encoding is not known. A part marked us-ascii that holds
    // other bytes was written by a program that marks every part so: the page's own declaration is asked then.
    std::optional<std::string> decoded(const Part& part) const {
        std::optional<std::string> bytes = decodeTransferEncoding(part.body, part.encoding);
        if (!bytes) return std::nullopt;
        std::string charset = part.charset;
        if (const std::string label = asciiLower(charset); label == "us-ascii" || label == "ascii") charset.clear();
        if (charset.empty() && part.isPage())
            charset = declaredHtmlCharset(std::string_view(*bytes).substr(0, kCharsetHead));
        return decodeText(*bytes, charset).utf8;
    }

    // The export writes its class rules (the cells' number formats) into a style sheet part the sheets link to.
    std::string styleSheets() const {
        std::string css;
        for (const Part& part : m_parts)
            if (part.isStyleSheet())
                if (auto text = decoded(part)) css += *text + "\n";
        return css;
    }

    std::optional<size_t> findPart(std::string_view source) const {
        const std::string wanted = comparableLocation(source);
        auto in = [](const std::unordered_map<std::string, size_t>& map, const std::string& key) {
            auto it = map.find(key);
            return it == map.end() ? std::nullopt : std::optional<size_t>(it->second);
        };
        if (wanted.starts_with("cid:")) return in(m_byId, wanted.substr(4));
        if (!isAbsolute(wanted)) {
            const std::string& base = m_parts[m_main].location;
            const size_t slash = base.rfind('/');
            const std::string resolved =
                withoutDotSegments(slash == std::string::npos ? wanted : base.substr(0, slash + 1) + wanted);
            if (auto found = in(m_byLocation, resolved)) return found;
        }
        if (auto found = in(m_byLocation, wanted)) return found;
        return in(m_byName, std::string(lastComponent(wanted)));
    }

    std::unique_ptr<BookData> listedSheets(const SheetList& list) {
        auto book = std::make_unique<BookData>();
        const std::string css = styleSheets();
        std::vector<bool> taken(m_parts.size(), false);
        for (const ListedSheet& listed : list.sheets) {
            if (listed.source.empty())
                throw EngineError(m_where + ": 单个文件网页中的工作表“" + listed.name + "”没有指明它在哪个部分");
            const std::string label(lastComponent(listed.source));
            const std::optional<size_t> index = findPart(listed.source);
            if (!index)
                throw EngineError(m_where + ": 单个文件网页中缺少工作表“" + listed.name + "”的部分（" + label + "）");
            // A list that names one part twice is read once: a part is never read over and over.
            if (taken[*index]) continue;
            taken[*index] = true;
            const Part& part = m_parts[*index];
            const std::optional<std::string> page = decoded(part);
            if (!page)
                throw EngineError(m_where + ": 单个文件网页中工作表“" + listed.name + "”的部分（" + label +
                                  "）无法解码：不认识的传送编码“" + part.encoding + "”");
            const std::string name = uniqueName(listed.name, "Sheet" + std::to_string(book->sheets.size() + 1));
            if (containsTable(*page)) {
                auto sheetBook = readHtml(*page, m_where + "（" + label + "）", css);
                moveSheet(*sheetBook, 0, *book).name = name;
            } else {
                // An empty worksheet (or a chart's page): the tab stays, without cells.
                book->sheets.push_back(std::make_unique<SheetData>());
                book->sheets.back()->name = name;
            }
        }
        if (list.active && *list.active < book->sheets.size()) book->activeSheet = *list.active;
        return book;
    }

    // The sheet name as validSheetName makes it, kept apart from the names taken before with a hash set and a
    // counter per name: a list of thousands of sheets of one name costs no more than of different ones.
    std::string uniqueName(std::string_view wanted, const std::string& fallback) {
        const std::string name = validSheetName(wanted, m_noSheets, fallback);
        if (m_taken.insert(asciiLower(name)).second) return name;
        for (uint32_t& n = m_nextSuffix.try_emplace(asciiLower(name), 2).first->second;; ++n) {
            const std::string suffix = " (" + std::to_string(n) + ")";
            std::string candidate = utf8Prefix(name, 31 - suffix.size()) + suffix;
            if (m_taken.insert(asciiLower(candidate)).second) return candidate;
        }
    }

    static std::string asciiLower(std::string_view s) {
        std::string out(s);
        for (char& c : out)
            c = lower(c);
        return out;
    }

    std::unique_ptr<BookData> firstPageWithTables() {
        std::vector<size_t> order{m_main};
        for (size_t i = 0; i < m_parts.size(); ++i)
            if (i != m_main) order.push_back(i);
        for (size_t i : order) {
            const Part& part = m_parts[i];
            if (!part.isPage() || endsWith(part.location, "tabstrip.htm")) continue;
            const std::optional<std::string> page = decoded(part);
            if (page && containsTable(*page)) return readHtml(*page, m_where, styleSheets());
        }
        throw EngineError(m_where + ": 单个文件网页中没有表格，不是工作簿");
    }

    std::string m_where;
    std::vector<Part> m_parts;
    size_t m_main = 0;
    std::unordered_map<std::string, size_t> m_byLocation, m_byName, m_byId;
    const BookData m_noSheets; ///< what a name is made valid against before it is made unique
    std::unordered_set<std::string> m_taken;
    std::unordered_map<std::string, uint32_t> m_nextSuffix;
};
} // namespace

bool looksLikeMhtml(std::string_view head) {
    size_t pos = 0;
    const MimeHeaders headers = readMimeHeaders(messageStart(head), pos);
    const std::string* contentType = mimeHeader(headers, "content-type");
    return mimeHeader(headers, "mime-version") && contentType && mimeMediaType(*contentType) == "multipart/related";
}

std::unique_ptr<BookData> readMhtml(std::string_view bytes, const std::string& where) {
    return MhtmlBook(bytes, where).read();
}

} // namespace tabrix::engine::text
