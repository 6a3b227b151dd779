#pragma once

#include <map>
#include <string>

namespace tabrix::test {

/// What openpyxl (an independent reader) sees in an xlsx file, as flat keys (see openpyxl_dump.py), e.g.
/// "Data!A1.value", "Data!A1.type", "Data.col.B.width", "book.active". Missing keys read as "".
class OpenpyxlDump {
public:
    explicit OpenpyxlDump(const std::string& xlsxPath);
    std::string operator[](const std::string& key) const;
    bool has(const std::string& key) const { return m_values.count(key) != 0; }
    const std::string& error() const { return m_error; }

private:
    std::map<std::string, std::string> m_values;
    std::string m_error;
};

} // namespace tabrix::test
