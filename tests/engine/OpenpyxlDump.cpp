#include "engine/OpenpyxlDump.h"

#include "support/JsonText.h"

namespace tabrix::test {

OpenpyxlDump::OpenpyxlDump(const std::string& xlsxPath) {
    std::string command = "/usr/bin/python3 " TABRIX_SOURCE_DIR "/tests/engine/openpyxl_dump.py '" + xlsxPath +
                          "' 2>&1";
    m_values = runKeyedDump(command, m_error);
}

std::string OpenpyxlDump::operator[](const std::string& key) const {
    auto it = m_values.find(key);
    return it == m_values.end() ? std::string() : it->second;
}

} // namespace tabrix::test
