#pragma once

#include "engine/object/ReadAhead.h"

#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tabrix::engine {

class Application;
class Workbook;

/// The open workbooks of one Application.
class Workbooks {
public:
    explicit Workbooks(Application& app);
    ~Workbooks();

    /// Opens a workbook file (not read-only). The reader is chosen by the file's content, not its name.
    Workbook& Open(const std::string& path);
    /// The files the caller will Open next, in order: the first of them are read in the background (ReadAhead);
    /// heldTogether: they will all be open at once, so even large ones are read side by side.
    void ExpectOpens(std::span<const std::string> upcoming, bool heldTogether = false) {
        m_readAhead.expect(upcoming, heldTogether);
    }
    /// A new workbook with three empty worksheets Sheet1..Sheet3, the first active.
    Workbook& Add();
    /// Closes every workbook without saving.
    void Close();
    int Count() const { return static_cast<int>(m_books.size()); }
    Workbook& Item(int index);

    void closeOne(Workbook& book);
    Application& application() { return m_app; }

private:
    Application& m_app;
    std::vector<std::unique_ptr<Workbook>> m_books;
    int m_newBookCounter = 0;
    engine::ReadAhead m_readAhead;
};

} // namespace tabrix::engine
