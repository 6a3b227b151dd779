#include "engine/text/HtmlStyleSheet.h"

#include "engine/text/CssRules.h"
#include "engine/text/TextValue.h"

#include <algorithm>
#include <tuple>

namespace tabrix::engine::text {

namespace {
// A crafted sheet of many display rules, or an element of many classes, must not make each element cost much.
constexpr size_t kMaxDisplayRules = 10000;
constexpr size_t kMaxRulesPerKey = 16;
constexpr size_t kMaxElementClasses = 32;

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}


// The name (tag or class) at s[i] in lower case; i moves past it.
std::string lowerIdentifier(std::string_view s, size_t& i) {
    std::string name;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' &&
            static_cast<unsigned char>(c) < 0x80)
            break;
        name += lower(c);
    }
    return name;
}

size_t findNoCase(std::string_view hay, std::string_view needle) {
    if (hay.size() < needle.size()) return std::string_view::npos;
    for (size_t i = 0; i + needle.size() <= hay.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && lower(hay[i + k]) == needle[k])
            ++k;
        if (k == needle.size()) return i;
    }
    return std::string_view::npos;
}

// The value of "mso-number-format" in a block of declarations, as written (quotes and escapes kept).
std::string_view formatDeclaration(std::string_view body) {
    size_t at = findNoCase(body, "mso-number-format");
    if (at == std::string_view::npos) return {};
    at = body.find(':', at);
    if (at == std::string_view::npos) return {};
    ++at;
    while (at < body.size() && (body[at] == ' ' || body[at] == '\t' || body[at] == '\n' || body[at] == '\r'))
        ++at;
    size_t end = at;
    bool quoted = false;
    for (; end < body.size(); ++end) {
        const char c = body[end];
        if (c == '\\') {
            ++end;
        } else if (c == '"') {
            quoted = !quoted;
        } else if ((c == ';' || c == '}') && !quoted) {
            break;
        }
    }
    return body.substr(at, std::min(end, body.size()) - at);
}
} // namespace

std::string msoNumberFormat(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size())
            out += value[++i];
        else if (c != '"')
            out += c;
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t' || out.back() == '\r' || out.back() == '\n'))
        out.pop_back();
    // A date with ";@" after it is still a date; the text section only matters for text.
    if (out.size() > 2 && out.ends_with(";@")) out.resize(out.size() - 2);
    if (auto code = namedFormatCode(out)) return *code;
    return out;
}

void HtmlStyleSheet::parse(std::string_view css) {
    forEachCssRule(css, [this](std::string_view selector, std::string_view body) {
        std::string_view value = formatDeclaration(body);
        if (!value.empty()) {
            const std::string code = msoNumberFormat(value);
            for (size_t dot = selector.find('.'); dot != std::string_view::npos; dot = selector.find('.', dot + 1)) {
                size_t e = dot + 1;
                while (e < selector.size() && (std::isalnum(static_cast<unsigned char>(selector[e])) ||
                                               selector[e] == '-' || selector[e] == '_'))
                    ++e;
                if (e > dot + 1 && m_classFormats.size() < 100000)
                    m_classFormats[std::string(selector.substr(dot + 1, e - dot - 1))] = code;
            }
        }
        if (const DisplayDeclaration display = displayDeclaration(body); display.set)
            addDisplayRule(selector, display.none, display.important);
    });
}

void HtmlStyleSheet::addDisplayRule(std::string_view selectors, bool none, bool important) {
    while (!selectors.empty()) {
        const size_t comma = selectors.find(',');
        const std::string_view one = cssTrimmed(selectors.substr(0, comma));
        selectors = comma == std::string_view::npos ? std::string_view() : selectors.substr(comma + 1);
        DisplayRule rule;
        size_t i = 0;
        if (one.starts_with('*'))
            ++i;
        else
            rule.tag = lowerIdentifier(one, i);
        while (i < one.size() && one[i] == '.') {
            std::string name = lowerIdentifier(one, ++i);
            if (name.empty()) break;
            rule.classes.push_back(std::move(name));
        }
        if (i != one.size() || (rule.tag.empty() && rule.classes.empty())) continue; // not a simple selector
        if (m_displayRules.size() >= kMaxDisplayRules) return;
        auto& indexed = m_displayIndex[rule.classes.empty() ? rule.tag : "." + rule.classes.front()];
        if (indexed.size() >= kMaxRulesPerKey) continue;
        rule.none = none;
        rule.important = important;
        rule.order = uint32_t(m_displayRules.size());
        indexed.push_back(rule.order);
        m_displayRules.push_back(std::move(rule));
    }
}

const HtmlStyleSheet::DisplayRule* HtmlStyleSheet::strongestRule(const HtmlToken& element) const {
    if (m_displayRules.empty()) return nullptr;
    std::vector<std::string> classes;
    if (const std::string* list = element.attribute("class")) {
        std::string_view rest = *list;
        while (classes.size() < kMaxElementClasses) {
            size_t i = 0;
            while (i < rest.size() && isCssSpace(rest[i]))
                ++i;
            if (i == rest.size()) break;
            size_t end = i;
            while (end < rest.size() && !isCssSpace(rest[end]))
                ++end;
            std::string name(rest.substr(i, end - i));
            for (char& c : name)
                c = lower(c);
            classes.push_back(std::move(name));
            rest.remove_prefix(end);
        }
    }
    const DisplayRule* best = nullptr;
    auto weigh = [&](const std::string& key) {
        auto it = m_displayIndex.find(key);
        if (it == m_displayIndex.end()) return;
        for (uint32_t id : it->second) {
            const DisplayRule& rule = m_displayRules[id];
            if (!rule.tag.empty() && rule.tag != element.name) continue;
            bool all = true;
            for (const std::string& needed : rule.classes)
                all = all && std::find(classes.begin(), classes.end(), needed) != classes.end();
            if (!all) continue;
            auto strength = [](const DisplayRule& r) {
                return std::tuple(r.important, r.classes.size(), !r.tag.empty(), r.order);
            };
            if (!best || strength(rule) > strength(*best)) best = &rule;
        }
    };
    weigh(element.name);
    for (const std::string& name : classes)
        weigh("." + name);
    return best;
}

bool HtmlStyleSheet::hides(const HtmlToken& element) const {
    const std::string* style = element.attribute("style");
    // Most cells of an export carry a style attribute, few of them a display.
    const bool ownDisplay = style && findNoCase(*style, "display") != std::string_view::npos;
    const DisplayDeclaration own = ownDisplay ? displayDeclaration(*style) : DisplayDeclaration{};
    if (own.set && own.important) return own.none;
    const DisplayRule* rule = strongestRule(element);
    if (rule && rule->important) return rule->none;
    if (own.set) return own.none;
    if (rule) return rule->none;
    return element.attribute("hidden") != nullptr;
}

std::string HtmlStyleSheet::cellFormat(const std::string* style, const std::string* classes) const {
    if (style) {
        std::string_view value = formatDeclaration(*style);
        if (!value.empty()) return msoNumberFormat(value);
    }
    if (classes && !m_classFormats.empty()) {
        std::string_view list = *classes;
        while (!list.empty()) {
            const size_t space = list.find(' ');
            auto it = m_classFormats.find(std::string(list.substr(0, space)));
            if (it != m_classFormats.end()) return it->second;
            if (space == std::string_view::npos) break;
            list.remove_prefix(space + 1);
        }
    }
    return {};
}

} // namespace tabrix::engine::text
