#pragma once

#include <functional>
#include <string_view>

namespace tabrix::engine::text {

/// Calls rule(selector, declarations) for each rule of a style sheet, in order. Comments and the "<!--" "-->" that
/// pages wrap their styles in are left out; quoted strings and backslash escapes are kept whole (a "}" or ";" in
/// them ends nothing). At-rules (@media, @page, @font-face, @import) are skipped whole: their rules apply to print,
/// other devices or fonts, not to the page as a table holds it. Linear in the sheet's length.
void forEachCssRule(std::string_view css,
                    const std::function<void(std::string_view selector, std::string_view declarations)>& rule);

/// What a block of declarations (a rule's body or a style attribute) says of "display".
struct DisplayDeclaration {
    bool set = false;       ///< the block names display at all
    bool none = false;      ///< display:none
    bool important = false; ///< with !important
};

/// The display declaration that counts in a block: the last one, an !important one before a plain one. The
/// property's name and value are compared ignoring case and the spaces around them.
DisplayDeclaration displayDeclaration(std::string_view declarations);

/// White space as CSS counts it, and text without it around.
bool isCssSpace(char c);
std::string_view cssTrimmed(std::string_view s);

} // namespace tabrix::engine::text
