#include "engine/object/Workbooks.h"

#include "engine/EngineError.h"
#include "engine/object/Application.h"
#include "engine/object/Workbook.h"
#include "engine/object/WorkbookFiles.h"

#include <filesystem>

namespace tabrix::engine {

Workbooks::Workbooks(Application& app) : m_app(app) {}
Workbooks::~Workbooks() = default;

Workbook& Workbooks::Open(const std::string& path) {
    auto data = m_readAhead.take(path);
    if (!data) data = readWorkbookFile(path, m_app.passwordPrompt());
    std::error_code ec;
    auto full = std::filesystem::absolute(path, ec);
    m_books.push_back(std::make_unique<Workbook>(*this, std::move(data), ec ? path : full.string(), true));
    return *m_books.back();
}

Workbook& Workbooks::Add() {
    auto data = std::make_unique<BookData>();
    for (int i = 1; i <= 3; ++i) {
        auto sheet = std::make_unique<SheetData>();
        sheet->name = "Sheet" + std::to_string(i);
        data->sheets.push_back(std::move(sheet));
    }
    std::string name = "Book" + std::to_string(++m_newBookCounter);
    m_books.push_back(std::make_unique<Workbook>(*this, std::move(data), name, false));
    return *m_books.back();
}

void Workbooks::Close() { m_books.clear(); }

Workbook& Workbooks::Item(int index) {
    if (index < 1 || index > Count())
        throw EngineError("Workbooks(" + std::to_string(index) + "): 没有这个工作簿，共 " + std::to_string(Count()) +
                          " 个");
    return *m_books[size_t(index - 1)];
}

void Workbooks::closeOne(Workbook& book) {
    std::erase_if(m_books, [&](const auto& b) { return b.get() == &book; });
}

} // namespace tabrix::engine
