#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tabrix::engine::text {

/// Text of a file in UTF-8 and the encoding it was read in (an iconv name, or "UTF-8").
struct DecodedText {
    std::string utf8;
    std::string encoding;
};

/// The encoding a byte-order mark announces ("UTF-8", "UTF-16LE", "UTF-16BE") and the mark's length.
std::optional<std::pair<std::string, size_t>> bomEncoding(std::string_view bytes);

/// The iconv name for a charset label as web pages and XML declarations write it ("gb2312" → GB18030,
/// "iso-8859-1" → CP1252, "macintosh" → MACINTOSH); nullopt for a label iconv does not know.
std::optional<std::string> charsetName(std::string_view label);

bool isValidUtf8(std::string_view bytes);

/// Decodes a text file: the BOM first, then the declared charset (if iconv knows it and the bytes fit it), then
/// UTF-8 when the bytes are valid UTF-8, else the legacy page the bytes look like: GB18030 when the high bytes
/// pair up as Chinese characters do, Windows-1252 when they stand alone between Latin letters. Bytes the
/// encoding does not define become U+FFFD.
DecodedText decodeText(std::string_view bytes, std::string_view declared = {});

/// Converts with iconv from the named encoding; undefined bytes become U+FFFD.
std::string convertToUtf8(std::string_view bytes, const std::string& encoding);

/// True when the first bytes look like text rather than a binary file (no NUL bytes, few control characters).
/// UTF-16 with a BOM counts as text.
bool looksLikeText(std::string_view head);

} // namespace tabrix::engine::text
