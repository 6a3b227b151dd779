#include "engine/xlsx/FastXmlParser.h"
#include "engine/model/Utf8.h"

#include "engine/EngineError.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tabrix::engine::xlsx {

namespace {
constexpr const char* kInvalid = "not well-formed (invalid token)";
constexpr size_t kMaxToken = size_t(256) << 20;

enum : uint8_t { Plain, Less, Amp, Cr, High, Bad, Bracket };

constexpr std::array<uint8_t, 256> makeTextClass() {
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 32; ++c) t[size_t(c)] = Bad;
    t['\t'] = t['\n'] = Plain;
    t['\r'] = Cr;
    t['<'] = Less;
    t['&'] = Amp;
    t[']'] = Bracket;
    for (int c = 0x80; c < 256; ++c) t[size_t(c)] = High;
    return t;
}
constexpr std::array<uint8_t, 256> kTextClass = makeTextClass();

constexpr std::array<bool, 256> makeNameChars(bool start) {
    std::array<bool, 256> t{};
    for (int c = 'a'; c <= 'z'; ++c) t[size_t(c)] = true;
    for (int c = 'A'; c <= 'Z'; ++c) t[size_t(c)] = true;
    for (int c = 0x80; c < 256; ++c) t[size_t(c)] = true;
    t['_'] = t[':'] = true;
    if (!start) {
        for (int c = '0'; c <= '9'; ++c) t[size_t(c)] = true;
        t['-'] = t['.'] = true;
    }
    return t;
}
constexpr std::array<bool, 256> kNameStart = makeNameChars(true);
constexpr std::array<bool, 256> kNameChar = makeNameChars(false);

inline bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
inline unsigned char byteAt(const char* p) { return static_cast<unsigned char>(*p); }

bool xmlChar(uint32_t cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) ||
           (cp >= 0x10000 && cp <= 0x10FFFF);
}

