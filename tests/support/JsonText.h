#pragma once

#include "engine/model/Utf8.h"

#include <cstdlib>
#include <string>

namespace tabrix::test {

/// The text of a JSON string literal (with its quotes) printed by the independent-reader scripts, which leave
/// non-ASCII text raw, so only JSON's escapes need decoding.
inline std::string decodeJsonString(const std::string& s) {
    std::string out;
    for (size_t i = 1; i + 1 < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        switch (char e = s[++i]) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u':
            engine::appendUtf8(out, uint32_t(std::strtoul(s.substr(i + 1, 4).c_str(), nullptr, 16)));
            i += 4;
            break;
        default: out += e;
        }
    }
    return out;
}

} // namespace tabrix::test
