#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace tabrix::engine::text {

/// The number formats a page's style sheet gives its cells: a spreadsheet program's page export writes
/// "mso-number-format" into class rules and style attributes ("\@" keeps a cell as text).
class HtmlStyleSheet {
public:
    /// Takes the rules of one <style> element.
    void parse(std::string_view css);
    /// The number format code for a cell with these style and class attributes; empty for none.
    std::string cellFormat(const std::string* style, const std::string* classes) const;

private:
    std::unordered_map<std::string, std::string> m_classFormats;
};

/// The format code of a declaration's value: quotes and CSS escapes taken off, the names ("Percent",
/// "Short Date", ...) the export uses for built-in formats turned into codes.
std::string msoNumberFormat(std::string_view value);

} // namespace tabrix::engine::text
