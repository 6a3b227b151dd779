#include "gui/GuiSuite.h"
#include "gui/GuiSupport.h"

#include "support/TestPaths.h"

#include <QLineEdit>
#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace tabrix;
using app::DialogScript;
using app::Form1;
using test::messageTexts;
using test::press;

class FindClearPagesTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Form1> form;
    std::unique_ptr<test::TempDir> dir;

    QString file(const std::string& name) { return QString::fromStdString(dir->file(name)); }

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

    void aWholeFindFromPageSeven() {
        const QString source = file("订单.xls");
        test::makeBook(source.toStdString(),
                       {{"说明", {{"无"}}},
                        {"订单", {{"编号", "客户"}, {"101", "北京甲"}, {"102", "上海乙"}, {"103", "北京丙"}}}});
        test::openPage(*form, 7);
        DialogScript::answerFile(source);
        press(*form, "Command9");
        auto* sheets = form->control<QListWidget>("List3");
        QCOMPARE(sheets->count(), 2);
        sheets->setCurrentRow(1);
        form->control<QLineEdit>("Text9")->setText("北京");
        const QString target = file("结果.xls");
        DialogScript::answerFile(target);
        press(*form, "Command12");
        QCOMPARE(form->logBox()->toPlainText(), QString("数据处理信息\n正在查找相同的数据\n查找数据完成"));
        QCOMPARE(messageTexts(), QStringList{"查找数据完成: 查找数据完成！"});
        const auto& save = DialogScript::shown()[1];
        QCOMPARE(save.kind, DialogScript::Kind::Save);
        QCOMPARE(save.title, QString("保存查找数据后的结果文件"));
        QCOMPARE(save.text, QString("保存查找数据后的结果文件(*.xls)|*.xls"));
        QCOMPARE(test::readSheet(target.toStdString(), 1), (std::vector<std::string>{"101|北京甲", "103|北京丙"}));
        QVERIFY(!form->busy());
    }

    void findRefusesAnEmptySearchTextBeforeAnyDialog() {
        test::openPage(*form, 7);
        press(*form, "Command12");
        QCOMPARE(messageTexts(), QStringList{"查找有误: 查找的内容不能为空"});
        form->control<QLineEdit>("Text9")->setText(" ");
        DialogScript::clearShown();
        press(*form, "Command12");
        QCOMPARE(messageTexts(), QStringList{"请选择工作表: 没有选择工作表"});
        QCOMPARE(DialogScript::shown().size(), size_t(1));
    }

    void aLenientClearFromPageEight() {
        const QString data = file("名单.xls"), removal = file("离职.xls");
        test::makeBook(data.toStdString(), {{"名单", {{"Ａ１０２ ", "上海乙"}, {"A103", "北京丙"}}}});
        test::makeBook(removal.toStdString(), {{"离职", {{"a102", "上海乙\t"}}}});
        test::openPage(*form, 8);
        auto* lenient = form->control<QCheckBox>("Check9");
        QCOMPARE(lenient->text(), QString("忽略首尾空格和全角半角"));
        QVERIFY(lenient->isVisible() && !lenient->isChecked());
        DialogScript::answerFile(data);
        press(*form, "Command15(0)");
        DialogScript::answerFile(removal);
        press(*form, "Command15(1)");
        lenient->setChecked(true);
        const QString target = file("在职.xls");
        DialogScript::answerFile(target);
        press(*form, "Command14");
        QCOMPARE(form->logBox()->toPlainText(), QString("数据处理信息\n正在分析数据\n处理第2行数据\n删除数据完成"));
        QCOMPARE(test::readSheet(target.toStdString(), 1), (std::vector<std::string>{"A103|北京丙"}));
        QVERIFY(lenient->isChecked());
    }

    void aWholeClearFromPageEight() {
        const QString data = file("客户.xls"), removal = file("退订.xls");
        test::makeBook(data.toStdString(),
                       {{"客户", {{"编号", "客户"}, {"101", "北京甲"}, {"102", "上海乙"}, {"103", "北京丙"}}}});
        test::makeBook(removal.toStdString(), {{"其他", {{"x"}}}, {"退订", {{"编号", "客户"}, {"102", "上海乙"}}}});
        test::openPage(*form, 8);
        DialogScript::answerFile(data);
        press(*form, "Command15(0)");
        DialogScript::answerFile(removal);
        press(*form, "Command15(1)");
        QCOMPARE(form->control<QListWidget>("List5(0)")->currentItem()->text(), QString("客户"));
        form->control<QListWidget>("List5(1)")->setCurrentRow(1);
        const QString target = file("留下.xls");
        DialogScript::answerFile(target);
        press(*form, "Command14");
        QCOMPARE(form->logBox()->toPlainText(), QString("数据处理信息\n正在分析数据\n处理第4行数据\n删除数据完成"));
        QCOMPARE(messageTexts(), QStringList{"删除数据完成: 删除数据完成！"});
        const auto& save = DialogScript::shown()[2];
        QCOMPARE(save.kind, DialogScript::Kind::Save);
        QCOMPARE(save.title, QString("保存比较数据后的结果文件"));
        QCOMPARE(save.text, QString("保存比较数据的结果文件(*.xls)|*.xls"));
        QCOMPARE(test::readSheet(target.toStdString(), 1), (std::vector<std::string>{"101|北京甲", "103|北京丙"}));
        QVERIFY(!form->busy());
    }

    void clearRefusesTheDataWorkbookAsTarget() {
        const QString data = file("客户.xls");
        test::makeBook(data.toStdString(), {{"客户", {{"1"}}}, {"退订", {{"1"}}}});
        test::openPage(*form, 8);
        for (const char* button : {"Command15(0)", "Command15(1)"}) {
            DialogScript::answerFile(data);
            press(*form, button);
        }
        DialogScript::clearShown();
        DialogScript::answerFile(data);
        press(*form, "Command14");
        QCOMPARE(messageTexts(), QStringList{"操作失效: 新的文件不能覆盖原有Excel文件"});
    }

    void oneOperationAtATime() {
        test::openPage(*form, 7);
        form->control<QLineEdit>("Text9")->setText("x");
        {
            app::OperationScope running(*form);
            press(*form, "Command12");
            press(*form, "Command14");
            QVERIFY(DialogScript::shown().empty());
        }
        press(*form, "Command12");
        QCOMPARE(messageTexts(), QStringList{"请选择工作表: 没有选择工作表"});
    }
};

TABRIX_GUI_SUITE(FindClearPagesTest);
#include "FindClearPagesTest.moc"
