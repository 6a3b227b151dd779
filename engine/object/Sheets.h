#pragma once

#include <string>

namespace tabrix::engine {

class Workbook;
class Worksheet;

/// A workbook's sheets collection (all sheets) or its worksheets collection (worksheets only).
class Sheets {
public:
    Sheets(Workbook& book, bool worksheetsOnly) : m_book(book), m_worksheetsOnly(worksheetsOnly) {}

    int Count() const;
    /// 1-based position within this collection.
    Worksheet& Item(int index);
    Worksheet& Item(const std::string& name);
    Worksheet& operator()(int index) { return Item(index); }
    Worksheet& operator()(const std::string& name) { return Item(name); }

    /// A new worksheet before the active sheet; it becomes the active sheet.
    Worksheet& Add();
    /// A new worksheet before the given sheet; it becomes the active sheet.
    Worksheet& Add(Worksheet& before);

private:
    Workbook& m_book;
    bool m_worksheetsOnly;
    bool counts(size_t position) const;
};

} // namespace tabrix::engine
