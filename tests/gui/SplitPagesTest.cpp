#include "gui/GuiSuite.h"
#include "gui/GuiSupport.h"

#include "support/TestPaths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
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
std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<std::vector<std::string>> kOrders = {
    {"编号", "地区", "数量"}, {"1", "北京", "10"}, {"2", "上海", "20"}, {"3", "北京", "30"}};
} // namespace

class SplitPagesTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Form1> form;
    std::unique_ptr<test::TempDir> dir;

    QString file(const std::string& name) { return QString::fromStdString(dir->file(name)); }

    // Page 4 with the orders workbook chosen, its second worksheet listed and column B as the condition.
    QString chooseOrdersOnPageFour() {
        const QString source = file("订单.xls");
        test::makeBook(source.toStdString(), {{"说明", {{"无"}}}, {"订单", kOrders}});
        test::openPage(*form, 4);
        DialogScript::answerFile(source);
        press(*form, "Command7");
        form->control<QListWidget>("List1")->setCurrentRow(1);
        auto* combo = form->control<QComboBox>("Combo1");
        if (combo->count() != 3) return {};
        combo->setCurrentIndex(1);
        return source;
    }

private slots:
    void init() {
        DialogScript::start();
        dir = std::make_unique<test::TempDir>();
        form = std::make_unique<Form1>();
        form->show();
    }
    void cleanup() {
        form.reset();
        dir.reset();
    }

    void aWholeSplitOfWorksheetsFromPageThree() {
        const QString source = file("三表.xls");
        test::makeBook(source.toStdString(), {{"a", {{"x", "1"}}}, {"b", {{"y", "2"}}}, {"c", {{"z", "3"}}}});
        test::openPage(*form, 3);
        DialogScript::answerFile(source);
        press(*form, "Command5");
        const std::string out = dir->file("结果");
        fs::create_directory(out);
        DialogScript::answerFolder(QString::fromStdString(out));
        press(*form, "Command6");
        QCOMPARE(DialogScript::shown()[1].kind, DialogScript::Kind::Folder);
        QCOMPARE(form->logBox()->toPlainText(), QString("数据处理信息\n正在复制工作表“a”数据\n正在复制工作表“b”数据\n"
                                                        "正在复制工作表“c”数据\n拆分数据完成"));
        QCOMPARE(messageTexts(), QStringList{"拆分完成: 拆分数据完成！"});
        QCOMPARE(filesIn(out), (std::vector<std::string>{"a.xls", "b.xls", "c.xls"}));
        QCOMPARE(test::readSheet(out + "/b.xls", 1), std::vector<std::string>{"y|2"});
        QVERIFY(!form->busy());
    }

    void pageThreeAsksForTheFolderBeforeItLooksAtTheSource() {
        test::openPage(*form, 3);
        press(*form, "Command6");
        QCOMPARE(DialogScript::shown().size(), size_t(1));
        QCOMPARE(DialogScript::shown()[0].kind, DialogScript::Kind::Folder);
        QVERIFY(messageTexts().isEmpty()); // cancelled: nothing more
        DialogScript::answerFolder(QString::fromStdString(dir->file("")));
        press(*form, "Command6");
        QCOMPARE(messageTexts(), QStringList{"文件不存在: 原Excel文件不存在，请查实"});
    }

    void aWholeSplitIntoWorkbooksFromPageFour() {
        QVERIFY(!chooseOrdersOnPageFour().isEmpty());
        form->control<QCheckBox>("Check3")->setChecked(true);
        const std::string out = dir->file("按地区");
        fs::create_directory(out);
        DialogScript::answerFolder(QString::fromStdString(out));
        press(*form, "Command8");
        QCOMPARE(form->logBox()->toPlainText(),
                 QString("数据处理信息\n正在拆分出“上海”文件\n正在拆分出“北京”文件\n拆分数据完成"));
        QCOMPARE(messageTexts(), QStringList{"拆分完成: 拆分数据完成！"});
        QCOMPARE(filesIn(out), (std::vector<std::string>{"上海.xls", "北京.xls"}));
        QCOMPARE(test::readSheet(out + "/北京.xls", 1), (std::vector<std::string>{"编号|数量", "1|10", "3|30"}));
    }

    void aWholeSplitIntoWorksheetsFromPageFour() {
        QVERIFY(!chooseOrdersOnPageFour().isEmpty());
        form->control<QRadioButton>("Option2(1)")->click();
        const QString target = file("按地区.xls");
        DialogScript::answerFile(target);
        DialogScript::clearShown();
        press(*form, "Command8");
        const auto& save = DialogScript::shown()[0];
        QCOMPARE(save.kind, DialogScript::Kind::Save);
        QCOMPARE(save.title, QString("保存拆分后的文件"));
        QCOMPARE(save.text, QString("保存拆分后的文件(*.xls)|*.xls"));
        QCOMPARE(form->logBox()->toPlainText(),
                 QString("数据处理信息\n正在拆分出“上海”工作表\n正在拆分出“北京”工作表\n拆分数据完成"));
        QCOMPARE(test::readSheet(target.toStdString(), 1), (std::vector<std::string>{"编号|地区|数量", "2|上海|20"}));
        QCOMPARE(test::readSheet(target.toStdString(), 2),
                 (std::vector<std::string>{"编号|地区|数量", "1|北京|10", "3|北京|30"}));
    }

    void pageFourRefusesAMissingSelectionBeforeTheSaveDialog() {
        const QString source = file("订单.xls");
        test::makeBook(source.toStdString(), {{"订单", kOrders}});
        test::openPage(*form, 4);
        DialogScript::answerFile(source);
        press(*form, "Command7");
        form->control<QRadioButton>("Option2(1)")->click();
        DialogScript::clearShown();
        press(*form, "Command8");
        QCOMPARE(messageTexts(), QStringList{"条件不足: 请认真检查，有没有选择工作表，有没有选择拆分条件"});
        QCOMPARE(DialogScript::shown().size(), size_t(1)); // no save dialog
    }
};

TABRIX_GUI_SUITE(SplitPagesTest);
#include "SplitPagesTest.moc"
