#pragma once

#include <memory>

namespace tabrix::engine {

class Workbooks;

/// One spreadsheet instance: invisible, starts with no workbook. Quitting closes every workbook without saving;
/// the destructor quits, so an instance is released on every path out of an operation.
class Application {
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    class Workbooks& Workbooks();
    void Quit();
    bool hasQuit() const { return m_quit; }

private:
    std::unique_ptr<class Workbooks> m_workbooks;
    bool m_quit = false;
};

} // namespace tabrix::engine
