#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace tabrix::test {

/// Every QTest suite of the window registers itself here; GuiTestMain runs them all in one QApplication.
using SuiteFactory = std::function<std::unique_ptr<QObject>()>;
std::vector<SuiteFactory>& guiSuites();

struct RegisterSuite {
    explicit RegisterSuite(SuiteFactory make) { guiSuites().push_back(std::move(make)); }
};

} // namespace tabrix::test

#define TABRIX_GUI_SUITE(Class)                                                                                        \
    static const tabrix::test::RegisterSuite register##Class([] { return std::make_unique<Class>(); })
