#pragma once

#include <string>
#include <unordered_set>
#include <vector>

namespace tabrix::split {

/// A part value or worksheet name made into a name the result can carry.
struct PartName {
    std::string name;
    /// Empty when the value is used as it is; otherwise the log line that says why and how it changed.
    std::string note;
};

/// Hands out the names of the parts of one run: each made valid for its kind and unique ignoring letter case
/// among the names already taken (earlier parts, files already in the folder), with " (2)", " (3)", ... when the
/// plain name is taken.
class PartNames {
public:
    enum class Kind { File, Sheet };

    /// For files the extension (without dot) is part of every name taken and counts towards its length.
    PartNames(Kind kind, std::string extension = {});

    /// Takes a name now (a file already in the folder, a sheet already in the workbook).
    void reserve(const std::string& name);
    /// Takes the names of everything already in a folder, so no part replaces a file there.
    void reserveFolder(const std::string& folder);
    /// The name of the next part: for files without the extension, which the caller appends.
    PartName next(const std::string& value);

private:
    std::string cleaned(const std::string& value) const;
    std::string fitted(const std::string& base, const std::string& suffix) const;
    std::string key(const std::string& name) const;

    Kind m_kind;
    std::string m_extension;
    std::unordered_set<std::string> m_taken;
};

/// A file name (without extension) from a text: \ / : * ? " < > | and control characters become "_", trailing
/// dots and spaces go, a device name (CON, NUL, COM1, ...) gets "_", an empty text becomes "空白".
std::string validFileStem(const std::string& value);
/// A worksheet name from a text: : \ / ? * [ ] and a leading or trailing apostrophe become "_", cut to 31
/// characters, an empty text becomes "空白".
std::string validSheetName(const std::string& value);
/// The longest start of UTF-8 text that fits in the given number of bytes without splitting a character.
std::string utf8BytePrefix(const std::string& text, size_t bytes);

} // namespace tabrix::split
