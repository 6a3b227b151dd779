#pragma once

#include "engine/formula/BiffFormula.h"
#include "engine/model/BookData.h"
#include "engine/xls/Biff8WriteBuffer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine::xls {

/// What formulas refer to beyond their own sheet: the sheets (SUPBOOK for this workbook, EXTERNSHEET with one
/// entry per sheet and one per "First:Last" span a formula uses), add-in functions such as EDATE (a second
/// SUPBOOK with one EXTERNNAME each) and the defined names (NAME records).
class Biff8WriteLinks {
public:
    /// sheetNames: the sheets written, in file order. bookSheetIndex: for each book sheet its file index, or -1 for
    /// a sheet not written.
    Biff8WriteLinks(const BookData& book, std::vector<std::string> sheetNames, std::vector<int> bookSheetIndex,
                    std::vector<std::string>& warnings);

    /// What the formula encoder needs for a formula on the given file sheet (-1 for a name of workbook scope).
    formula::BiffEncodeContext context(int fileSheet);

    /// Encodes the names' formulas; a name whose formula cannot be encoded keeps its place with #REF! (so the
    /// indices formulas hold stay right) and a warning says so.
    void encodeNames(std::vector<std::string>& warnings);

    /// SUPBOOKs (with the add-ins' EXTERNNAMEs), EXTERNSHEET and the NAME records, in that order.
    void write(Biff8WriteBuffer& out) const;

private:
    struct Name {
        std::string text;   ///< as the file stores it: a built-in name is its one-character code
        std::string source; ///< the name as the workbook knows it, for lookups and messages
        std::string formula;
        int fileSheet = -1; ///< -1 = workbook scope
        bool hidden = false;
        bool builtin = false;
        std::vector<uint8_t> tokens;
        std::vector<uint8_t> extra;
    };
    /// supBook: 0 this workbook, 1 the add-ins; kExternal + k the k-th other workbook, whose SUPBOOK's place is
    /// known only when the records are written.
    struct Xti {
        uint32_t supBook;
        uint16_t first;
        uint16_t last;
    };
    static constexpr uint32_t kExternal = 2;
    /// Another workbook as this file lists it: its sheets, and whether a formula refers to it.
    struct Link {
        std::string target;
        std::vector<const ExternalSheet*> sheets; ///< null for a sheet the model had no values of
        std::vector<std::string> sheetNames;
        bool used = false;
    };
    std::optional<uint16_t> externSheet(std::string_view ref);
    std::optional<uint16_t> linkSheet(std::string_view ref);
    std::optional<uint16_t> xtiFor(uint32_t supBook, uint16_t first, uint16_t last);
    uint16_t supBookIndex(uint32_t supBook) const;
    void writeLink(Biff8WriteBuffer& out, const Link& link) const;
    std::optional<formula::BiffEncodeContext::AddInName> addInFunction(std::string_view function);
    std::optional<uint16_t> nameIndex(std::string_view name, int fileSheet) const;
    std::optional<int> sheetIndex(std::string_view name) const;
    void writeAddIns(Biff8WriteBuffer& out) const;
    void writeName(Biff8WriteBuffer& out, const Name& name) const;

    std::vector<std::string> m_sheetNames;
    std::vector<Xti> m_xti;
    std::vector<Name> m_names;
    std::vector<std::string> m_addIns; ///< upper-case function names, in EXTERNNAME order
    std::optional<uint16_t> m_addInXti;
    std::vector<Link> m_links;
};

} // namespace tabrix::engine::xls
