#pragma once

#include "analysis/CompareSheets.h"

#include <QObject>
#include <functional>

namespace tabrix::app {

class Form1;

/// The action buttons of the pages and the page controls that change other controls: `Command3` merges the
/// worksheets of a workbook, `Command4` the workbooks of a folder, `Command6` splits the worksheets of a workbook
/// into workbooks, `Command8` splits a worksheet by a column into workbooks or worksheets, `Command11` compares two
/// worksheets, `Command13` measures them and opens the column-correspondence dialog, `Command12` finds rows,
/// `Command14` clears unwanted rows, `Command17` converts a folder. `Option1` shows the start-row controls of the
/// folder merge, `Check4` enables `Command13`.
class PageActions : public QObject {
    Q_OBJECT
public:
    explicit PageActions(Form1& form);

private:
    void mergeSheets();
    void mergeFolder();
    void splitSheets();
    void splitColumn();
    void compareSheets();
    void setCorrespondence();
    analysis::ComparePage comparePage();
    void findData();
    void clearData();
    void convertFolder();
    /// Runs an action as the one operation of the window; no failure escapes to the event loop.
    void runOperation(const std::function<void()>& action);

    Form1& m_form;
};

} // namespace tabrix::app
