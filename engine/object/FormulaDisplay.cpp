#include "engine/object/FormulaDisplay.h"

#include "engine/formula/FormulaTokenizer.h"
#include "engine/formula/SheetPrefix.h"

namespace tabrix::engine {

std::string displayFormula(const BookData& book, std::string_view formula) {
    if (book.externalBooks.empty() || formula.find('[') == std::string_view::npos) return std::string(formula);
    std::string out;
    size_t copied = 0;
    formula::FormulaTokenizer tokenizer(formula);
    formula::FormulaToken token;
    while (tokenizer.next(token)) {
        size_t bang = token.areaBegin;
        if (token.kind == formula::TokenKind::Name) {
            const size_t at = formula.substr(token.begin, token.end - token.begin).rfind('!');
            if (at == std::string_view::npos) continue;
            bang = token.begin + at + 1;
        } else if (token.kind != formula::TokenKind::Reference) {
            continue;
        }
        if (bang <= token.begin) continue;
        auto prefix = formula::parseSheetPrefix(formula.substr(token.begin, bang - token.begin));
        if (!prefix || prefix->book == 0 || prefix->book > book.externalBooks.size()) continue;
        out.append(formula.substr(copied, token.begin - copied));
        out += formula::formatSheetPrefix(*prefix, book.externalBooks[prefix->book - 1].fileName());
        copied = bang;
    }
    out.append(formula.substr(copied));
    return out;
}

} // namespace tabrix::engine
