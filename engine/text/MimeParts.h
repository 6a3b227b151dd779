#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tabrix::engine::text {

/// A message's or a part's header fields: names in lower case, folded lines joined, values trimmed.
using MimeHeaders = std::vector<std::pair<std::string, std::string>>;

/// Reads the header fields at text[pos]: up to the first blank line (pos then points past it) or the first line
/// that is no field (pos then points at it, a part without headers).
MimeHeaders readMimeHeaders(std::string_view text, size_t& pos);

/// The value of a header field; nullptr when there is none by that (lower-case) name.
const std::string* mimeHeader(const MimeHeaders& headers, std::string_view name);

/// The media type of a Content-Type value in lower case ("multipart/related", "text/html").
std::string mimeMediaType(std::string_view contentType);

/// A parameter of a Content-Type value ("boundary", "charset", "start"), quoted or not; empty when absent.
std::string mimeParameter(std::string_view contentType, std::string_view name);

/// The bodies of a multipart body's parts, each with its headers, between the delimiter lines "--boundary" (the
/// line break before a delimiter belongs to it). What comes before the first delimiter and after the closing one is
/// no part; a message cut off before its closing delimiter ends its last part where it ends.
std::vector<std::string_view> mimeParts(std::string_view body, std::string_view boundary);

/// A part's body as its Content-Transfer-Encoding wrote it undone: quoted-printable (soft line breaks and "=XX"),
/// base64, or 7bit/8bit/binary as it is. nullopt for an encoding not known.
std::optional<std::string> decodeTransferEncoding(std::string_view body, std::string_view encoding);

} // namespace tabrix::engine::text
