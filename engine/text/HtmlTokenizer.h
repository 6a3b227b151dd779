#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine::text {

/// One piece of an HTML document.
struct HtmlToken {
    enum Kind { StartTag, EndTag, Text, Comment, Declaration };
    Kind kind = Text;
    std::string name;                                            ///< tag name in lower case
    std::vector<std::pair<std::string, std::string>> attributes; ///< names in lower case, values decoded
    std::string text; ///< text (references decoded), comment or declaration content
    bool selfClosing = false;

    /// The value of an attribute, or nullptr when the tag has none by that name.
    const std::string* attribute(std::string_view attrName) const;
};

/// A forgiving HTML tokenizer as browsers read pages: tags with any attribute quoting, comments, <!...> and
/// <![...]> declarations, raw text inside script/style/title/textarea, character references (numeric and the
/// common named ones). Malformed markup becomes text rather than an error. Linear in the document's length.
class HtmlTokenizer {
public:
    explicit HtmlTokenizer(std::string_view document) : m_doc(document) {}
    bool next(HtmlToken& token);

private:
    bool tag(HtmlToken& token);
    void attributes(HtmlToken& token);
    void rawText(HtmlToken& token);

    std::string_view m_doc;
    size_t m_pos = 0;
    std::string m_rawEnd; ///< set after a start tag whose content is raw text
};

/// Appends text with character references ("&amp;", "&#20013;", "&#x4E2D;", "&nbsp;") decoded; an unknown
/// reference stays as written.
void appendDecoded(std::string& out, std::string_view text);

} // namespace tabrix::engine::text
