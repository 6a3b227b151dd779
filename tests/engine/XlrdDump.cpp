#include "engine/XlrdDump.h"

#include "support/JsonText.h"

namespace tabrix::test {

XlrdDump::XlrdDump(const std::string& xlsPath, const std::string& extraArgs) {
    std::string command =
        "/usr/bin/python3 " TABRIX_SOURCE_DIR "/tests/engine/xlrd_dump.py '" + xlsPath + "' " + extraArgs + " 2>&1";
    m_values = runKeyedDump(command, m_error);
}

std::string XlrdDump::operator[](const std::string& key) const {
    auto it = m_values.find(key);
    return it == m_values.end() ? std::string() : it->second;
}

} // namespace tabrix::test
