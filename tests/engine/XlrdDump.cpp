#include "engine/XlrdDump.h"

#include "support/JsonText.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tabrix::test {

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
