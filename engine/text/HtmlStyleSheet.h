#pragma once

#include "engine/text/HtmlTokenizer.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tabrix::engine::text {

/// What a page's style sheet says of its elements as a table reader needs it: the number formats a spreadsheet
/// program's page export writes as "mso-number-format" into class rules and style attributes ("\@" keeps a cell as
/// text), and which elements "display:none" takes out of the page.
///
/// Of the selectors, the simple ones hide: a tag name, classes, or a tag with classes ("span", ".sortkey",
/// "span.sortkey", ".a.b"), each of a comma-separated list. Class names match ignoring ASCII case, as pages without a
/// doctype (most exports) are read. A selector with combinators, ids, attributes or pseudo-classes hides nothing:
/// what it picks depends on the elements around, and showing a hidden text is the lesser fault than losing a
/// shown one.
class HtmlStyleSheet {
public:
    /// Takes the rules of one <style> element (or of a style sheet the page links to), after those taken before.
    void parse(std::string_view css);
    /// The number format code for a cell with these style and class attributes; empty for none.
    std::string cellFormat(const std::string* style, const std::string* classes) const;
    /// Whether the element is not displayed: its style attribute's display, else that of the class rules that
    /// match it (!important first, then the more specific, then the later), else the hidden attribute. Only
    /// display:none counts; visibility:hidden keeps the element's place and its text, so that text is kept too.
    bool hides(const HtmlToken& element) const;

private:
    struct DisplayRule {
        std::string tag;                  ///< empty: any element
        std::vector<std::string> classes; ///< all of them on the element, in lower case
        bool none = false;
        bool important = false;
        uint32_t order = 0;
    };
    void addDisplayRule(std::string_view selector, bool none, bool important);
    const DisplayRule* strongestRule(const HtmlToken& element) const;

    std::unordered_map<std::string, std::string> m_classFormats;
    std::vector<DisplayRule> m_displayRules;
    /// Rules by their first class (".name") or, without classes, their tag ("name").
    std::unordered_map<std::string, std::vector<uint32_t>> m_displayIndex;
};

/// The format code of a declaration's value: quotes and CSS escapes taken off, the names ("Percent",
/// "Short Date", ...) the export uses for built-in formats turned into codes.
std::string msoNumberFormat(std::string_view value);

} // namespace tabrix::engine::text
