#pragma once

#include "engine/model/BookData.h"

#include <memory>
#include <string>
#include <string_view>

namespace tabrix::engine::text {

/// The delimiter that reads text as one column: a byte text never holds.
inline constexpr char kNoDelimiter = '\0';

/// Reads delimited text (UTF-8) as a workbook of one worksheet; a first line "sep=X" names the delimiter and is
/// no row. Quoted fields may hold delimiters, doubled quotes and line breaks; lines end in CR LF, LF or CR alone.
/// Values are typed as typed into a cell, except what exporters write to keep digits as text: ="0012" is the
/// text 0012, and digits followed by a tab inside their field stay text. A field padded with spaces and a TAB
/// (as some bank statements pad every field) is read without its padding.
std::unique_ptr<BookData> readDelimited(std::string_view text, char delimiter, const std::string& sheetName,
                                        const std::string& where);

/// The same for text that is probably UTF-8 but not known to be: each share of it is checked on the thread that
/// reads it. nullptr when some of it is not valid UTF-8 (the caller converts it and reads it with readDelimited).
std::unique_ptr<BookData> readDelimitedIfUtf8(std::string_view text, char delimiter, const std::string& sheetName,
                                              const std::string& where);

} // namespace tabrix::engine::text
