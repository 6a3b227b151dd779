#include "engine/text/MimeParts.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>

namespace tabrix::engine::text {

namespace {
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (isBlank(s.front()) || s.front() == '\r' || s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() && (isBlank(s.back()) || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

std::string lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = lower(c);
    return out;
}

// A field name: printable ASCII without spaces or the colon.
bool isFieldName(std::string_view name) {
    if (name.empty()) return false;
    for (char c : name)
        if (c <= ' ' || c > '~') return false;
    return true;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string quotedPrintable(std::string_view body) {
    std::string out;
    out.reserve(body.size());
    const size_t n = body.size();
    for (size_t i = 0; i < n;) {
        const void* eq = std::memchr(body.data() + i, '=', n - i);
        const size_t at = eq ? size_t(static_cast<const char*>(eq) - body.data()) : n;
        out.append(body.data() + i, at - i);
        if (at == n) break;
        // A soft line break: "=" and the line's end, with the blanks a mail transport may have left before it.
        size_t j = at + 1;
        while (j < n && isBlank(body[j]))
            ++j;
        if (j == n || body[j] == '\n') {
            i = j + 1;
        } else if (body[j] == '\r') {
            i = j + 1 + (j + 1 < n && body[j + 1] == '\n' ? 1 : 0);
        } else if (at + 2 < n && hexValue(body[at + 1]) >= 0 && hexValue(body[at + 2]) >= 0) {
            out += char(hexValue(body[at + 1]) * 16 + hexValue(body[at + 2]));
            i = at + 3;
        } else {
            out += '='; // not an escape: kept as written, as readers of such mail do
            i = at + 1;
        }
    }
    return out;
}

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Characters outside the alphabet (line breaks, stray spaces) are skipped; the padding ends the data.
std::string base64(std::string_view body) {
    std::string out;
    out.reserve(body.size() / 4 * 3 + 3);
    uint32_t bits = 0;
    int count = 0;
    for (char c : body) {
        if (c == '=') break;
        const int v = base64Value(c);
        if (v < 0) continue;
        bits = (bits << 6 | uint32_t(v)) & 0xFFFFFF;
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += char(bits >> count & 0xFF);
        }
    }
    return out;
}
} // namespace

MimeHeaders readMimeHeaders(std::string_view text, size_t& pos) {
    MimeHeaders headers;
    while (pos < text.size()) {
        const size_t eol = text.find('\n', pos);
        const size_t next = eol == std::string_view::npos ? text.size() : eol + 1;
        const std::string_view line = text.substr(pos, next - pos);
        if (trimmed(line).empty()) {
            pos = next;
            return headers;
        }
        if (isBlank(line.front())) {
            if (headers.empty()) return headers; // no field to continue: the body starts here
            headers.back().second += ' ';
            headers.back().second += trimmed(line);
        } else {
            const size_t colon = line.find(':');
            if (colon == std::string_view::npos || !isFieldName(line.substr(0, colon))) return headers;
            headers.emplace_back(lowered(line.substr(0, colon)), std::string(trimmed(line.substr(colon + 1))));
        }
        pos = next;
    }
    return headers;
}

const std::string* mimeHeader(const MimeHeaders& headers, std::string_view name) {
    for (const auto& [field, value] : headers)
        if (field == name) return &value;
    return nullptr;
}

std::string mimeMediaType(std::string_view contentType) {
    return lowered(trimmed(contentType.substr(0, contentType.find(';'))));
}

std::string mimeParameter(std::string_view contentType, std::string_view name) {
    size_t i = contentType.find(';');
    const size_t n = contentType.size();
    while (i < n) {
        ++i; // past the ';'
        const size_t nameEnd = std::min(contentType.find_first_of("=;", i), n);
        const bool wanted = lowered(trimmed(contentType.substr(i, nameEnd - i))) == name;
        if (nameEnd == n || contentType[nameEnd] == ';') {
            i = nameEnd;
            continue;
        }
        i = nameEnd + 1;
        while (i < n && isBlank(contentType[i]))
            ++i;
        std::string value;
        if (i < n && contentType[i] == '"') {
            for (++i; i < n && contentType[i] != '"'; ++i) {
                if (contentType[i] == '\\' && i + 1 < n) ++i;
                value += contentType[i];
            }
            i = std::min(contentType.find(';', i), n);
        } else {
            const size_t end = std::min(contentType.find(';', i), n);
            value = trimmed(contentType.substr(i, end - i));
            i = end;
        }
        if (wanted) return value;
    }
    return {};
}

std::vector<std::string_view> mimeParts(std::string_view body, std::string_view boundary) {
    std::vector<std::string_view> parts;
    const std::string delimiter = "--" + std::string(boundary);
    const std::boyer_moore_horspool_searcher searcher(delimiter.begin(), delimiter.end());
    const size_t n = body.size();
    size_t partStart = std::string_view::npos;
    size_t from = 0;
    while (from < n) {
        const auto found = std::search(body.begin() + ptrdiff_t(from), body.end(), searcher);
        if (found == body.end()) break;
        const auto at = size_t(found - body.begin());
        const size_t after = at + delimiter.size();
        const bool closing = body.substr(after).starts_with("--");
        size_t p = after + (closing ? 2 : 0);
        while (p < n && isBlank(body[p]))
            ++p;
        // A delimiter starts a line and ends it (a closing one may have anything after it).
        if ((at > 0 && body[at - 1] != '\n') || (!closing && p < n && body[p] != '\r' && body[p] != '\n')) {
            from = at + 1;
            continue;
        }
        if (partStart != std::string_view::npos) {
            size_t end = at;
            if (end > partStart && body[end - 1] == '\n') --end;
            if (end > partStart && body[end - 1] == '\r') --end;
            parts.push_back(body.substr(partStart, end - partStart));
        }
        if (closing) return parts;
        if (p < n && body[p] == '\r') ++p;
        if (p < n && body[p] == '\n') ++p;
        partStart = from = p;
    }
    if (partStart != std::string_view::npos) parts.push_back(body.substr(std::min(partStart, n)));
    return parts;
}

std::optional<std::string> decodeTransferEncoding(std::string_view body, std::string_view encoding) {
    const std::string name = lowered(trimmed(encoding));
    if (name.empty() || name == "7bit" || name == "8bit" || name == "binary") return std::string(body);
    if (name == "quoted-printable") return quotedPrintable(body);
    if (name == "base64") return base64(body);
    return std::nullopt;
}

} // namespace tabrix::engine::text
