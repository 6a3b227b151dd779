#include "engine/object/Sheets.h"

#include "engine/EngineError.h"
#include "engine/object/Workbook.h"
#include "engine/object/Worksheet.h"

#include <algorithm>
#include <cctype>

namespace tabrix::engine {

bool Sheets::counts(size_t position) const {
    return !m_worksheetsOnly || m_book.data().sheets[position]->kind == SheetKind::Worksheet;
}

int Sheets::Count() const {
    int n = 0;
    for (size_t i = 0; i < m_book.sheetCount(); ++i) n += counts(i) ? 1 : 0;
    return n;
}

Worksheet& Sheets::Item(int index) {
    int seen = 0;
    for (size_t i = 0; i < m_book.sheetCount(); ++i)
        if (counts(i) && ++seen == index) return m_book.sheetObject(i);
    throw EngineError(m_book.Name() + ": " + (m_worksheetsOnly ? "Worksheets(" : "Sheets(") + std::to_string(index) +
                      ") 不存在，共 " + std::to_string(Count()) + (m_worksheetsOnly ? " 个工作表" : " 个表"));
}

Worksheet& Sheets::Item(const std::string& name) {
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        return s;
    };
    const std::string wanted = lower(name);
    for (size_t i = 0; i < m_book.sheetCount(); ++i)
        if (counts(i) && lower(m_book.data().sheets[i]->name) == wanted) return m_book.sheetObject(i);
    throw MissingSheetError("工作簿“" + m_book.Name() + "”中没有名为“" + name + "”的工作表");
}

Worksheet& Sheets::Add() { return Add(m_book.sheetObject(m_book.activePosition())); }

Worksheet& Sheets::Add(Worksheet& before) {
    size_t position = m_book.sheetPosition(before);
    auto sheet = std::make_unique<SheetData>();
    sheet->name = m_book.nextDefaultSheetName();
    Worksheet& added = m_book.insertSheet(position, std::move(sheet));
    m_book.activate(position);
    return added;
}

} // namespace tabrix::engine
