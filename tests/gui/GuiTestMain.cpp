#include "gui/GuiSuite.h"

#include "app/DialogScript.h"
#include "app/Fonts.h"
#include "app/FolderMemory.h"

#include <QApplication>
#include <QTemporaryDir>
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
    // Settings kept between runs (remembered folders, the version choice) go to a folder of this run only, and
    // windows keep nothing between them unless a test asks, so every window starts as a first start does.
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toUtf8());
    QApplication app(argc, argv);
    tabrix::app::installFontSubstitutions();
    tabrix::app::FolderMemory::setKeptBetweenRuns(false);
    // No dialog may wait for a user in a test run.
    tabrix::app::DialogScript::start();
    int failed = 0;
    for (const auto& make : tabrix::test::guiSuites()) {
        auto suite = make();
        failed += QTest::qExec(suite.get(), argc, argv);
    }
    return failed == 0 ? 0 : 1;
}
