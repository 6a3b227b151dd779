#include "gui/GuiSuite.h"

#include "app/DialogScript.h"
#include "app/Fonts.h"

#include <QApplication>
#include <QTest>

namespace tabrix::test {
std::vector<SuiteFactory>& guiSuites() {
    static std::vector<SuiteFactory> suites;
    return suites;
}
} // namespace tabrix::test

int main(int argc, char** argv) {
    // Offscreen unless the caller chose a platform, so a run never needs a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tabrix::app::installFontSubstitutions();
    // No dialog may wait for a user in a test run.
    tabrix::app::DialogScript::start();
    int failed = 0;
    for (const auto& make : tabrix::test::guiSuites()) {
        auto suite = make();
        failed += QTest::qExec(suite.get(), argc, argv);
    }
    return failed == 0 ? 0 : 1;
}
