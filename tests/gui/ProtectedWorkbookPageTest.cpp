#include "gui/GuiSuite.h"
#include "gui/GuiSupport.h"

#include "app/PasswordDialog.h"
#include "engine/object/Application.h"
#include "engine/object/Workbook.h"
#include "engine/object/Workbooks.h"
#include "support/TestPaths.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>

using namespace tabrix;
using app::DialogScript;
using app::Form1;
namespace fs = std::filesystem;

namespace {
// A workbook written with a password by the engine's own protected writer.
void makeProtectedBook(const std::string& path, const std::string& tag) {
    test::makeBook(path, {{"一月", {{"名称", "数量"}, {tag + "2", "2"}}}});
    engine::Application app;
    engine::Workbook& book = app.Workbooks().Open(path);
    book.SetPassword("pw");
    book.SaveAs(path);
}

std::vector<DialogScript::Shown> passwordQuestions() {
    std::vector<DialogScript::Shown> out;
    for (const auto& s : DialogScript::shown())
        if (s.kind == DialogScript::Kind::Password) out.push_back(s);
    return out;
}
} // namespace

class ProtectedWorkbookPageTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Form1> form;
    std::unique_ptr<test::TempDir> dir;
    fs::path folder;

    void mergeFolder(const std::string& target) {
        test::openPage(*form, 2);
        DialogScript::answerFolder(QString::fromStdString(folder.string()));
        form->control<QPushButton>("Command2")->click();
        DialogScript::answerFile(QString::fromStdString(target));
        form->control<QPushButton>("Command4")->click();
    }

private slots:
    void init() {
        DialogScript::start();
        dir = std::make_unique<test::TempDir>();
        folder = dir->path() / "分店";
        fs::create_directories(folder);
        makeProtectedBook((folder / "北京.xls").string(), "b");
        makeProtectedBook((folder / "上海.xls").string(), "s");
        form = std::make_unique<Form1>();
        form->show();
    }
    void cleanup() {
        form.reset();
        dir.reset();
    }

    // A wrong answer asks again saying so; the right one, kept for the next files, opens the second workbook
    // without a question. The merged workbook is new and unprotected.
    void aFolderOfProtectedWorkbooksMergesWithOneRightAnswer() {
        DialogScript::answerPassword(QString("错的"));
        DialogScript::answerPassword(QString("pw"), true);
        const std::string target = dir->file("汇总.xls");
        mergeFolder(target);
        const auto asked = passwordQuestions();
        QCOMPARE(asked.size(), size_t(2));
        QVERIFY(asked[0].text.contains("上海.xls"));
        QVERIFY(!asked[0].text.contains("密码不正确"));
        QVERIFY(asked[1].text.startsWith("密码不正确"));
        QCOMPARE(asked[1].title, QString("需要密码"));
        QVERIFY(!form->logBox()->toPlainText().contains("pw"));
        QCOMPARE(test::readSheet(target, 1), (std::vector<std::string>{"名称|数量", "s2|2", "b2|2"}));
    }

    // Listing the sheets on the find page and running the find open the workbook twice; the user is asked once. A
    // password that no longer fits (the file was protected again) is asked for afresh, without "密码不正确".
    void oneWorkbookListedAndSearchedIsAskedForOnce() {
        const std::string source = (folder / "北京.xls").string();
        auto listAndFind = [&](const std::string& target) {
            test::openPage(*form, 7);
            DialogScript::answerFile(QString::fromStdString(source));
            form->control<QPushButton>("Command9")->click();
            form->control<QListWidget>("List3")->setCurrentRow(0);
            form->control<QLineEdit>("Text9")->setText("b2");
            DialogScript::answerFile(QString::fromStdString(target));
            form->control<QPushButton>("Command12")->click();
        };
        DialogScript::answerPassword(QString("pw"));
        listAndFind(dir->file("结果.xls"));
        QCOMPARE(passwordQuestions().size(), size_t(1));
        QCOMPARE(test::readSheet(dir->file("结果.xls"), 1), (std::vector<std::string>{"b2|2"}));

        engine::Application app;
        engine::Workbook& book = app.Workbooks().Open(dir->file("结果.xls"));
        book.SetPassword("new");
        book.SaveAs(source);
        DialogScript::answerPassword(QString("new"));
        listAndFind(dir->file("结果2.xls"));
        const auto asked = passwordQuestions();
        QCOMPARE(asked.size(), size_t(2));
        QVERIFY(!asked[1].text.contains("密码不正确"));
        QCOMPARE(test::readSheet(dir->file("结果2.xls"), 1), (std::vector<std::string>{"b2|2"}));
    }

    void aCancelledQuestionRefusesTheMergeAndWritesNothing() {
        DialogScript::answerPassword(std::nullopt);
        const std::string target = dir->file("汇总.xls");
        mergeFolder(target);
        QVERIFY(form->logBox()->toPlainText().contains("没有输入密码，已取消"));
        QVERIFY(test::messageTexts().last().startsWith("需要密码: "));
        QVERIFY(!fs::exists(target));
        QVERIFY(!form->busy());
    }

    void theDialogHidesWhatIsTypedAndOffersTheSamePasswordOnlyForFolders() {
        app::PasswordDialog single(form.get(), {"/data/工资.xlsx", false, false});
        QCOMPARE(single.passwordBox()->echoMode(), QLineEdit::Password);
        QVERIFY(single.questionText().contains("工资.xlsx"));
        QVERIFY(single.sameForNextBox()->isHidden());
        auto* buttons = single.findChild<QDialogButtonBox*>();
        QCOMPARE(buttons->button(QDialogButtonBox::Ok)->text(), QString("确定"));
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QString("取消"));
        app::PasswordDialog folderQuestion(form.get(), {"/data/工资.xlsx", true, true});
        QVERIFY(!folderQuestion.sameForNextBox()->isHidden());
        QCOMPARE(folderQuestion.sameForNextBox()->text(), QString("后面的文件使用同一密码"));
        QVERIFY(folderQuestion.questionText().startsWith("密码不正确"));
    }
};

TABRIX_GUI_SUITE(ProtectedWorkbookPageTest);
#include "ProtectedWorkbookPageTest.moc"