// Length of the valid UTF-8 sequence of an XML character at p; 0 when invalid, -1 when cut off by end.
int utf8Length(const char* p, const char* end) {
    unsigned char c = byteAt(p);
    int n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (n == 0 || c > 0xF4) return 0;
    uint32_t cp = c & (0x7F >> n);
    for (int i = 1; i < n; ++i) {
        if (p + i >= end) return -1;
        unsigned char d = byteAt(p + i);
        if ((d & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (d & 0x3F);
    }
    static constexpr uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    return cp >= kMin[n] && xmlChar(cp) ? n : 0;
}

// End of the name starting at p (its first byte already checked); nullptr when the buffer ends inside it.
const char* nameEnd(const char* p, const char* end, const char*& bad) {
    while (p < end && kNameChar[byteAt(p)]) {
        if (byteAt(p) < 0x80) {
            ++p;
            continue;
        }
        int n = utf8Length(p, end);
        if (n < 0) return nullptr;
        if (n == 0) return bad = p, p;
        p += n;
    }
    return p < end ? p : nullptr;
}

// Checks that [p, end) holds only XML characters (comments, PIs, CDATA); returns the first bad byte or nullptr.
const char* badChar(const char* p, const char* end) {
    while (p < end) {
        uint8_t k = kTextClass[byteAt(p)];
        if (k == High) {
            int n = utf8Length(p, end);
            if (n <= 0) return p;
            p += n;
        } else if (k == Bad) {
            return p;
        } else {
            ++p;
        }
    }
    return nullptr;
}

std::string_view localPart(std::string_view qname) {
    size_t colon = qname.rfind(':');
    return colon == std::string_view::npos ? qname : qname.substr(colon + 1);
}
} // namespace

FastXmlParser::FastXmlParser(XmlHandler& handler, std::string where)
    : m_handler(handler), m_where(std::move(where)) {
    m_attrData.reserve(1024);
}

FastXmlParser::~FastXmlParser() = default;

void FastXmlParser::fail(const char* at, const char* message) {
    uint64_t line = m_lines + uint64_t(std::count(m_bufferStart, std::max(at, m_bufferStart), '\n'));
    throw Syntax{message, line};
}

void FastXmlParser::feed(std::string_view data, bool final) {
    if (m_expat) return m_expat->feed(data, final);
    if (m_inProlog) m_prolog.append(data);
    try {
        feedHere(data, final);
    } catch (const Syntax& e) {
        throw EngineError(xmlErrorMessage(m_where, e.line, e.message));
    } catch (const EngineError& e) {
        throw EngineError(m_where + ": " + e.what());
    }
    if (m_fallback) switchToExpat(final);
}

void FastXmlParser::switchToExpat(bool final) {
    m_expat = std::make_unique<ExpatParser>(m_handler, m_where);
    std::string prolog = std::move(m_prolog);
    m_carry.clear();
    m_expat->feed(prolog, final);
}

// Tokens cut by a chunk boundary wait in m_carry; only as much of the next chunk is copied behind them as it
// takes to finish them, and the rest of the chunk is parsed where it lies.
void FastXmlParser::feedHere(std::string_view data, bool final) {
    const char* base = data.data();
    size_t total = data.size(), pos = 0;
    while (!m_carry.empty()) {
        size_t oldLen = m_carry.size();
        size_t take = std::min(total - pos, std::max<size_t>(4096, oldLen));
        m_carry.append(base + pos, take);
        pos += take;
        bool last = final && pos == total;
        size_t used = parse(m_carry.data(), m_carry.data() + m_carry.size(), last);
        if (m_fallback) return;
        if (used > oldLen || last) {
            pos -= m_carry.size() - used;
            m_carry.clear();
            break;
        }
        m_carry.erase(0, used);
        if (m_carry.size() > kMaxToken) fail(m_bufferStart, "单个标签、注释或引用超过了 256 MiB");
        if (pos == total) return;
    }
    if (pos == total && !final) return;
    size_t used = parse(base + pos, base + total, final);
    if (!m_fallback && used < total - pos) m_carry.assign(base + pos + used, total - pos - used);
}

size_t FastXmlParser::parse(const char* begin, const char* end, bool final) {
    m_bufferStart = begin;
    const char* p = begin;
    while (p < end && !m_fallback) {
        const char* next;
        if (*p != '<') {
            next = text(p, end, final);
        } else if (end - p < 2) {
            next = nullptr;
        } else if (p[1] == '/') {
            next = endTag(p, end);
        } else if (p[1] == '?' || p[1] == '!') {
            next = special(p, end, final);
        } else if (kNameStart[byteAt(p + 1)]) {
            next = startTag(p, end);
        } else {
            fail(p + 1, kInvalid);
        }
        if (!next || next == p) break;
        p = next;
    }
    if (m_fallback) return size_t(p - begin);
    if (final && p < end) fail(p, "unclosed token");
    m_lines += uint64_t(std::count(begin, p, '\n'));
    m_consumed += uint64_t(p - begin);
    if (final) finishDocument();
    return size_t(p - begin);
}

void FastXmlParser::finishDocument() {
    if (!m_rootClosed) fail(m_bufferStart, "no element found");
}

const char* FastXmlParser::text(const char* p, const char* end, bool final) {
    const char* q = p;
    bool decode = false;
    while (q < end) {
        uint8_t k = kTextClass[byteAt(q)];
        if (k == Plain) {
            ++q;
        } else if (k == Less) {
            break;
        } else if (k == Amp || k == Cr) {
            decode = true;
            ++q;
        } else if (k == High) {
            int n = utf8Length(q, end);
            if (n > 0) {
                q += n;
                continue;
            }
            if (n < 0 && !final) break;
            if (m_nameStarts.empty() && !m_rootClosed) return m_fallback = true, p;
            fail(q, kInvalid);
        } else if (k == Bracket) {
            // "]]>" may not appear in text; at a chunk's end the brackets wait for the next byte.
            if (end - q < 3 && !final) break;
            if (end - q >= 3 && q[1] == ']' && q[2] == '>') fail(q, kInvalid);
            ++q;
        } else {
            if (m_nameStarts.empty() && !m_rootClosed) return m_fallback = true, p;
            fail(q, kInvalid);
        }
    }
    const char* stop = q;
    if ((q == end || *q != '<') && !final) {
        // The text goes on in the next chunk: keep back a reference or CR that the cut may have split.
        const char* amp = static_cast<const char*>(std::memchr(p, '&', size_t(q - p)));
        for (const char* a = amp; a; a = static_cast<const char*>(std::memchr(a + 1, '&', size_t(q - a - 1))))
            if (!std::memchr(a, ';', size_t(q - a))) {
                stop = a;
                break;
            }
        if (stop > p && stop[-1] == '\r') --stop;
        if (stop == p) return p;
    }
    if (m_nameStarts.empty()) {
        bool blank = std::all_of(p, stop, isSpace);
        if (!blank && m_rootClosed) fail(p, "junk after document element");
        // Anything but blanks before the root (a byte order mark, a UTF-16 document) is for expat to judge.
        if (!blank) return m_fallback = true, p;
        return stop;
    }
    if (!decode) {
        if (!m_filter.skipping()) m_handler.characters(p, int(stop - p));
    } else {
        m_decoded.clear();
        decodeInto(m_decoded, p, stop, false);
        if (!m_filter.skipping()) m_handler.characters(m_decoded.data(), int(m_decoded.size()));
    }
    return stop;
}

// Expands references and normalises line ends: CR LF and lone CR become LF in text and a space in attribute
// values, where TAB and LF become spaces too.
void FastXmlParser::decodeInto(std::string& out, const char* p, const char* end, bool attribute) {
    while (p < end) {
        char c = *p;
        if (c == '\r') {
            out += attribute ? ' ' : '\n';
            p += (p + 1 < end && p[1] == '\n') ? 2 : 1;
        } else if (attribute && (c == '\t' || c == '\n')) {
            out += ' ';
            ++p;
        } else if (c != '&') {
            out += c;
            ++p;
        } else {
            const char* semi = static_cast<const char*>(std::memchr(p, ';', size_t(end - p)));
            if (!semi) fail(p, kInvalid);
            std::string_view ref(p + 1, size_t(semi - p - 1));
            if (ref == "lt") out += '<';
            else if (ref == "gt") out += '>';
            else if (ref == "amp") out += '&';
            else if (ref == "quot") out += '"';
            else if (ref == "apos") out += '\'';
            else if (ref.size() >= 2 && ref[0] == '#') {
                bool hex = ref[1] == 'x';
                std::string_view digits = ref.substr(hex ? 2 : 1);
                uint32_t cp = 0;
                if (digits.empty() || digits.size() > 8) fail(p, kInvalid);
                for (char d : digits) {
                    int v = d >= '0' && d <= '9' ? d - '0'
                            : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                            : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                          : -1;
                    if (v < 0) fail(p, kInvalid);
                    cp = cp * (hex ? 16 : 10) + uint32_t(v);
                }
                if (!xmlChar(cp)) fail(p, "reference to invalid character number");
                appendUtf8(out, cp);
            } else {
                bool name = !ref.empty() && kNameStart[byteAt(ref.data())] &&
                            std::all_of(ref.begin(), ref.end(), [](char ch) { return kNameChar[byteAt(&ch)]; });
                fail(p, name ? "undefined entity" : kInvalid);
            }
            p = semi + 1;
        }
    }
}

const char* FastXmlParser::attribute(const char* p, const char* end) {
    if (!kNameStart[byteAt(p)]) fail(p, kInvalid);
    const char* bad = nullptr;
    const char* last = nameEnd(p, end, bad);
    if (bad) fail(bad, kInvalid);
    if (!last) return nullptr;
    const char* q = last;
    while (q < end && isSpace(*q)) ++q;
    if (q == end) return nullptr;
    if (*q != '=') fail(q, kInvalid);
    ++q;
    while (q < end && isSpace(*q)) ++q;
    if (q == end) return nullptr;
    if (*q != '"' && *q != '\'') fail(q, kInvalid);
    const char* valueStart = q + 1;
    const char* close = static_cast<const char*>(std::memchr(valueStart, *q, size_t(end - valueStart)));
    if (!close) return nullptr;
    bool decode = false;
    for (const char* v = valueStart; v < close;) {
        uint8_t k = kTextClass[byteAt(v)];
        if (k == Plain || k == Bracket) {
            decode |= *v == '\t' || *v == '\n';
            ++v;
        } else if (k == Amp || k == Cr) {
            decode = true;
            ++v;
        } else if (k == High) {
            int n = utf8Length(v, close);
            if (n <= 0) fail(v, kInvalid);
            v += n;
        } else {
            fail(v, kInvalid);
        }
    }
    std::string_view name(p, size_t(last - p));
    for (size_t i = 0; i < m_attrOffsets.size(); i += 2) {
        size_t length = m_attrOffsets[i + 1] - m_attrOffsets[i] - 1;
        if (name == std::string_view(m_attrData.data() + m_attrOffsets[i], length)) fail(p, "duplicate attribute");
    }
    m_attrOffsets.push_back(uint32_t(m_attrData.size()));
    m_attrData.append(name);
    m_attrData += '\0';
    m_attrOffsets.push_back(uint32_t(m_attrData.size()));
    if (decode)
        decodeInto(m_attrData, valueStart, close, true);
    else
        m_attrData.append(valueStart, size_t(close - valueStart));
    m_attrData += '\0';
    return close + 1;
}

const char* FastXmlParser::startTag(const char* p, const char* end) {
    const char* bad = nullptr;
    const char* q = nameEnd(p + 1, end, bad);
    if (bad) fail(bad, kInvalid);
    if (!q) return nullptr;
    std::string_view qname(p + 1, size_t(q - p - 1));
    m_attrData.clear();
    m_attrOffsets.clear();
    bool selfClose = false;
    for (;;) {
        bool space = false;
        while (q < end && isSpace(*q)) ++q, space = true;
        if (q == end) return nullptr;
        if (*q == '>') {
            ++q;
            break;
        }
        if (*q == '/') {
            if (q + 1 == end) return nullptr;
            if (q[1] != '>') fail(q, kInvalid);
            q += 2;
            selfClose = true;
            break;
        }
        if (!space) fail(q, kInvalid);
        q = attribute(q, end);
        if (!q) return nullptr;
    }
    if (m_rootClosed) fail(p, "junk after document element");
    if (m_inProlog) {
        m_inProlog = false;
        std::string().swap(m_prolog);
    }
    m_attrs.clear();
    for (uint32_t off : m_attrOffsets) m_attrs.push_back(m_attrData.data() + off);
    m_attrs.push_back(nullptr);
    std::string_view local = localPart(qname);
    if (!selfClose) {
        m_nameStarts.push_back(uint32_t(m_names.size()));
        m_names.append(qname);
    }
    if (m_filter.enter(local)) m_handler.startElement(local, m_attrs.data());
    if (selfClose) {
        if (m_filter.leave(local)) m_handler.endElement(local);
        if (m_nameStarts.empty()) m_rootClosed = true;
    }
    return q;
}

const char* FastXmlParser::endTag(const char* p, const char* end) {
    const char* bad = nullptr;
    const char* q = nameEnd(p + 2, end, bad);
    if (bad) fail(bad, kInvalid);
    if (!q) return nullptr;
    const char* last = q;
    while (q < end && isSpace(*q)) ++q;
    if (q == end) return nullptr;
    if (*q != '>') fail(q, kInvalid);
    std::string_view qname(p + 2, size_t(last - p - 2));
    if (m_nameStarts.empty() || std::string_view(m_names).substr(m_nameStarts.back()) != qname)
        fail(p, "mismatched tag");
    m_names.resize(m_nameStarts.back());
    m_nameStarts.pop_back();
    std::string_view local = localPart(qname);
    if (m_filter.leave(local)) m_handler.endElement(local);
    if (m_nameStarts.empty()) m_rootClosed = true;
    return q + 1;
}

// Comments, processing instructions, CDATA sections and (in the prolog) a DTD, which sends the document to expat.
const char* FastXmlParser::special(const char* p, const char* end, bool final) {
    auto startsWith = [&](std::string_view s) {
        size_t n = std::min(s.size(), size_t(end - p));
        return std::string_view(p, n) == s.substr(0, n) ? (n == s.size() ? 1 : 0) : -1;
    };
    auto find = [&](const char* from, std::string_view s) -> const char* {
        auto it = std::search(from, end, s.begin(), s.end());
        return it == end ? nullptr : it;
    };
    if (p[1] == '?') return instruction(p, end);
    int comment = startsWith("<!--"), cdata = startsWith("<![CDATA["), doctype = startsWith("<!DOCTYPE");
    if (comment == 0 || cdata == 0 || doctype == 0) {
        if (final) fail(p, "unclosed token");
        return nullptr;
    }
    if (comment == 1) {
        const char* dashes = find(p + 4, "--");
        if (!dashes || dashes + 2 == end) return nullptr;
        if (dashes[2] != '>') fail(dashes, kInvalid);
        if (const char* bad = badChar(p + 4, dashes)) fail(bad, kInvalid);
        return dashes + 3;
    }
    if (doctype == 1 && m_inProlog) return m_fallback = true, p;
    if (cdata != 1 || m_nameStarts.empty()) fail(p, kInvalid);
    const char* close = find(p + 9, "]]>");
    if (!close) return nullptr;
    if (const char* bad = badChar(p + 9, close)) fail(bad, kInvalid);
    if (!m_filter.skipping()) {
        m_decoded.clear();
        for (const char* v = p + 9; v < close; ++v)
            if (*v != '\r')
                m_decoded += *v;
            else if (v + 1 == close || v[1] != '\n')
                m_decoded += '\n';
        m_handler.characters(m_decoded.data(), int(m_decoded.size()));
    }
    return close + 3;
}

// A processing instruction is skipped; the XML declaration is checked, and anything unusual about it (another
// encoding, a misplaced or malformed declaration) leaves the document to expat.
const char* FastXmlParser::instruction(const char* p, const char* end) {
    std::string_view rest(p + 2, size_t(end - p - 2));
    size_t closeAt = rest.find("?>");
    if (closeAt == std::string_view::npos) return nullptr;
    const char* close = p + 2 + closeAt;
    if (!kNameStart[byteAt(p + 2)]) fail(p + 2, kInvalid);
    const char* bad = nullptr;
    const char* targetEnd = nameEnd(p + 2, close, bad);
    if (bad) fail(bad, kInvalid);
    if (!targetEnd) targetEnd = close;
    if (targetEnd < close && !isSpace(*targetEnd)) fail(targetEnd, kInvalid);
    if (const char* badByte = badChar(p + 2, close)) fail(badByte, kInvalid);
    std::string_view target(p + 2, size_t(targetEnd - p - 2));
    bool reserved = target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' &&
                    (target[2] | 0x20) == 'l';
    if (!reserved) return close + 2;
    if (!m_inProlog) fail(p, "XML or text declaration not at start of entity");
    bool atStart = m_consumed + uint64_t(p - m_bufferStart) == 0;
    if (!atStart || target != "xml" || !plainDeclaration(std::string_view(targetEnd, size_t(close - targetEnd))))
        return m_fallback = true, p;
    return close + 2;
}

// True for version="1.0", an optional UTF-8 encoding and an optional standalone, in that order.
bool FastXmlParser::plainDeclaration(std::string_view d) {
    auto space = [&] {
        size_t n = 0;
        while (n < d.size() && isSpace(d[n])) ++n;
        d.remove_prefix(n);
        return n > 0;
    };
    auto pseudo = [&](std::string_view name, std::string& value) {
        std::string_view saved = d;
        if (!space() || !d.starts_with(name)) return d = saved, false;
        d.remove_prefix(name.size());
        space();
        if (d.empty() || d.front() != '=') return false;
        d.remove_prefix(1);
        space();
        if (d.empty() || (d.front() != '"' && d.front() != '\'')) return false;
        size_t close = d.find(d.front(), 1);
        if (close == std::string_view::npos) return false;
        value.assign(d.substr(1, close - 1));
        d.remove_prefix(close + 1);
        return true;
    };
    std::string version, encoding, standalone;
    if (!pseudo("version", version) || version != "1.0") return false;
    if (pseudo("encoding", encoding)) {
        for (char& c : encoding) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (encoding != "utf-8") return false;
    }
    if (pseudo("standalone", standalone) && standalone != "yes" && standalone != "no") return false;
    space();
    return d.empty();
}

} // namespace tabrix::engine::xlsx
