// Files and folders dragged onto the pages, and what the window remembers between runs (the folder of each
// page's dialogs, the version choice).
#include "gui/GuiSuite.h"
#include "gui/GuiSupport.h"

#include "app/FolderMemory.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <filesystem>

using namespace tabrix;
using app::DialogScript;
using app::Form1;

namespace {
// What a file manager delivers: a drag entering the widget, then the drop, with one local file URL.
bool dropOn(QWidget* target, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

QString lastLogLine(const Form1& f) {
    return f.logBox()->toPlainText().split('\n').back();
}
} // namespace

class DropAndMemoryTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Form1> form;
    std::unique_ptr<test::TempDir> dir;
    QString book, folder, text;

private slots:
    void initTestCase() {
        dir = std::make_unique<test::TempDir>();
        book = QString::fromStdString(dir->file("销售.xlsx"));
        test::makeBook(book.toStdString(), {{"一月", {{"a"}}}, {"二月", {{"b"}}}});
        folder = QString::fromStdString(dir->file("分店"));
        std::filesystem::create_directory(folder.toStdString());
        text = QString::fromStdString(dir->file("说明.txt"));
        test::writeFile(text.toStdString(), "not a workbook");
    }
    void init() {
        app::FolderMemory::setKeptBetweenRuns(true);
        QSettings("Tabrix", "Tabrix").clear();
        form = std::make_unique<Form1>();
        form->show();
        DialogScript::clearShown();
    }
    void cleanup() {
        form.reset();
        QSettings("Tabrix", "Tabrix").clear();
        app::FolderMemory::setKeptBetweenRuns(false);
    }

    void aWorkbookDroppedOnAPathBoxIsListedAsItsButtonWould() {
        test::openPage(*form, 7);
        QVERIFY(dropOn(form->control("Text8"), book));
        QCOMPARE(form->control<QLineEdit>("Text8")->text(), book);
        QVERIFY(form->control<QLineEdit>("Text8")->isReadOnly());
        auto* list = form->control<QListWidget>("List3");
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->currentItem()->text(), QString("一月"));
    }

    void aWorkbookDroppedOnThePageFillsItsFileBoxAndAFolderItsFolderBox() {
        test::openPage(*form, 1);
        QVERIFY(dropOn(form->control("fra(1)"), book));
        QCOMPARE(form->control<QLineEdit>("Text1")->text(), book);
        test::openPage(*form, 2);
        QVERIFY(dropOn(form->control("fra(2)"), folder));
        QCOMPARE(form->control<QLineEdit>("Text3")->text(), folder);
        QVERIFY(form->control<QLineEdit>("Text3")->isReadOnly());
        // Two boxes on the page: the first empty one takes the drop.
        test::openPage(*form, 6);
        QVERIFY(dropOn(form->control("fra(6)"), book));
        QVERIFY(dropOn(form->control("fra(6)"), book));
        QCOMPARE(form->control<QLineEdit>("Text7(0)")->text(), book);
        QCOMPARE(form->control<QLineEdit>("Text7(1)")->text(), book);
    }

    void aPathGivenAtStartIsShownOnThePageThatTakesIt() {
        form->openPath(book);
        QVERIFY(form->control("fra(1)")->isVisible());
        QCOMPARE(form->control<QLineEdit>("Text1")->text(), book);
        form->openPath(folder);
        QVERIFY(form->control("fra(2)")->isVisible());
        QCOMPARE(form->control<QLineEdit>("Text3")->text(), folder);
    }

    void anythingElseIsRefusedWithALogLine() {
        test::openPage(*form, 1);
        dropOn(form->control("Text1"), text);
        QVERIFY(form->control<QLineEdit>("Text1")->text().isEmpty());
        QCOMPARE(lastLogLine(*form), "未使用拖入的“" + text + "”：不是Excel工作簿（.xls 或 .xlsx）");
        dropOn(form->control("Text1"), folder);
        QCOMPARE(lastLogLine(*form), "未使用拖入的“" + folder + "”：这里需要Excel文件，不是文件夹");
        test::openPage(*form, 2);
        dropOn(form->control("Text3"), book);
        QVERIFY(form->control<QLineEdit>("Text3")->text().isEmpty());
        QCOMPARE(lastLogLine(*form), "未使用拖入的“" + book + "”：这里需要文件夹，不是文件");
    }

    void eachPagesDialogsReopenInTheFolderLastUsedThere() {
        test::openPage(*form, 1);
        DialogScript::answerFile(book);
        form->control<QPushButton>("Command1")->click();
        QVERIFY2(DialogScript::shown().back().folder.isEmpty(), "a first dialog starts where the platform starts it");
        DialogScript::answerFile(std::nullopt);
        form->control<QPushButton>("Command1")->click();
        QCOMPARE(DialogScript::shown().back().folder, QString::fromStdString(dir->path().string()));
        test::openPage(*form, 3);
        DialogScript::answerFile(std::nullopt);
        form->control<QPushButton>("Command5")->click();
        QVERIFY2(DialogScript::shown().back().folder.isEmpty(), "another page keeps its own folder");
        test::openPage(*form, 2);
        DialogScript::answerFolder(folder);
        form->control<QPushButton>("Command2")->click();
        // The next run of the program remembers them too.
        form = std::make_unique<Form1>();
        form->show();
        test::openPage(*form, 2);
        DialogScript::answerFolder(std::nullopt);
        form->control<QPushButton>("Command2")->click();
        QCOMPARE(DialogScript::shown().back().folder, folder);
    }

    void anInstalledProgramFindsItsHelpUnderShare() {
        const QString root = QString::fromStdString(dir->file("usr"));
        QDir().mkpath(root + "/bin");
        QDir().mkpath(root + "/share/tabrix/help");
        QCOMPARE(app::helpFilePath(root + "/bin"), root + "/bin/help/Tabrix.chm"); // none installed: as always
        test::writeFile((root + "/share/tabrix/help/Tabrix.chm").toStdString(), "ITSF");
        QCOMPARE(app::helpFilePath(root + "/bin"), root + "/share/tabrix/help/Tabrix.chm");
        QDir().mkpath(root + "/bin/help");
        test::writeFile((root + "/bin/help/Tabrix.chm").toStdString(), "ITSF");
        QCOMPARE(app::helpFilePath(root + "/bin"), root + "/bin/help/Tabrix.chm"); // the build tree's own first
    }

    void theVersionChoiceComesBackAndAFirstStartKeepsTheOlderFormat() {
        QVERIFY(form->control<QRadioButton>("excelbb(0)")->isChecked());
        form->control<QRadioButton>("excelbb(1)")->click();
        form = std::make_unique<Form1>();
        QVERIFY(form->control<QRadioButton>("excelbb(1)")->isChecked());
        QCOMPARE(form->workingExtension(), QString("xlsx"));
    }
};

TABRIX_GUI_SUITE(DropAndMemoryTest);
#include "DropAndMemoryTest.moc"
