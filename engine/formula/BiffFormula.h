#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tabrix::engine::formula {

/// What decoding a 2003-format formula needs to know besides its tokens.
struct BiffDecodeContext {
    int biffVersion = 8;     ///< 5 (BIFF5/7) or 8
    uint32_t row = 0;        ///< 0-based cell the formula belongs to: relative tokens of shared formulas are
    uint32_t col = 0;        ///< offsets from it
    /// Sheet reference of a 3-D token (EXTERNSHEET index in BIFF8, the sheet index in BIFF5) as formula text,
    /// e.g. "Sheet2" or "'My Sheet'" or "Sheet1:Sheet3"; nullopt when unknown.
    std::function<std::optional<std::string>(int index)> sheetRef;
    /// Defined name by its 1-based index; nullopt when unknown.
    std::function<std::optional<std::string>(int index)> definedName;
    /// Name of a ptgNameX token: an add-in function such as "EDATE" or an external name. The first argument is the
    /// EXTERNSHEET index in BIFF8 and the raw (signed) EXTERNSHEET field in BIFF5, the second the 1-based
    /// EXTERNNAME index. nullopt (or no callback) makes the formula undecodable.
    std::function<std::optional<std::string>(int externSheet, int nameIndex)> externName;
    /// UTF-8 text of an 8-bit BIFF5 string in the workbook's code page (CODEPAGE record); without a callback the
    /// bytes are read as Latin-1.
    std::function<std::string(std::string_view bytes)> decode8Bit;
};

/// A1-form formula text (no leading "=") of a token array, or nullopt when a token cannot be decoded (the caller
/// then keeps only the cached value). extra holds the bytes after the tokens (array constants).
std::optional<std::string> decodeBiffFormula(std::span<const uint8_t> tokens, std::span<const uint8_t> extra,
                                             const BiffDecodeContext& context);

/// What encoding a formula for the 2003 format needs to know.
struct BiffEncodeContext {
    /// EXTERNSHEET index for a sheet (or "First:Last") reference text as written in the formula, unquoted;
    /// nullopt when there is no such sheet.
    std::function<std::optional<uint16_t>(std::string_view sheet)> externSheet;
    /// 1-based index of a defined name; nullopt when there is none.
    std::function<std::optional<uint16_t>(std::string_view name)> definedName;
    /// Analysis ToolPak functions (EDATE, NETWORKDAYS, ...) are called through an external name: the EXTERNSHEET
    /// index of the add-in SUPBOOK and the 1-based EXTERNNAME index for the upper-case function name. Without a
    /// callback, or when it answers nullopt, such a formula cannot be encoded.
    struct AddInName {
        uint16_t externSheet = 0;
        uint16_t nameIndex = 0;
    };
    std::function<std::optional<AddInName>(std::string_view function)> addInFunction;
    /// True for the formula of a defined name (NAME record): its result is a reference, so references at the top
    /// are written in reference class (ptgArea3d 0x3B) as the program writes names, not in the value class a cell's
    /// formula uses (0x5B), which would make SUM(name) see one cell.
    bool definedNameFormula = false;
    /// True for the formula of an ARRAY record.
    bool arrayFormula = false;
};

/// BIFF8 token bytes for the formula text (no leading "="), followed by any extra data the tokens need, or nullopt
/// when the formula uses something the 2003 format (or this encoder) cannot express.
struct EncodedFormula {
    std::vector<uint8_t> tokens;
    std::vector<uint8_t> extra;
};
std::optional<EncodedFormula> encodeBiff8Formula(std::string_view formula, const BiffEncodeContext& context);

} // namespace tabrix::engine::formula
