// The README's first five minutes, as pictures: the window after each step of the walk-through, run on the example
// workbooks of scripts/examples. Run under a display (scripts/screenshot): tabrix-tour EXAMPLES_FOLDER OUTPUT_FOLDER
#include "app/DialogScript.h"
#include "app/FolderMemory.h"
#include "app/Form1.h"
#include "app/Mainst.h"
#include "app/screenshot/WindowPicture.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

using tabrix::app::DialogScript;
using tabrix::app::Form1;

namespace {
struct Tour {
    Form1& form;
    QDir examples, out, work;

    bool shoot(const QString& name) { return tabrix::screenshot::shoot(form, out.absolutePath(), name); }
    void open(int entry, int subEntry) {
        QTest::mouseClick(form.control(QString("menu1(%1)").arg(entry)), Qt::LeftButton);
        if (subEntry) QTest::mouseClick(form.control(QString("menu2(%1)").arg(subEntry)), Qt::LeftButton);
    }
    void press(const char* button) { form.control<QPushButton>(button)->click(); }

    // Step 1: the six monthly sheets of the sales workbook stacked into one, the header taken once.
    bool mergeSheets() {
        open(1, 1);
        DialogScript::answerFile(examples.filePath("销售明细.xlsx"));
        press("Command1");
        form.control("Check1")->setProperty("checked", true);
        DialogScript::answerFile(work.filePath("上半年销售.xlsx"));
        press("Command3");
        return shoot("tour-1-merge-sheets");
    }
    // Step 2: the staff who left taken out of last year's list.
    bool clearRows() {
        open(3, 8);
        DialogScript::answerFile(examples.filePath("员工名单_2023.xlsx"));
        press("Command15(0)");
        DialogScript::answerFile(examples.filePath("离职人员.xlsx"));
        press("Command15(1)");
        DialogScript::answerFile(work.filePath("在职人员.xlsx"));
        press("Command14");
        return shoot("tour-2-clear");
    }
    // Step 3: the branch reports of the older format turned into the newer one.
    bool convertFolder() {
        open(4, 0);
        const QString after = work.filePath("分店报表_2007");
        QDir().mkpath(after);
        DialogScript::answerFolder(examples.filePath("分店报表_2003"));
        press("Command16(0)");
        DialogScript::answerFolder(after);
        press("Command16(1)");
        press("Command17");
        return shoot("tour-3-convert");
    }
};
} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: tabrix-tour EXAMPLES_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    QTemporaryDir work;
    QDir().mkpath(QString::fromLocal8Bit(argv[2]));
    DialogScript::start();
    tabrix::app::FolderMemory::setKeptBetweenRuns(false);
    auto form = tabrix::app::startUp();
    form->control<QRadioButton>("excelbb(1)")->setChecked(true); // the examples are mostly 2007 workbooks
    Tour tour{*form, QDir(QString::fromLocal8Bit(argv[1])), QDir(QString::fromLocal8Bit(argv[2])), QDir(work.path())};
    bool ok = tour.mergeSheets();
    ok &= tour.clearRows();
    ok &= tour.convertFolder();
    return ok ? 0 : 1;
}
