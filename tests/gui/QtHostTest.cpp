#include "gui/GuiSuite.h"

#include "app/CommonDialog.h"
#include "app/DialogScript.h"
#include "app/QtHost.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QWidget>

using namespace tabrix::app;
using Kind = DialogScript::Kind;

class QtHostTest : public QObject {
    Q_OBJECT
    QWidget owner;
    QPlainTextEdit* log = nullptr;
    CommonDialog* cmd = nullptr;
    std::unique_ptr<QtHost> host;

private slots:
    void init() {
        DialogScript::start();
        log = new QPlainTextEdit(&owner);
        cmd = new CommonDialog(&owner);
        host = std::make_unique<QtHost>(&owner, log, *cmd);
    }
    void cleanup() {
        host.reset();
        delete log;
        delete cmd;
    }

    void linesFollowTheResetTextAndTheEndStaysInView() {
        log->setFixedSize(200, 60);
        host->resetLog("数据处理信息");
        for (int i = 0; i < 30; ++i)
            host->appendLog("正在复制工作表“S" + std::to_string(i) + "”数据");
        QVERIFY(log->toPlainText().startsWith("数据处理信息\n正在复制工作表“S0”数据\n"));
        QVERIFY(log->toPlainText().endsWith("\n正在复制工作表“S29”数据"));
        QCOMPARE(log->textCursor().position(), log->document()->characterCount() - 1);
        host->resetLog("数据处理信息");
        QCOMPARE(log->toPlainText(), QString("数据处理信息"));
    }

    void progressLinesReplaceEachOtherButNotOrdinaryLines() {
        host->resetLog("数据处理信息");
        host->appendLog("开始");
        host->progressLog("处理第1行数据");
        host->progressLog("处理第2行数据");
        host->progressLog("处理第3行数据");
        QCOMPARE(log->toPlainText(), QString("数据处理信息\n开始\n处理第3行数据"));
        host->appendLog("完成");
        host->progressLog("处理第1行数据");
        QCOMPARE(log->toPlainText(), QString("数据处理信息\n开始\n处理第3行数据\n完成\n处理第1行数据"));
        host->resetLog("数据处理信息");
        host->progressLog("处理第9行数据");
        QCOMPARE(log->toPlainText(), QString("数据处理信息\n处理第9行数据"));
    }

    void appendingToTheInitialTextKeepsItsLineBreak() {
        // The box starts as the reset text and a line break; the conversion appends to it without a reset.
        log->setPlainText("数据处理信息\n");
        host->appendLog("完成“a.xls”转换");
        QCOMPARE(log->toPlainText(), QString("数据处理信息\n\n完成“a.xls”转换"));
    }

    void filtersAreTranslatedToQtsForm() {
        QCOMPARE(qtFileFilter("原Excel文件(*.xls)|*.xls"), QString("原Excel文件(*.xls)"));
        QCOMPARE(qtFileFilter("保存合并后的文件(*.xlsx)|*.xlsx"), QString("保存合并后的文件(*.xlsx)"));
        QCOMPARE(qtFileFilter("工作簿|*.xls;*.xlsx|全部|*.*"), QString("工作簿 (*.xls *.xlsx);;全部 (*.*)"));
        QCOMPARE(qtFileFilter(""), QString(""));
    }

    void aTitleNotSetKeepsTheLastOneShown() {
        DialogScript::answerFile(QString("/tmp/a.xls"));
        DialogScript::answerFile(QString("/tmp/b.xls"));
        QCOMPARE(host->openFileDialog({"选择原Excel文件", "原Excel文件(*.xls)|*.xls"}),
                 std::optional<std::string>("/tmp/a.xls"));
        QCOMPARE(host->openFileDialog({std::nullopt, "原Excel文件(*.xls)|*.xls"}),
                 std::optional<std::string>("/tmp/b.xls"));
        const auto& shown = DialogScript::shown();
        QCOMPARE(shown.size(), size_t(2));
        QCOMPARE(shown[1].title, QString("选择原Excel文件"));
        QCOMPARE(shown[1].text, QString("原Excel文件(*.xls)|*.xls"));
    }

    void aDialogNeverGivenATitleShowsItsOwnDefault() {
        host->saveFileDialog({std::nullopt, "x(*.xls)|*.xls"});
        host->openFileDialog({std::nullopt, "x(*.xls)|*.xls"});
        QCOMPARE(DialogScript::shown()[0].title, QString("另存为"));
        QCOMPARE(DialogScript::shown()[1].title, QString("打开"));
    }

    void cancelIsAnErrorOnlyWhenAskedTo() {
        QCOMPARE(host->saveFileDialog({"保存", "x(*.xls)|*.xls"}), std::optional<std::string>());
        cmd->setCancelError(true);
        cmd->setFileName("kept");
        QVERIFY_THROWS_EXCEPTION(DialogCancelled, cmd->showOpen());
        cmd->setCancelError(false);
        cmd->showOpen();
        QCOMPARE(cmd->fileName(), QString("kept"));
    }

    void messagesAndPromptsAreAnsweredByScript() {
        host->message("合并数据完成！", "合并完成");
        DialogScript::answerConfirm(true);
        QVERIFY(host->confirm("文件x已存在，是否替换这个文件？", "是否替换保存"));
        QVERIFY(!host->confirm("unanswered", "t"));
        const auto msgs = DialogScript::messages();
        QCOMPARE(msgs.size(), size_t(3));
        QVERIFY(msgs[0].kind == Kind::Message && msgs[0].title == "合并完成" && msgs[0].text == "合并数据完成！");
        QVERIFY(msgs[1].kind == Kind::Confirm && msgs[1].title == "是否替换保存");
    }

    void folderBrowserCancelGivesNothing() {
        DialogScript::answerFolder(QString("  /data/in  "));
        QCOMPARE(host->browseFolder(), std::optional<std::string>("/data/in"));
        QCOMPARE(host->browseFolder(), std::optional<std::string>());
    }
};

TABRIX_GUI_SUITE(QtHostTest);
#include "QtHostTest.moc"
