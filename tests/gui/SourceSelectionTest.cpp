#include "gui/GuiSuite.h"
#include "gui/GuiSupport.h"

#include "support/TestPaths.h"

#include <QComboBox>
#include <QLineEdit>
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

namespace {
QStringList items(const Form1& f, const QString& list) {
    QStringList out;
    auto* w = f.control<QListWidget>(list);
    for (int i = 0; i < w->count(); ++i)
        out << w->item(i)->text();
    return out;
}

QStringList comboItems(const Form1& f) {
    QStringList out;
    auto* w = f.control<QComboBox>("Combo1");
    for (int i = 0; i < w->count(); ++i)
        out << w->itemText(i);
    return out;
}

QString lastFilter() {
    return DialogScript::shown().back().text;
}
} // namespace

class SourceSelectionTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Form1> form;
    std::unique_ptr<test::TempDir> dir;
    QString threeSheets, wide, other;

private slots:
    void initTestCase() {
        dir = std::make_unique<test::TempDir>();
        threeSheets = QString::fromStdString(dir->file("三个表.xls"));
        test::makeBook(threeSheets.toStdString(), {{"一月", {{"a"}}}, {"二月", {{"b"}}}, {"三月", {{"c"}}}});
        wide = QString::fromStdString(dir->file("wide.xlsx"));
        std::vector<std::string> row(28, "x");
        test::makeBook(wide.toStdString(), {{"宽表", {row, {"1"}}}, {"窄表", {{"1", "2"}}}});
        other = QString::fromStdString(dir->file("other.xls"));
        test::makeBook(other.toStdString(), {{"Only", {{"z"}}}});
    }
    void cleanupTestCase() { dir.reset(); }
    void init() {
        DialogScript::start();
        form = std::make_unique<Form1>();
        form->show();
    }
    void cleanup() { form.reset(); }

    void threeSheetsInOrderFirstSelectedOnFindCompareAndClearPages() {
        for (const auto& [button, list] : {std::pair{"Command9", "List3"},
                                           {"Command10(0)", "List2(0)"},
                                           {"Command10(1)", "List2(1)"},
                                           {"Command15(0)", "List5(0)"},
                                           {"Command15(1)", "List5(1)"}}) {
            DialogScript::answerFile(threeSheets);
            press(*form, button);
            QCOMPARE(items(*form, list), (QStringList{"一月", "二月", "三月"}));
            QCOMPARE(form->control<QListWidget>(list)->currentRow(), 0);
        }
        QCOMPARE(form->control<QLineEdit>("Text10(1)")->text(), threeSheets);
        QVERIFY(form->control<QLineEdit>("Text10(1)")->isReadOnly());
    }

    void splitPageListsWithoutSelectingAndColumnsComeOnAClick() {
        QVERIFY(!form->sheetListReady());
        DialogScript::answerFile(wide);
        press(*form, "Command7");
        QCOMPARE(items(*form, "List1"), (QStringList{"宽表", "窄表"}));
        QCOMPARE(form->control<QListWidget>("List1")->currentRow(), -1);
        QVERIFY(form->sheetListReady());
        QVERIFY(comboItems(*form).isEmpty());

        form->control<QListWidget>("List1")->setCurrentRow(0);
        QStringList letters;
        for (char c = 'A'; c <= 'Z'; ++c)
            letters << QString(c);
        letters << "AA"
                << "AB";
        QCOMPARE(comboItems(*form), letters);
        QCOMPARE(form->control<QComboBox>("Combo1")->currentIndex(), 0);
        QCOMPARE(form->lastColumnLetter(), QString("AB"));
        QVERIFY(form->sheetListReady());

        form->control<QListWidget>("List1")->setCurrentRow(1);
        QCOMPARE(comboItems(*form), (QStringList{"A", "B"}));
        QCOMPARE(form->lastColumnLetter(), QString("B"));

        // A new workbook empties the column list until a worksheet is chosen again.
        DialogScript::answerFile(other);
        press(*form, "Command7");
        QCOMPARE(items(*form, "List1"), QStringList{"Only"});
        QVERIFY(comboItems(*form).isEmpty());
    }

    void columnsAreNotListedBeforeTheSheetListIsReady() {
        auto* list = form->control<QListWidget>("List1");
        list->addItem("宽表");
        list->setCurrentRow(0);
        QVERIFY(comboItems(*form).isEmpty());
    }

    void aFailedColumnListingIsLoggedAndLeavesThePageUsable() {
        const QString copy = QString::fromStdString(dir->file("gone.xlsx"));
        std::filesystem::copy_file(wide.toStdString(), copy.toStdString());
        DialogScript::answerFile(copy);
        press(*form, "Command7");
        std::filesystem::remove(copy.toStdString());
        form->control<QListWidget>("List1")->setCurrentRow(0);
        QVERIFY(form->sheetListReady());
        QVERIFY(!form->busy());
        QVERIFY(form->logBox()->toPlainText().contains("未能列出工作表“宽表”的列"));
        QVERIFY(DialogScript::messages().empty());
    }

    void aFileThatIsNotAWorkbookEndsTheListingQuietly() {
        const std::string bad = dir->file("bad.xls");
        test::writeFile(bad, "PK\x03\x04 a damaged package");
        DialogScript::answerFile(threeSheets);
        press(*form, "Command9");
        DialogScript::answerFile(QString::fromStdString(bad));
        press(*form, "Command9");
        QCOMPARE(form->control<QLineEdit>("Text8")->text(), QString::fromStdString(bad));
        QVERIFY(form->control<QLineEdit>("Text8")->isReadOnly());
        QCOMPARE(items(*form, "List3"), (QStringList{"一月", "二月", "三月"}));
        QVERIFY(DialogScript::messages().empty());
        QVERIFY(form->logBox()->toPlainText().contains("bad.xls"));
        QVERIFY(!form->busy());
    }

    void aMissingFileFillsOnlyTheBoxesWithoutListing() {
        const QString missing = QString::fromStdString(dir->file("missing.xls"));
        DialogScript::answerFile(missing);
        press(*form, "Command1");
        QCOMPARE(form->control<QLineEdit>("Text1")->text(), missing);
        QVERIFY(form->control<QLineEdit>("Text1")->isReadOnly());
        DialogScript::answerFile(missing);
        press(*form, "Command5");
        QCOMPARE(form->control<QLineEdit>("Text5")->text(), missing);
        DialogScript::answerFile(missing);
        press(*form, "Command9");
        QVERIFY(form->control<QLineEdit>("Text8")->text().isEmpty());
        QVERIFY(!form->control<QLineEdit>("Text8")->isReadOnly());
    }

    void cancelKeepsBoxesAndLists() {
        DialogScript::answerFile(threeSheets);
        press(*form, "Command9");
        press(*form, "Command9"); // no answer: cancelled
        QCOMPARE(form->control<QLineEdit>("Text8")->text(), threeSheets);
        QCOMPARE(items(*form, "List3").size(), 3);
    }

    void titlesAndFiltersOfTheOpenButtons() {
        press(*form, "Command9");
        QCOMPARE(DialogScript::shown().back().title, QString("打开"));
        press(*form, "Command1");
        QCOMPARE(DialogScript::shown().back().title, QString("选择原Excel文件"));
        QCOMPARE(lastFilter(), QString("原Excel文件(*.xls)|*.xls"));
        press(*form, "Command15(0)");
        QCOMPARE(DialogScript::shown().back().title, QString("选择原Excel文件")); // title not set: the last one
        QCOMPARE(lastFilter(), QString("原Excel数据文件(*.xls)|*.xls"));
        press(*form, "Command15(1)");
        QCOMPARE(lastFilter(), QString("想要删除的数据(*.xls)|*.xls"));
    }

    void theVersionSelectorSwitchesEveryFilter() {
        const char* buttons[] = {"Command1",     "Command5",     "Command7",     "Command9",
                                 "Command10(0)", "Command10(1)", "Command15(0)", "Command15(1)"};
        for (const char* ext : {"xlsx", "xls"}) {
            form->control<QRadioButton>(QString(ext) == "xlsx" ? "excelbb(1)" : "excelbb(0)")->click();
            QCOMPARE(form->workingExtension(), QString(ext));
            for (const char* b : buttons) {
                press(*form, b);
                QVERIFY2(lastFilter().endsWith(QString("(*.%1)|*.%1").arg(ext)), qPrintable(lastFilter()));
            }
        }
    }

    void choosingACompareWorkbookAgainEmptiesTheCorrespondence() {
        form->correspondence().firstColumns = {"", "A", "C"};
        form->correspondence().secondColumns = {"", "B", "D"};
        DialogScript::answerFile(threeSheets);
        press(*form, "Command10(1)");
        QVERIFY(form->correspondence().firstColumns.empty());
        QCOMPARE(form->correspondence().secondColumns.size(), size_t(3));
    }

    void folderButtons() {
        DialogScript::answerFolder(QString::fromStdString(dir->path().string()));
        press(*form, "Command2");
        QCOMPARE(form->control<QLineEdit>("Text3")->text(), QString::fromStdString(dir->path().string()));
        QVERIFY(form->control<QLineEdit>("Text3")->isReadOnly());
        DialogScript::answerFolder(QString("/srv/in"));
        press(*form, "Command16(0)");
        DialogScript::answerFolder(QString("/srv/out"));
        press(*form, "Command16(1)");
        QCOMPARE(form->control<QLineEdit>("Text11(0)")->text(), QString("/srv/in"));
        QCOMPARE(form->control<QLineEdit>("Text11(1)")->text(), QString("/srv/out"));
        QVERIFY(!form->control<QLineEdit>("Text11(0)")->isReadOnly());
        press(*form, "Command16(1)"); // cancelled
        QCOMPARE(form->control<QLineEdit>("Text11(1)")->text(), QString("/srv/out"));
    }
};

TABRIX_GUI_SUITE(SourceSelectionTest);
#include "SourceSelectionTest.moc"
