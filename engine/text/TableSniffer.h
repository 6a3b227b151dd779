#pragma once

#include <cstdint>
#include <string_view>

namespace tabrix::engine::text {

/// Which delimiter a file's name suggests, for a text whose table two delimiters split equally well.
enum class DelimiterHint : uint8_t { None, Comma, Tab };

/// How delimited text is laid out.
struct TableLayout {
    char delimiter = 0;     ///< ',', '\t', ';' or '|'; 0 when the text has none (one column, a line a row)
    uint32_t firstRow = 1;  ///< the row (from 1) where the table starts; lines above it are a preamble
    bool named = false;     ///< a first line "sep=X" named the delimiter (that line is not a row)
};

/// The text after a first line "sep=X", which names the delimiter X (put into `named`); the text as it is when
/// it has no such line ("sep=x" with more on its line is data).
std::string_view stripSepLine(std::string_view text, char& named);

/// Judges the delimiter over the whole text, or a sample spread over it when it is long: each candidate splits
/// the records (quotes respected, a quoted field may span lines) into fields; the one whose most common field
/// count (two or more) holds for the most records, with the fewest fields that start or end with another
/// candidate's character (padding such as "2023-04-22   \t," is not a column), wins; the hint breaks a tie.
/// Lines before the first record of that count (titles, account lines, notes) are the preamble.
TableLayout sniffTable(std::string_view text, DelimiterHint hint);

} // namespace tabrix::engine::text
