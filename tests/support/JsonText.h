#pragma once

#include "engine/model/Utf8.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
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

/// Runs an independent-reader script and collects its "KEY<TAB>\"json string\"" lines; any other line (a Python
/// error, say) goes into errors.
inline std::map<std::string, std::string> runKeyedDump(const std::string& command, std::string& errors) {
    std::map<std::string, std::string> values;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) {
        errors = "cannot run python3";
        return values;
    }
    std::string output;
    char buf[65536];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe.get())) > 0;) output.append(buf, n);
    for (size_t pos = 0; pos < output.size();) {
        size_t end = output.find('\n', pos);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(pos, end - pos);
        pos = end + 1;
        size_t tab = line.find('\t');
        if (tab == std::string::npos || line.size() < tab + 3 || line[tab + 1] != '"') {
            errors += line + "\n";
            continue;
        }
        values[line.substr(0, tab)] = decodeJsonString(line.substr(tab + 1));
    }
    return values;
}

} // namespace tabrix::test
