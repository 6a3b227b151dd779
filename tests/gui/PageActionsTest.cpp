#include "gui/GuiSuite.h"
#include "gui/GuiSupport.h"

#include "support/TestPaths.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

using namespace tabrix;
using app::DialogScript;
using app::Form1;
using test::messageTexts;
using test::press;
namespace fs = std::filesystem;

namespace {
// The three-sheet workbook of the merge: a header in row 1 and 10, 5 and 1 used rows.
void makeSalesBook(const std::string& path) {
    auto rows = [](const std::string& tag, int n) {
        std::vector<std::vector<std::string>> r{{"名称", "数量"}};
        for (int i = 2; i <= n; ++i)
            r.push_back({tag + std::to_string(i), std::to_string(i)});
        return r;
    };
    test::makeBook(path, {{"甲", rows("a", 10)}, {"乙", rows("b", 5)}, {"丙", rows("c", 1)}});
}
} // namespace

class PageActionsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Form1> form;
    std::unique_ptr<test::TempDir> dir;
    QString source;

    void chooseSource() {
        test::openPage(*form, 1);
        DialogScript::answerFile(source);
        press(*form, "Command1");
    }

private slots:
    void init() {
        DialogScript::start();
        dir = std::make_unique<test::TempDir>();
        source = QString::fromStdString(dir->file("销售.xls"));
        makeSalesBook(source.toStdString());
        form = std::make_unique<Form1>();
        form->show();
    }
    void cleanup() {
        form.reset();
        dir.reset();
    }

    void aWholeMergeFromPageOne() {
        chooseSource();
        const QString target = QString::fromStdString(dir->file("合并.xls"));
        DialogScript::answerFile(target);
        press(*form, "Command3");
        QCOMPARE(form->logBox()->toPlainText(), "数据处理信息\n正在复制工作表“甲”数据\n正在复制工作表“乙”数据\n"
                                                "正在复制工作表“丙”数据\n合并数据完成\n合并后数据保存在" +
                                                    target);
        QCOMPARE(messageTexts(), QStringList{"合并完成: 合并数据完成！"});
        const auto& shown = DialogScript::shown();
        QCOMPARE(shown.size(), size_t(3)); // open, save, final message
        const auto& save = shown[1];
        QVERIFY(save.kind == DialogScript::Kind::Save);
        QCOMPARE(save.title, QString("保存合并后的文件"));
        QCOMPARE(save.text, QString("保存合并后的文件(*.xls)|*.xls"));
        const auto rows = test::readSheet(target.toStdString(), 1);
        QCOMPARE(rows.size(), size_t(14));
        QCOMPARE(rows[0], std::string("名称|数量"));
        QCOMPARE(rows[1], std::string("a2|2"));
        QCOMPARE(rows[13], std::string("b5|5"));
        QVERIFY(!form->busy());
    }

    void theNewerFormatAsksForAnXlsxResult() {
        form->control<QRadioButton>("excelbb(1)")->click();
        chooseSource();
        QCOMPARE(DialogScript::shown().back().text, QString("原Excel文件(*.xlsx)|*.xlsx"));
        const std::string target = dir->file("result.xlsx");
        DialogScript::answerFile(QString::fromStdString(target));
        press(*form, "Command3");
        QCOMPARE(DialogScript::shown()[1].text, QString("保存合并后的文件(*.xlsx)|*.xlsx"));
        QCOMPARE(test::readSheet(target, 1).size(), size_t(14));
    }

    void mergeWithTheSheetNameColumn() {
        chooseSource();
        form->control<QCheckBox>("Check1")->setChecked(true);
        const std::string target = dir->file("named.xls");
        DialogScript::answerFile(QString::fromStdString(target));
        press(*form, "Command3");
        const auto rows = test::readSheet(target, 1);
        QCOMPARE(rows[0], std::string("所属的原工作表|名称|数量"));
        QCOMPARE(rows[10], std::string("乙|b2|2"));
    }

    void anEmptyStartRowIsRefusedAndPutBack() {
        chooseSource();
        form->control<QLineEdit>("Text2")->clear();
        press(*form, "Command3");
        QCOMPARE(messageTexts(), QStringList{"开始行有误: 没有开始行，将默认设置为2"});
        QCOMPARE(form->control<QLineEdit>("Text2")->text(), QString("2"));
        QCOMPARE(DialogScript::shown().back().kind, DialogScript::Kind::Message); // no save dialog
    }

    void startRowBoxesTakeDigitsAndBackspaceOnly() {
        for (const char* name : {"Text2", "Text4"}) {
            auto* box = form->control<QLineEdit>(name);
            box->setFocus();
            box->end(false);
            QTest::keyClicks(box, "a1-b 9");
            QCOMPARE(box->text(), QString("219"));
            QTest::keyClick(box, Qt::Key_Backspace);
            QCOMPARE(box->text(), QString("21"));
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
            QCOMPARE(box->text(), QString("21"));
        }
    }

    void aMissingSourceIsReported() {
        test::openPage(*form, 1);
        DialogScript::answerFile(QString::fromStdString(dir->file("nope.xls")));
        press(*form, "Command1");
        press(*form, "Command3");
        QCOMPARE(messageTexts(), QStringList{"文件不存在: 原Excel文件不存在，请查实"});
    }

    void theSourceIsNeverTheTargetInAnySpelling() {
        chooseSource();
        const QString otherSpelling = QString::fromStdString((dir->path() / "." / "销售.xls").string());
        for (const QString& target : {source, otherSpelling}) {
            DialogScript::clearShown();
            DialogScript::answerFile(target);
            press(*form, "Command3");
            QCOMPARE(messageTexts(), QStringList{"操作失效: 新的文件不能覆盖原有Excel文件"});
        }
        QVERIFY(fs::exists(source.toStdString()));
    }

    void anExistingTargetIsReplacedOnlyWhenTheUserAgrees() {
        chooseSource();
        const std::string target = dir->file("old.xlsx");
        test::writeFile(target, "old content");
        DialogScript::answerFile(QString::fromStdString(target));
        DialogScript::answerConfirm(false);
        press(*form, "Command3");
        const QString prompt = "是否替换保存: 文件" + QString::fromStdString(target) + "已存在，是否替换这个文件？";
        QCOMPARE(messageTexts(), QStringList{prompt});
        QCOMPARE(DialogScript::messages()[0].kind, DialogScript::Kind::Confirm);
        QCOMPARE(test::readFile(target), std::string("old content"));

        DialogScript::clearShown();
        DialogScript::answerFile(QString::fromStdString(target));
        DialogScript::answerConfirm(true);
        press(*form, "Command3");
        QCOMPARE(messageTexts(), (QStringList{prompt, "合并完成: 合并数据完成！"}));
        QCOMPARE(test::readSheet(target, 1).size(), size_t(14));
    }

    void aTargetThatCannotBeReplacedIsReportedInUse() {
        chooseSource();
        const std::string target = dir->file("busy.xls");
        fs::create_directory(target);
        DialogScript::answerFile(QString::fromStdString(target));
        DialogScript::answerConfirm(true);
        press(*form, "Command3");
        QVERIFY(messageTexts().contains("文件被打开: " + QString::fromStdString(target) + "正在使用，无法覆盖"));
        QVERIFY(fs::is_directory(target));
    }

    void cancellingTheSaveDialogChangesNothing() {
        chooseSource();
        form->logBox()->setPlainText("earlier");
        press(*form, "Command3");
        QVERIFY(DialogScript::messages().empty());
        QCOMPARE(form->logBox()->toPlainText(), QString("earlier"));
    }

    void aWholeConversionFromPageNine() {
        const fs::path in = dir->path() / "in", out = dir->path() / "out";
        fs::create_directories(in);
        fs::create_directories(out);
        test::makeBook((in / "a.xls").string(), {{"S", {{"1"}}}});
        test::makeBook((in / "b.xls").string(), {{"S", {{"2"}}}});
        test::openPage(*form, 9);
        DialogScript::answerFolder(QString::fromStdString(in.string()));
        press(*form, "Command16(0)");
        DialogScript::answerFolder(QString::fromStdString(out.string()));
        press(*form, "Command16(1)");
        press(*form, "Command17");
        QCOMPARE(form->logBox()->toPlainText(), QString("数据处理信息\n\n完成“a.xls”转换\n完成“b.xls”转换"));
        QCOMPARE(messageTexts(), QStringList{"转换完成: 所有转换完成！"});
        QVERIFY(fs::exists(out / "a.xlsx") && fs::exists(out / "b.xlsx"));

        // The other way, appended to what the box already shows.
        const fs::path back = dir->path() / "back";
        fs::create_directories(back);
        form->control<QLineEdit>("Text11(0)")->setText(QString::fromStdString(out.string()));
        form->control<QLineEdit>("Text11(1)")->setText(QString::fromStdString(back.string()));
        form->control<QRadioButton>("Option3(1)")->click();
        press(*form, "Command17");
        QVERIFY(form->logBox()->toPlainText().endsWith("完成“b.xls”转换\n完成“a.xlsx”转换\n完成“b.xlsx”转换"));
        QVERIFY(fs::exists(back / "a.xls"));
    }

    void conversionChecksComeInTheirOrder() {
        test::openPage(*form, 9);
        form->control<QLineEdit>("Text11(0)")->setText(QString::fromStdString(dir->file("none")));
        form->control<QLineEdit>("Text11(1)")->setText(QString::fromStdString(dir->file("none2")));
        press(*form, "Command17");
        QCOMPARE(messageTexts(), QStringList{"未找到: 转换前Excel所在文件夹中  没有找到excel文件"});
    }

    void asecondOperationCannotStartWhileOneRuns() {
        chooseSource();
        QVERIFY(form->beginOperation());
        press(*form, "Command3");
        press(*form, "Command17");
        press(*form, "Command9");
        press(*form, "Command16(0)");
        QVERIFY(DialogScript::shown().size() == 1); // only the open dialog of chooseSource
        form->endOperation();

        // A click that arrives while the merge lets window events run is ignored.
        DialogScript::answerFile(QString::fromStdString(dir->file("r.xls")));
        QMetaObject::invokeMethod(form->control<QPushButton>("Command17"), "click", Qt::QueuedConnection);
        press(*form, "Command3");
        QCOMPARE(messageTexts(), QStringList{"合并完成: 合并数据完成！"});
        QCoreApplication::processEvents();
        QCOMPARE(messageTexts().size(), 1); // taken and dropped during the merge, not held back for later
    }

    void everyActionIsAvailable() {
        for (const char* name : {"Command1", "Command3", "Command4", "Command6", "Command8", "Command11", "Command17",
                                 "Command7", "Command16(1)"})
            QVERIFY2(form->control(name)->isEnabled(), name);
    }

    void optionOneShowsTheStartRowControlsOnlyForTheOneSheetMerge() {
        test::openPage(*form, 2);
        const char* controls[] = {"Text4", "Check2", "La1(0)", "La1(2)"};
        QVERIFY(form->control<QRadioButton>("Option1(0)")->isChecked());
        form->control<QRadioButton>("Option1(1)")->click();
        for (const char* name : controls)
            QVERIFY2(!form->control(name)->isVisible(), name);
        form->control<QRadioButton>("Option1(0)")->click();
        for (const char* name : controls)
            QVERIFY2(form->control(name)->isVisible(), name);
    }

    void checkFourEnablesTheCorrespondenceButton() {
        form->control<QCheckBox>("Check4")->click();
        QVERIFY(form->control("Command13")->isEnabled());
        form->control<QCheckBox>("Check4")->click();
        QVERIFY(!form->control("Command13")->isEnabled());
    }

    void theMergeByKeyboardAfterTheMenu() {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        test::openPage(*form, 1);
        QCOMPARE(QApplication::focusWidget(), form->control("Text1"));
        const char* order[] = {"Command1", "Text2", "Check1", "Check5", "Command3"};
        for (const char* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QString(next));
        }
        QTest::keyClick(form->control("Command3"), Qt::Key_Tab, Qt::ShiftModifier);
        QTest::keyClick(form->control("Check5"), Qt::Key_Tab, Qt::ShiftModifier);
        QTest::keyClick(form->control("Check1"), Qt::Key_Tab, Qt::ShiftModifier);
        QTest::keyClick(form->control("Text2"), Qt::Key_Tab, Qt::ShiftModifier);
        DialogScript::answerFile(source);
        QTest::keyClick(form->control("Command1"), Qt::Key_Return);
        QCOMPARE(form->control<QLineEdit>("Text1")->text(), source);
        DialogScript::answerFile(QString::fromStdString(dir->file("k.xls")));
        QTest::keyClick(form->control("Command3"), Qt::Key_Enter);
        QCOMPARE(messageTexts(), QStringList{"合并完成: 合并数据完成！"});
    }
};

TABRIX_GUI_SUITE(PageActionsTest);
#include "PageActionsTest.moc"
