#pragma once

#include <map>
#include <string>

namespace tabrix::test {

/// What xlrd (an independent reader) sees in an .xls file, as flat keys (see xlrd_dump.py), e.g.
/// "Data!A1.value", "Data!A1.type", "Data.col.B.width", "book.sheets". Missing keys read as "".
class XlrdDump {
public:
    /// extraArgs go to the script as they are, e.g. "--summary --sample A1,J60000".
    explicit XlrdDump(const std::string& xlsPath, const std::string& extraArgs = "");
    std::string operator[](const std::string& key) const;
    bool has(const std::string& key) const { return m_values.count(key) != 0; }
    /// Whatever the script printed that was not a key line (xlrd's errors and warnings).
    const std::string& error() const { return m_error; }
    const std::map<std::string, std::string>& values() const { return m_values; }

private:
    std::map<std::string, std::string> m_values;
    std::string m_error;
};

} // namespace tabrix::test
