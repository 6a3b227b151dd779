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
namespace fs = std::filesystem;

namespace {
std::vector<std::vector<std::string>> block(const std::string& tag) {
    return {{"名称", "数量"}, {tag + "2", "2"}, {tag + "3", "3"}};
}
} // namespace

class MergeFolderPageTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Form1> form;
    std::unique_ptr<test::TempDir> dir;
    fs::path folder;

    void chooseFolder() {
        test::openPage(*form, 2);
        DialogScript::answerFolder(QString::fromStdString(folder.string()));
        form->control<QPushButton>("Command2")->click();
    }

private slots:
    void init() {
        DialogScript::start();
        dir = std::make_unique<test::TempDir>();
        folder = dir->path() / "分店";
        fs::create_directories(folder);
        test::makeBook((folder / "北京.xls").string(), {{"一月", block("b")}, {"二月", block("c")}});
        test::makeBook((folder / "上海.xls").string(), {{"一月", block("s")}});
        form = std::make_unique<Form1>();
        form->show();
    }
    void cleanup() {
        form.reset();
        dir.reset();
    }

    void aWholeMergeIntoOneSheetWithTheNameColumns() {
        chooseFolder();
        QVERIFY(form->control<QLineEdit>("Text3")->isReadOnly());
        QVERIFY(form->control("Command4")->isEnabled());
        form->control<QCheckBox>("Check2")->setChecked(true);
        const QString target = QString::fromStdString(dir->file("汇总.xls"));
        DialogScript::answerFile(target);
        form->control<QPushButton>("Command4")->click();
        QCOMPARE(form->logBox()->toPlainText(), "数据处理信息\n正在复制文件“上海.xls”中的工作表“一月”数据\n"
                                                "正在复制文件“北京.xls”中的工作表“一月”数据\n"
                                                "正在复制文件“北京.xls”中的工作表“二月”数据\n合并数据完成\n"
                                                "合并后数据保存在" +
                                                    target);
        QCOMPARE(messageTexts(), QStringList{"合并完成: 合并数据完成！"});
        const auto& save = DialogScript::shown()[1];
        QVERIFY(save.kind == DialogScript::Kind::Save);
        QCOMPARE(save.title, QString("保存合并后的文件"));
        QCOMPARE(save.text, QString("保存合并后的文件(*.xls)|*.xls"));
        const auto rows = test::readSheet(target.toStdString(), 1);
        QCOMPARE(rows.size(), size_t(7));
        QCOMPARE(rows[0], std::string("所属的原Excel文件名|工作表名|名称|数量"));
        QCOMPARE(rows[1], std::string("上海|一月|s2|2"));
        QCOMPARE(rows[6], std::string("北京|二月|c3|3"));
        QVERIFY(!form->busy());
    }

    void aWholeMergeAsSeveralSheets() {
        chooseFolder();
        form->control<QRadioButton>("Option1(1)")->click();
        QVERIFY(!form->control("Text4")->isVisible());
        const std::string target = dir->file("全部.xls");
        DialogScript::answerFile(QString::fromStdString(target));
        form->control<QPushButton>("Command4")->click();
        QCOMPARE(form->logBox()->toPlainText(),
                 QString::fromStdString("数据处理信息\n正在复制文件“北京.xls”中的工作表“一月”数据\n"
                                        "正在复制文件“北京.xls”中的工作表“二月”数据\n合并数据完成\n合并后数据保存在" +
                                        target));
        QCOMPARE(messageTexts(), QStringList{"合并完成: 合并数据完成！"});
        QCOMPARE(test::readSheet(target, 2), (std::vector<std::string>{"名称|数量", "b2|2", "b3|3"}));
    }

    void theHeadingBoxesOnBothPagesAndTheirVisibility() {
        test::openPage(*form, 1);
        auto* sheetsBox = form->control<QCheckBox>("Check5");
        QCOMPARE(sheetsBox->text(), QString("按标题名称对齐列"));
        QVERIFY(sheetsBox->isVisible() && !sheetsBox->isChecked());
        QVERIFY(sheetsBox->geometry().top() > form->control("Check1")->geometry().bottom());
        chooseFolder();
        auto* folderBox = form->control<QCheckBox>("Check6");
        QCOMPARE(folderBox->text(), QString("按标题名称对齐列"));
        QVERIFY(folderBox->isVisible() && !folderBox->isChecked());
        QVERIFY(folderBox->geometry().top() > form->control("Check2")->geometry().bottom());
        folderBox->setChecked(true);
        form->control<QRadioButton>("Option1(1)")->click();
        QVERIFY(!folderBox->isVisible());
        form->control<QRadioButton>("Option1(0)")->click();
        QVERIFY(folderBox->isVisible() && folderBox->isChecked());
    }

    void aWholeMergeByHeadingsWithItsLog() {
        test::makeBook((folder / "广州.xls").string(), {{"一月", {{"数量", "名称", "备注"}, {"5", "g2", "新店"}}}});
        chooseFolder();
        form->control<QCheckBox>("Check6")->setChecked(true);
        const std::string target = dir->file("对齐.xls");
        DialogScript::answerFile(QString::fromStdString(target));
        form->control<QPushButton>("Command4")->click();
        const QString log = form->logBox()->toPlainText();
        QVERIFY2(log.contains("文件“广州.xls”中的工作表“一月”的列已按标题名称对齐：“数量”移到第B列，“名称”移到第A列，"
                              "“备注”新增为第C列"),
                 qPrintable(log));
        QCOMPARE(messageTexts(),
                 QStringList{"合并完成: 合并数据完成！有1个工作表的标题与第一个工作表不同，已按标题名称对齐列。"});
        const auto rows = test::readSheet(target, 1);
        QCOMPARE(rows.front(), std::string("名称|数量|备注"));
        QCOMPARE(rows.back(), std::string("g2|5|新店"));
    }

    void anEmptyStartRowIsPutBackAndAResultInTheFolderRefused() {
        chooseFolder();
        form->control<QLineEdit>("Text4")->clear();
        form->control<QPushButton>("Command4")->click();
        QCOMPARE(messageTexts(), QStringList{"开始行有误: 没有开始行，将默认设置为2"});
        QCOMPARE(form->control<QLineEdit>("Text4")->text(), QString("2"));

        DialogScript::clearShown();
        DialogScript::answerFile(QString::fromStdString((folder / "r.xls").string()));
        form->control<QPushButton>("Command4")->click();
        QCOMPARE(messageTexts(), QStringList{"操作失效: 新的文件不能与原有Excel文件在同一个目录"});
        QVERIFY(!fs::exists(folder / "r.xls"));
    }

    void aFolderWithoutWorkbooksOfTheWorkingExtension() {
        form->control<QRadioButton>("excelbb(1)")->click();
        chooseFolder();
        form->control<QPushButton>("Command4")->click();
        QCOMPARE(messageTexts(), QStringList{"文件不存在: 所选的目录没有Excel文件，请查实"});
    }
};

TABRIX_GUI_SUITE(MergeFolderPageTest);
#include "MergeFolderPageTest.moc"
