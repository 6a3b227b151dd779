#pragma once

#include "engine/crypto/PasswordPrompt.h"

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

    /// Who is asked when Workbooks.Open meets a workbook protected with a password (none: such a workbook is
    /// refused unless the default password opens it).
    void setPasswordPrompt(crypto::PasswordPrompt prompt) { m_passwordPrompt = std::move(prompt); }
    const crypto::PasswordPrompt& passwordPrompt() const { return m_passwordPrompt; }

private:
    std::unique_ptr<class Workbooks> m_workbooks;
    bool m_quit = false;
    crypto::PasswordPrompt m_passwordPrompt;
};

} // namespace tabrix::engine
