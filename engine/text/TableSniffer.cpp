#include "engine/text/TableSniffer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <vector>

namespace tabrix::engine::text {

namespace {
constexpr std::array<char, 4> kCandidates = {',', '\t', ';', '|'};
constexpr size_t kWholeText = 128 << 10;  ///< text up to this long is judged whole
constexpr size_t kHeadBytes = 64 << 10;   ///< of a longer text: its start (where a preamble would be) ...
constexpr size_t kSamples = 16;           ///< ... and this many windows spread over the rest
constexpr size_t kSampleBytes = 4 << 10;

bool isCandidate(char c) {
    return std::find(kCandidates.begin(), kCandidates.end(), c) != kCandidates.end();
}

// What one candidate makes of the records: each record's field count and first line, and per record whether
// a field was broken (started or ended, padding aside, with another candidate's character).
struct Split {
    struct Record {
        uint32_t fields;
        uint32_t line;
        uint32_t broken;
    };
    std::vector<Record> records;
};

// Splits text into records with one candidate. Quotes count only at a field's start, as readers treat them;
// blank lines are no records.
void splitRecords(std::string_view text, char delimiter, uint32_t firstLine, Split& out) {
    uint32_t line = firstLine, recordLine = firstLine, fields = 1, broken = 0;
    bool quoted = false, fieldStart = true, any = false;
    char first = 0, last = 0; // the field's first and last characters other than blanks
    auto endField = [&] {
        if ((first && first != delimiter && isCandidate(first)) || (last && last != delimiter && isCandidate(last)))
            ++broken;
        first = last = 0;
    };
    auto endRecord = [&] {
        endField();
        if (any) out.records.push_back({fields, recordLine, broken});
        fields = 1;
        broken = 0;
        any = false;
        fieldStart = true;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"')
                    ++i;
                else
                    quoted = false;
            } else if (c == '\n') {
                ++line;
            }
            continue;
        }
        if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            endRecord();
            recordLine = ++line;
            continue;
        }
        if (c == delimiter) {
            endField();
            ++fields;
            any = true;
            fieldStart = true;
            continue;
        }
        if (c == '"' && fieldStart) {
            quoted = true;
            fieldStart = false;
            any = true;
            first = last = '"';
            continue;
        }
        fieldStart = false;
        // Spaces and a TAB that is not the delimiter are padding: they neither break a field nor make one.
        if (c != ' ' && c != '\t') {
            if (!first) first = c;
            last = c;
            any = true;
        }
    }
    endRecord();
}

// The text cut into what is judged: the whole of a short text, else its start and windows spread over the rest,
// each from a line start to a line end. The start keeps its line numbers; windows count as later lines.
std::vector<std::pair<std::string_view, uint32_t>> samples(std::string_view text) {
    if (text.size() <= kWholeText) return {{text, 1}};
    std::vector<std::pair<std::string_view, uint32_t>> out;
    size_t headEnd = text.rfind('\n', kHeadBytes);
    if (headEnd == std::string_view::npos) headEnd = kHeadBytes;
    out.push_back({text.substr(0, headEnd), 1});
    const size_t step = (text.size() - headEnd) / kSamples;
    for (size_t k = 0; k < kSamples; ++k) {
        size_t from = text.find('\n', headEnd + k * step);
        if (from == std::string_view::npos) break;
        ++from;
        size_t to = text.rfind('\n', std::min(text.size() - 1, from + kSampleBytes));
        if (to == std::string_view::npos || to <= from) continue;
        // Far beyond the start, so these never decide where the table starts.
        out.push_back({text.substr(from, to - from), UINT32_MAX / 2});
    }
    return out;
}

struct Verdict {
    double score = 0;
    uint32_t fields = 0;
    uint32_t firstRow = 1;
};

Verdict judge(const Split& split) {
    std::map<uint32_t, uint32_t> counts;
    for (const auto& r : split.records)
        if (r.fields >= 2) ++counts[r.fields];
    Verdict v;
    uint32_t most = 0;
    for (const auto& [fields, n] : counts)
        if (n > most || (n == most && fields > v.fields)) {
            most = n;
            v.fields = fields;
        }
    if (most == 0) return v;
    // Text with a stray delimiter or two is still one column: a table has at least two records of one width,
    // unless the text is a single record.
    if (most < 2 && split.records.size() > 2) return v;
    uint64_t broken = 0, fields = 0;
    bool started = false;
    for (size_t i = 0; i < split.records.size(); ++i) {
        const auto& r = split.records[i];
        if (r.fields != v.fields) continue;
        if (!started) {
            v.firstRow = r.line;
            started = true;
        }
        broken += r.broken;
        fields += r.fields;
    }
    const double clean = fields ? 1.0 - double(broken) / double(fields) : 0;
    v.score = double(most) * std::log2(double(v.fields)) * clean * clean;
    return v;
}

bool preferred(char candidate, DelimiterHint hint) {
    return (hint == DelimiterHint::Comma && candidate == ',') || (hint == DelimiterHint::Tab && candidate == '\t');
}

} // namespace

std::string_view stripSepLine(std::string_view text, char& named) {
    if (text.size() >= 5 && (text.starts_with("sep=") || text.starts_with("SEP=")) && text[4] != '\r' &&
        text[4] != '\n') {
        size_t end = 5;
        if (end < text.size() && text[end] == '\r') ++end;
        if (end < text.size() && text[end] == '\n') ++end;
        if (end == 5 && end < text.size()) return text; // "sep=x" followed by more text is data
        named = text[4];
        return text.substr(end);
    }
    return text;
}
TableLayout sniffTable(std::string_view text, DelimiterHint hint) {
    TableLayout layout;
    char named = 0;
    const std::string_view body = stripSepLine(text, named);
    if (named) {
        layout.delimiter = named;
        layout.named = true;
        return layout;
    }
    const auto parts = samples(body);
    Verdict best;
    for (char candidate : kCandidates) {
        Split split;
        for (const auto& [part, line] : parts) splitRecords(part, candidate, line, split);
        const Verdict v = judge(split);
        if (v.score <= 0) continue;
        // Within a hair of each other the name decides; otherwise the better split wins.
        const bool tie = best.score > 0 && std::abs(v.score - best.score) <= 0.02 * std::max(v.score, best.score);
        if (best.score <= 0 || (tie ? preferred(candidate, hint) : v.score > best.score)) {
            best = v;
            layout.delimiter = candidate;
            layout.firstRow = v.firstRow;
        }
    }
    return layout;
}

} // namespace tabrix::engine::text
