#pragma once

#include <string>
#include <string_view>

namespace tabrix::engine::xlsx {

/// Text escaped for an XML attribute value or element text; control characters become character references.
std::string escapeXml(std::string_view text);

/// A number as the parts write it: the shortest text that reads back as the same double, with a point
/// whatever the locale.
std::string xmlNumber(double value);

/// Whether the application accepts text as a defined name (letters, digits, "_", ".", "\", "?"; not a cell
/// reference in either notation).
bool isValidDefinedName(std::string_view name);

/// The XML declaration every part starts with.
inline constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

} // namespace tabrix::engine::xlsx
