#include "engine/object/Application.h"

#include "engine/object/Workbooks.h"

namespace tabrix::engine {

Application::Application() : m_workbooks(std::make_unique<class Workbooks>(*this)) {}

Application::~Application() { Quit(); }

Workbooks& Application::Workbooks() { return *m_workbooks; }

void Application::Quit() {
    if (m_quit) return;
    m_workbooks->Close();
    m_quit = true;
}

} // namespace tabrix::engine
