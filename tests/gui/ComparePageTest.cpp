#include "gui/GuiSuite.h"
#include "gui/GuiSupport.h"

#include "app/Form3.h"
#include "support/TestPaths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <functional>

using namespace tabrix;
using app::DialogScript;
using app::Form1;
using test::messageTexts;
using test::press;
using app::Form3;

namespace {
void press(QWidget* parent, const QString& button) {
    parent->findChild<QPushButton*>(button)->click();
}

template <typename T> T* element(Form3& dialog, const char* name, int k) {
    return dialog.findChild<T*>(test::indexed(name, k));
}

QString chosen(Form3& dialog, const char* box, int k) {
    return element<QComboBox>(dialog, box, k)->currentText();
}

int twipsTopOf(QWidget* w) {
    return app::twipsTop(w);
}

// Answers the column-correspondence dialog once it is up, as a user would, so the modal run can go on. The
// button lets window events run while it measures, so the dialog is waited for rather than expected at once.
void whenDialogShows(Form1& form, std::function<void(Form3&)> act) {
    auto* poll = new QTimer(&form);
    QObject::connect(poll, &QTimer::timeout, &form, [&form, act, poll] {
        auto* dialog = form.findChild<Form3*>("Form3");
        if (!dialog || !dialog->isVisible()) return;
        poll->deleteLater();
        poll->stop();
        act(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
    poll->start(10);
}
} // namespace

class ComparePageTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Form1> form;
    std::unique_ptr<test::TempDir> dir;
    Form1::Correspondence table;

    QString file(const std::string& name) { return QString::fromStdString(dir->file(name)); }

    void chooseSources(const QString& first, const QString& second) {
        test::openPage(*form, 6);
        DialogScript::answerFile(first);
        press(form.get(), "Command10(0)");
        DialogScript::answerFile(second);
        press(form.get(), "Command10(1)");
    }

private slots:
    void init() {
        DialogScript::start();
        dir = std::make_unique<test::TempDir>();
        form = std::make_unique<Form1>();
        form->show();
        table = {};
    }
    void cleanup() {
        form.reset();
        dir.reset();
    }

    void theDialogsFixedControlsAndHiddenTemplates() {
        Form3 dialog(form.get(), 3, 5, table);
        QCOMPARE(dialog.windowTitle(), QString("设定列对应关系"));
        QCOMPARE(app::toTwips(dialog.width()), 4185);
        QCOMPARE(app::twipsGeometry(dialog.findChild<QWidget*>("Picture1")), QRect(120, 120, 3975, 3975));
        QCOMPARE(app::twipsGeometry(dialog.findChild<QWidget*>("Picture2")), QRect(0, 0, 3615, 375));
        QCOMPARE(app::twipsGeometry(dialog.findChild<QWidget*>("VScroll1")), QRect(3820, 140, 270, 3950));
        QCOMPARE(dialog.findChild<QPushButton*>("Command1")->text(), QString("添加对应"));
        QCOMPARE(dialog.findChild<QLabel*>("Label2")->text(), QString("工作表2中列"));
        QCOMPARE(app::twipsGeometry(dialog.findChild<QWidget*>("Command3")), QRect(2280, 4200, 975, 320));
        for (const char* name : {"xuhao", "Com1", "Che", "Com2"})
            QVERIFY2(element<QWidget>(dialog, name, 0)->isHidden(), name);
        QVERIFY(!dialog.findChild<QPushButton*>("Command2")->isEnabled());
        QCOMPARE(dialog.findChild<QScrollBar*>("VScroll1")->maximum(), 0);
    }

    void rowsProposeTheirColumnWrappingAndListEveryColumn() {
        Form3 dialog(form.get(), 3, 30, table);
        for (int k = 0; k < 4; ++k)
            press(&dialog, "Command1");
        QVERIFY(dialog.findChild<QPushButton*>("Command2")->isEnabled());
        QCOMPARE(chosen(dialog, "Com1", 4), QString("第 A 列"));
        QCOMPARE(chosen(dialog, "Com2", 4), QString("第 D 列"));
        QCOMPARE(chosen(dialog, "Com1", 3), QString("第 C 列"));
        auto* wide = element<QComboBox>(dialog, "Com2", 1);
        QCOMPARE(wide->count(), 30);
        QCOMPARE(wide->itemText(25), QString("第 Z 列"));
        QCOMPARE(wide->itemText(26), QString("第 AA 列"));
        QCOMPARE(wide->itemText(29), QString("第 AD 列"));
        QVERIFY(element<QCheckBox>(dialog, "Che", 4)->isChecked());
        QCOMPARE(element<QLabel>(dialog, "xuhao", 4)->text(), QString("4"));
    }

    void rowsKeepTheirPitchAndScrollFromTheNinthRow() {
        Form3 dialog(form.get(), 2, 2, table);
        auto* scroll = dialog.findChild<QScrollBar*>("VScroll1");
        for (int k = 1; k <= 8; ++k)
            press(&dialog, "Command1");
        QCOMPARE(scroll->maximum(), 0);
        press(&dialog, "Command1");
        QCOMPARE(scroll->maximum(), 6);
        for (int k = 1; k <= 9; ++k) {
            QCOMPARE(twipsTopOf(element<QWidget>(dialog, "Com1", k)), 450 * k);
            QCOMPARE(twipsTopOf(element<QWidget>(dialog, "Che", k)), 450 * k);
            QCOMPARE(app::twipsGeometry(element<QWidget>(dialog, "Com2", k)), QRect(2640, 450 * k, 975, 300));
            // A new label sits just below its box until the first scroll puts it on its own line.
            QCOMPARE(app::twipsGeometry(element<QWidget>(dialog, "xuhao", k)), QRect(90, 450 * k + 50, 90, 180));
        }
        scroll->setValue(1);
        for (int k = 1; k <= 9; ++k) {
            QCOMPARE(twipsTopOf(element<QWidget>(dialog, "Com1", k)), 450 * k - 450);
            QCOMPARE(twipsTopOf(element<QWidget>(dialog, "xuhao", k)), 20 + 450 * k - 450);
        }
        // A row added while scrolled lines up with the rows as they stand.
        press(&dialog, "Command1");
        QCOMPARE(twipsTopOf(element<QWidget>(dialog, "Com1", 10)), 450 * 10 - 450);
        scroll->setValue(0);
        QCOMPARE(twipsTopOf(element<QWidget>(dialog, "Com1", 10)), 4500);
    }

    void confirmingStoresTheTickedRowsAndReopeningShowsThem() {
        {
            Form3 dialog(form.get(), 5, 5, table);
            for (int k = 0; k < 5; ++k)
                press(&dialog, "Command1");
            element<QComboBox>(dialog, "Com2", 3)->setCurrentIndex(0);
            element<QCheckBox>(dialog, "Che", 2)->setChecked(false);
            element<QCheckBox>(dialog, "Che", 4)->setChecked(false);
            press(&dialog, "Command2");
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(table.firstColumns, (std::vector<std::string>{"A", "C", "E"}));
        QCOMPARE(table.secondColumns, (std::vector<std::string>{"A", "A", "E"}));
        Form3 again(form.get(), 5, 5, table);
        QCOMPARE(again.rowCount(), 3);
        QVERIFY(!element<QWidget>(again, "Com1", 4));
        QCOMPARE(chosen(again, "Com1", 2), QString("第 C 列"));
        QCOMPARE(chosen(again, "Com2", 2), QString("第 A 列"));
        QCOMPARE(chosen(again, "Com1", 3), QString("第 E 列"));
        for (int k = 1; k <= 3; ++k)
            QVERIFY(element<QCheckBox>(again, "Che", k)->isChecked());
        QVERIFY(again.findChild<QPushButton*>("Command2")->isEnabled());
    }

    void cancellingOrClosingLeavesTheTable() {
        table = {{"B"}, {"C"}};
        for (bool byTitleBar : {false, true}) {
            Form3 dialog(form.get(), 4, 4, table);
            dialog.show();
            press(&dialog, "Command1");
            press(&dialog, "Command1");
            if (byTitleBar)
                dialog.close();
            else
                press(&dialog, "Command3");
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QCOMPARE(table.firstColumns, std::vector<std::string>{"B"});
            QCOMPARE(table.secondColumns, std::vector<std::string>{"C"});
        }
        Form3 reopened(form.get(), 4, 4, table);
        QCOMPARE(reopened.rowCount(), 1);
    }

    void theCorrespondenceButtonChecksBeforeMeasuring() {
        test::openPage(*form, 6);
        form->control<QCheckBox>("Check4")->click();
        press(form.get(), "Command13");
        QCOMPARE(messageTexts(), QStringList{"文件不存在: 原Excel文件不存在，请查实"});
        QVERIFY(!form->findChild<Form3*>("Form3"));
    }

    void theChangeAndLenientBoxesWithAWholeRun() {
        const QString first = file("2023.xls"), second = file("2024.xls");
        test::makeBook(first.toStdString(), {{"名单", {{"工号", "部门"}, {"A001", "销售"}, {"A002", "财务"}}}});
        test::makeBook(second.toStdString(), {{"名单", {{"工号", "部门"}, {"A001 ", "销售"}, {"A002", "人事"}}}});
        chooseSources(first, second);
        auto* changes = form->control<QCheckBox>("Check7");
        auto* lenient = form->control<QCheckBox>("Check8");
        QCOMPARE(changes->text(), QString("标出变化的单元格"));
        QCOMPARE(lenient->text(), QString("忽略首尾空格和全角半角"));
        QVERIFY(!changes->isChecked() && !lenient->isChecked());
        QVERIFY(changes->isVisible() && lenient->isVisible());
        QVERIFY(changes->geometry().top() > form->control("Check4")->geometry().bottom());
        QVERIFY(form->control("fra(6)")->rect().contains(lenient->geometry()));
        changes->setChecked(true);
        lenient->setChecked(true);
        const QString target = file("比较.xls");
        DialogScript::answerFile(target);
        press(form.get(), "Command11");
        QCOMPARE(form->logBox()->toPlainText(),
                 QString("数据处理信息\n正在查找相同的数据\n处理第3行数据\n正在分析不同的数据\n处理第3行数据\n"
                         "正在标出变化的数据\n比较数据完成\n有变化的数据共1行"));
        const std::string out = target.toStdString();
        QCOMPARE(test::readSheet(out, 1), (std::vector<std::string>{"工号|部门", "A001 |销售"}));
        QCOMPARE(test::readSheet(out, 4),
                 (std::vector<std::string>{"来源|工号|部门", "2023.xls|A002|财务", "2024.xls|A002|人事"}));
    }

    void aWholeEnhancedComparisonFromPageSix() {
        const QString first = file("本月.xlsx"), second = file("上月.xlsx");
        test::makeBook(first.toStdString(),
                       {{"名单", {{"名称", "编号", "价格"}, {"苹果", "p1", "5"}, {"梨", "p2", "6"}}}});
        test::makeBook(
            second.toStdString(),
            {{"名单", {{"编号", "价格", "名称"}, {"p2", "6", "梨"}, {"p1", "7", "苹果"}, {"p3", "1", "桃"}}}});
        chooseSources(first, second);
        form->control<QCheckBox>("Check4")->click();
        whenDialogShows(*form, [](Form3& dialog) {
            for (int k = 0; k < 3; ++k)
                press(&dialog, "Command1");
            // Rows propose A=A, B=B, C=C: make them B=A (the key), C=B, A=C.
            element<QComboBox>(dialog, "Com1", 1)->setCurrentIndex(1);
            element<QComboBox>(dialog, "Com1", 2)->setCurrentIndex(2);
            element<QComboBox>(dialog, "Com2", 2)->setCurrentIndex(1);
            element<QComboBox>(dialog, "Com1", 3)->setCurrentIndex(0);
            press(&dialog, "Command2");
        });
        press(form.get(), "Command13");
        QCOMPARE(form->correspondence().firstColumns, (std::vector<std::string>{"B", "C", "A"}));
        const QString target = file("比较.xlsx");
        DialogScript::answerFile(target);
        press(form.get(), "Command11");
        QCOMPARE(
            form->logBox()->toPlainText(),
            QString(
                "数据处理信息\n正在查找相同的数据\n处理第4行数据\n正在分析不同的数据\n处理第3行数据\n比较数据完成"));
        QCOMPARE(messageTexts(), QStringList{"比较数据完成: 比较数据完成！"});
        const auto& save = DialogScript::shown()[2];
        QCOMPARE(save.title, QString("保存比较数据后的结果文件"));
        QCOMPARE(save.text, QString("保存比较数据的结果文件(*.xls)|*.xls"));
        const std::string out = target.toStdString();
        QCOMPARE(test::readSheet(out, 1), (std::vector<std::string>{"编号|价格|名称|1", "p2|6|梨|2"}));
        QCOMPARE(test::readSheet(out, 2), (std::vector<std::string>{"苹果|p1|5|2"}));
        QCOMPARE(test::readSheet(out, 3), (std::vector<std::string>{"p1|7|苹果|3", "p3|1|桃|4"}));
        QVERIFY(!form->busy());

        // Choosing a workbook again forgets the pairs: the next run is a plain comparison.
        DialogScript::answerFile(second);
        press(form.get(), "Command10(1)");
        QVERIFY(form->correspondence().firstColumns.empty());
        DialogScript::answerFile(target);
        DialogScript::answerConfirm(true);
        press(form.get(), "Command11");
        QCOMPARE(test::readSheet(out, 1), (std::vector<std::string>{""}));
        QCOMPARE(test::readSheet(out, 2).size(), size_t(3));
    }
};

TABRIX_GUI_SUITE(ComparePageTest);
#include "ComparePageTest.moc"
