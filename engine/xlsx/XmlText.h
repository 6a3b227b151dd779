#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tabrix::engine::xlsx {

/// The name after its namespace prefix: files use any prefix ("x:c", "c"), so parts are matched by local name.
inline std::string_view localName(const char* name) {
    const char* local = name;
    for (const char* p = name; *p; ++p)
        if (*p == ':') local = p + 1;
    return local;
}

/// Value of the attribute with this local name in an expat attribute list, or nullptr.
const char* findAttr(const char** atts, std::string_view local);

std::optional<int64_t> parseInt(std::string_view text);
std::optional<double> parseDouble(std::string_view text);
/// OOXML booleans: "1"/"true" and "0"/"false"; anything else gives the fallback.
bool parseBool(const char* text, bool fallback);
std::string_view trimSpace(std::string_view text);

/// Decodes the "_xHHHH_" escapes OOXML uses for characters XML cannot carry (control characters, lone
/// surrogates); "_x005F_" escapes a literal underscore. Text without "_x" is left as it is.
void decodeEscapes(std::string& text);

/// Serial number of an ISO 8601 date, date-time or time ("2024-01-05", "2024-01-05T12:30:00Z", "2024-01-05 12:30",
/// "T08:00:00", "10:10:10") in the
/// 1900 or 1904 date system; nullopt when the text is not one.
std::optional<double> isoDateSerial(std::string_view text, bool date1904);

} // namespace tabrix::engine::xlsx
