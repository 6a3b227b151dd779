#include "engine/XlrdDump.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tabrix::test {

namespace {

void appendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// The script leaves non-ASCII text raw (UTF-8), so only JSON's escapes need decoding.
std::string decodeJsonString(const std::string& s) {
    std::string out;
    for (size_t i = 1; i + 1 < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        switch (char e = s[++i]) {
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'u':
            appendUtf8(out, unsigned(std::strtoul(s.substr(i + 1, 4).c_str(), nullptr, 16)));
            i += 4;
            break;
        default:
            out += e;
        }
    }
    return out;
}

} // namespace

XlrdDump::XlrdDump(const std::string& xlsPath, const std::string& extraArgs) {
    std::string command =
        "/usr/bin/python3 " TABRIX_SOURCE_DIR "/tests/engine/xlrd_dump.py '" + xlsPath + "' " + extraArgs + " 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) {
        m_error = "cannot run python3";
        return;
    }
    std::string output;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe.get())) > 0)
        output.append(buf, n);
    size_t pos = 0;
    while (pos < output.size()) {
        size_t end = output.find('\n', pos);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(pos, end - pos);
        pos = end + 1;
        size_t tab = line.find('\t');
        if (tab == std::string::npos || line.size() < tab + 3 || line[tab + 1] != '"') {
            m_error += line + "\n";
            continue;
        }
        m_values[line.substr(0, tab)] = decodeJsonString(line.substr(tab + 1));
    }
}

std::string XlrdDump::operator[](const std::string& key) const {
    auto it = m_values.find(key);
    return it == m_values.end() ? std::string() : it->second;
}

} // namespace tabrix::test
