// Renders the real window to PNG files: at start, each operation page, each finished operation with its log, and the
// help file in a CHM viewer when xchm is installed.
// Run under a display (scripts/screenshot uses xvfb-run): tabrix-screenshot OUTPUT_FOLDER
#include "app/DialogScript.h"
#include "app/FolderMemory.h"
#include "app/Form1.h"
#include "app/Mainst.h"
#include "app/screenshot/WindowPicture.h"
#include "engine/object/Application.h"
#include "engine/object/Range.h"
#include "engine/object/Sheets.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "engine/object/Worksheet.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

using tabrix::app::DialogScript;
using tabrix::app::Form1;

namespace {
using tabrix::screenshot::shoot;

// The help file as a CHM viewer shows it, when one is installed (xchm from Debian).
bool shootHelp(const QString& folder) {
    const QString viewer = QStandardPaths::findExecutable("xchm");
    const QString help = QCoreApplication::applicationDirPath() + "/help/Tabrix.chm";
    if (viewer.isEmpty() || !QFileInfo::exists(help)) return true;
    QProcess process;
    process.start(viewer, {help});
    QTest::qWait(5000);
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    process.kill();
    process.waitForFinished();
    const QString path = QDir(folder).filePath("11-help.png");
    const bool saved = screen.save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", path.toLocal8Bit().constData());
    return saved;
}

void release(Form1& form, const QString& name) {
    QTest::mouseClick(form.control(name), Qt::LeftButton);
}

// A workbook with three worksheets of a header and a few rows, for the runs shown after the pages. A branch
// that keeps its columns in another order and adds one of its own has `otherOrder` set.
QString sampleWorkbook(const QString& folder, const QString& name = "销售数据.xls", bool otherOrder = false) {
    tabrix::engine::Application app;
    auto& book = app.Workbooks().Add();
    const char* regions[] = {"华东", "华北", "华南"};
    const uint32_t date = otherOrder ? 2 : 1, product = otherOrder ? 1 : 2;
    for (int s = 1; s <= 3; ++s) {
        auto& sheet = book.Worksheets(s);
        sheet.SetName(regions[s - 1]);
        sheet.Cells(1, date).SetValue(std::string("日期"));
        sheet.Cells(1, product).SetValue(std::string("产品"));
        sheet.Cells(1, 3).SetValue(std::string("数量"));
        if (otherOrder) sheet.Cells(1, 4).SetValue(std::string("备注"));
        for (int r = 2; r <= 2 + s * 2; ++r) {
            sheet.Cells(r, date).SetValue(std::string("2024/1/") + std::to_string(r));
            sheet.Cells(r, product).SetValue(std::string("产品") + std::to_string(r));
            sheet.Cells(r, 3).SetValue(double(r * 10 + s));
            if (otherOrder) sheet.Cells(r, 4).SetValue(std::string("补货"));
        }
    }
    const QString path = QDir(folder).filePath(name);
    book.SaveAs(path.toStdString());
    return path;
}
// Page 2 after a finished merge of a folder of two branches' workbooks into one sheet, with the name columns and
// the columns lined up by their headings (the second branch keeps them in another order).
bool shootMergeFolder(Form1& form, const QString& folder, const QString& work) {
    const QString branches = QDir(work).filePath("分店");
    QDir().mkpath(branches);
    sampleWorkbook(branches, "北京.xls");
    sampleWorkbook(branches, "上海.xls", true);
    release(form, "menu1(1)");
    release(form, "menu2(2)");
    DialogScript::answerFolder(branches);
    form.control<QPushButton>("Command2")->click();
    form.control<QCheckBox>("Check2")->setChecked(true);
    form.control<QCheckBox>("Check6")->setChecked(true);
    DialogScript::answerFile(QDir(work).filePath("分店汇总.xls"));
    form.control<QPushButton>("Command4")->click();
    return shoot(form, folder, "15-merge-folder-done");
}
// Page 3 after a finished split of the sample's worksheets into workbooks of their own.
bool shootSplitSheets(Form1& form, const QString& folder, const QString& sample, const QString& work) {
    const QString out = QDir(work).filePath("按工作表");
    QDir().mkpath(out);
    release(form, "menu1(2)");
    release(form, "menu2(3)");
    DialogScript::answerFile(sample);
    form.control<QPushButton>("Command5")->click();
    DialogScript::answerFolder(out);
    form.control<QPushButton>("Command6")->click();
    return shoot(form, folder, "16-split-sheets-done");
}
// Page 4 after a finished split of the sample's first worksheet by its product column, one workbook per product.
bool shootSplitColumn(Form1& form, const QString& folder, const QString& sample, const QString& work) {
    const QString out = QDir(work).filePath("按产品");
    QDir().mkpath(out);
    release(form, "menu1(2)");
    release(form, "menu2(4)");
    DialogScript::answerFile(sample);
    form.control<QPushButton>("Command7")->click();
    form.control<QListWidget>("List1")->setCurrentRow(0);
    form.control<QComboBox>("Combo1")->setCurrentIndex(1);
    DialogScript::answerFolder(out);
    form.control<QPushButton>("Command8")->click();
    return shoot(form, folder, "17-split-column-done");
}
// Page 6 after a finished comparison of the sample with last month's copy of it, the changed cells marked and
// stray spaces forgiven.
bool shootCompare(Form1& form, const QString& folder, const QString& sample, const QString& work) {
    const QString previous = QDir(work).filePath("上月销售数据.xls");
    {
        tabrix::engine::Application app;
        auto& book = app.Workbooks().Open(sample.toStdString());
        auto& sheet = book.Worksheets(1);
        sheet.Cells(3, 3).SetValue(99.0);
        sheet.Cells(4, 2).SetValue(std::string("产品9"));
        book.SaveAs(previous.toStdString());
    }
    release(form, "menu1(3)");
    release(form, "menu2(6)");
    DialogScript::answerFile(sample);
    form.control<QPushButton>("Command10(0)")->click();
    DialogScript::answerFile(previous);
    form.control<QPushButton>("Command10(1)")->click();
    form.control<QCheckBox>("Check7")->setChecked(true);
    form.control<QCheckBox>("Check8")->setChecked(true);
    DialogScript::answerFile(QDir(work).filePath("比较结果.xls"));
    form.control<QPushButton>("Command11")->click();
    return shoot(form, folder, "18-compare-done");
}
// Page 7 after a finished find: the sample's second worksheet searched for one product.
bool shootFind(Form1& form, const QString& folder, const QString& sample, const QString& work) {
    release(form, "menu1(3)");
    release(form, "menu2(7)");
    DialogScript::answerFile(sample);
    form.control<QPushButton>("Command9")->click();
    form.control<QListWidget>("List3")->setCurrentRow(1);
    form.control<QLineEdit>("Text9")->setText("产品4");
    DialogScript::answerFile(QDir(work).filePath("查找结果.xls"));
    form.control<QPushButton>("Command12")->click();
    return shoot(form, folder, "12-find-done");
}
// The removal workbook of the clear shown last: the header and two rows of the sample's third worksheet.
QString removalWorkbook(const QString& folder) {
    tabrix::engine::Application app;
    auto& book = app.Workbooks().Add();
    auto& sheet = book.Worksheets(1);
    sheet.SetName("退订");
    sheet.Cells(1, 1).SetValue(std::string("日期"));
    sheet.Cells(1, 2).SetValue(std::string("产品"));
    sheet.Cells(1, 3).SetValue(std::string("数量"));
    for (int r : {3, 5}) {
        const int row = r == 3 ? 2 : 3;
        sheet.Cells(row, 1).SetValue(std::string("2024/1/") + std::to_string(r));
        sheet.Cells(row, 2).SetValue(std::string("产品") + std::to_string(r));
        sheet.Cells(row, 3).SetValue(double(r * 10 + 3));
    }
    for (int i = book.Worksheets().Count(); i >= 2; --i)
        book.Worksheets(i).Delete();
    const QString path = QDir(folder).filePath("退订数据.xls");
    book.SaveAs(path.toStdString());
    return path;
}

// Page 8 after a finished clear: the sample's third worksheet less the rows of the removal workbook.
bool shootClear(Form1& form, const QString& folder, const QString& sample, const QString& work) {
    release(form, "menu1(3)");
    release(form, "menu2(8)");
    DialogScript::answerFile(sample);
    form.control<QPushButton>("Command15(0)")->click();
    form.control<QListWidget>("List5(0)")->setCurrentRow(2);
    DialogScript::answerFile(removalWorkbook(work));
    form.control<QPushButton>("Command15(1)")->click();
    DialogScript::answerFile(QDir(work).filePath("清除结果.xls"));
    form.control<QPushButton>("Command14")->click();
    return shoot(form, folder, "13-clear-done");
}
// Page 9 after a finished conversion of a folder holding the sample workbook.
bool shootConvert(Form1& form, const QString& folder, const QString& sample, const QString& work) {
    const QString before = QDir(work).filePath("转换前"), after = QDir(work).filePath("转换后");
    QDir().mkpath(before);
    QDir().mkpath(after);
    QFile::copy(sample, QDir(before).filePath(QFileInfo(sample).fileName()));
    release(form, "menu1(4)");
    DialogScript::answerFolder(before);
    form.control<QPushButton>("Command16(0)")->click();
    DialogScript::answerFolder(after);
    form.control<QPushButton>("Command16(1)")->click();
    form.control<QPushButton>("Command17")->click();
    return shoot(form, folder, "14-convert-done");
}
} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: tabrix-screenshot OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    DialogScript::start();
    // The pictures show a first start; nothing the run chooses is kept for the user's own runs.
    tabrix::app::FolderMemory::setKeptBetweenRuns(false);
    auto form = tabrix::app::startUp();
    bool ok = shoot(*form, out, "00-start");

    const struct {
        int entry, subEntry;
        const char* name;
    } pages[] = {{1, 1, "01-merge-sheets"}, {1, 2, "02-merge-folder"}, {2, 3, "03-split-sheets"},
                 {2, 4, "04-split-column"}, {3, 6, "06-compare"},      {3, 7, "07-find"},
                 {3, 8, "08-clear"},        {4, 0, "09-convert"}};
    for (const auto& p : pages) {
        release(*form, QString("menu1(%1)").arg(p.entry));
        if (p.subEntry) release(*form, QString("menu2(%1)").arg(p.subEntry));
        ok &= shoot(*form, out, p.name);
    }

    QTemporaryDir work;
    release(*form, "menu1(1)");
    release(*form, "menu2(1)");
    const QString sample = sampleWorkbook(work.path());
    DialogScript::answerFile(sample);
    form->control<QPushButton>("Command1")->click();
    DialogScript::answerFile(QDir(work.path()).filePath("合并结果.xls"));
    form->control<QPushButton>("Command3")->click();
    ok &= shoot(*form, out, "10-merge-done");
    ok &= shootMergeFolder(*form, out, work.path());
    ok &= shootSplitSheets(*form, out, sample, work.path());
    ok &= shootSplitColumn(*form, out, sample, work.path());
    ok &= shootCompare(*form, out, sample, work.path());
    ok &= shootFind(*form, out, sample, work.path());
    ok &= shootClear(*form, out, sample, work.path());
    ok &= shootConvert(*form, out, sample, work.path());
    form->hide();
    ok &= shootHelp(out);
    return ok ? 0 : 1;
}
