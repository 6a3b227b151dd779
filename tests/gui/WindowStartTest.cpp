#include "gui/GuiSuite.h"
#include "gui/GuiSupport.h"

#include "app/Fonts.h"
#include "app/Mainst.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>

using namespace tabrix;
using app::Form1;

namespace {
// What the program really needs and does: its own engine, no spreadsheet software, results as new files.
const QString kAbout = "     Tabrix自带读写Excel工作簿的引擎，可直接处理Excel2003及以前版本（.xls）和"
                       "Excel2007版本（.xlsx）的文件，使用本工具不需要安装MS Office或其他电子表格软件。\n"
                       "\n"
                       "     Tabrix所产生的数据均为保存新文件，对原Excel文档没有任何影响。\n"
                       "\n"
                       "    欢迎提出意见和建议。";
const int kPages[] = {1, 2, 3, 4, 6, 7, 8, 9};
} // namespace

class WindowStartTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Form1> form;

private slots:
    void initTestCase() {
        app::DialogScript::start();
        form = app::startUp();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanupTestCase() { form.reset(); }

    void startUpLeavesOnlyTheMainWindow() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "mainst") QVERIFY(!w->isVisible());
        QVERIFY(form->isVisible());
        QCOMPARE(app::setupCommandLine("/opt/tabrix"), QString("/opt/tabrix/depend/regsvr32 /s  Comdlg32.ocx"));
    }

    void captionSizeAndPlace() {
        QCOMPARE(form->windowTitle(), QString("Tabrix"));
        const QRect outer = form->frameGeometry();
        QCOMPARE(outer.size(), QSize(app::toPixels(9480), app::toPixels(6630)));
        const QRect screen = form->screen()->geometry();
        QVERIFY(qAbs(outer.center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(outer.center().y() - screen.center().y()) <= 1);
        // A fixed frame: no maximise button and no way to drag the size.
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(form->minimumSize(), form->maximumSize());
    }

    void versionSelectorStartsOnTheOlderFormat() {
        QVERIFY(form->control<QRadioButton>("excelbb(0)")->isChecked());
        QVERIFY(!form->control<QRadioButton>("excelbb(1)")->isChecked());
        QCOMPARE(form->workingExtension(), QString("xls"));
        QCOMPARE(form->control<QAbstractButton>("excelbb(0)")->text(), QString("2003及以前版"));
        QCOMPARE(form->control<QAbstractButton>("excelbb(1)")->text(), QString("2007版"));
        QCOMPARE(form->control<QLabel>("Label2")->text(), QString("选择Excel版本"));
    }

    void noPageNoLogBoxButTheAboutPanel() {
        for (int k : kPages)
            QVERIFY(!form->control(test::indexed("fra", k))->isVisible());
        QVERIFY(!form->control("Text_inf")->isVisible());
        auto* about = form->control<QPlainTextEdit>("about");
        QVERIFY(about->isVisible());
        QVERIFY(about->isReadOnly());
        QCOMPARE(about->toPlainText(), kAbout);
        QCOMPARE(test::box(*form, "about"), QRect(3600, 1080, 5535, 4935));
        QCOMPARE(about->font().family(), QString("宋体"));
        QCOMPARE(about->font().pointSize(), 11);
        QCOMPARE(form->logBox()->toPlainText(), QString("数据处理信息\n"));
    }

    void compareControlsStartUncheckedAndDisabled() {
        QVERIFY(!form->control<QCheckBox>("Check4")->isChecked());
        QVERIFY(!form->control("Command13")->isEnabled());
        QVERIFY(form->correspondence().firstColumns.empty());
        QVERIFY(!form->sheetListReady());
    }

    void frameBoxes() {
        QCOMPARE(test::box(*form, "toppic").height(), 810);
        QCOMPARE(test::top(*form, "left_menu"), 820);
        QCOMPARE(test::box(*form, "Shape1(0)"), QRect(0, 120, 3375, 700));
        QCOMPARE(test::box(*form, "excelbb(0)"), QRect(240, 480, 1575, 255));
        QCOMPARE(test::box(*form, "excelbb(1)"), QRect(1920, 480, 975, 255));
        const QRect log = test::box(*form, "Text_inf");
        QCOMPARE(log.left(), 3720);
        QCOMPARE(log.width(), 5295);
        QCOMPARE(log.height(), 2055);
    }

    void everyTextResolvesToASongFaceWithAllItsGlyphs() {
        const QFontInfo info(app::songFont(9));
        QVERIFY2(info.family().contains("Ming") || info.family().contains("Song") || info.family().contains("CJK"),
                 qPrintable(info.family()));
        std::vector<std::pair<QString, QFont>> texts;
        for (auto* w : form->findChildren<QLabel*>())
            texts.emplace_back(w->text(), w->font());
        for (auto* w : form->findChildren<QAbstractButton*>())
            texts.emplace_back(w->text(), w->font());
        texts.emplace_back(kAbout, form->control("about")->font());
        for (const auto& [text, font] : texts) {
            const QFontMetrics metrics(font);
            for (QChar c : text)
                if (!c.isSpace())
                    QVERIFY2(metrics.inFont(c), qPrintable(QString("no glyph for %1 in %2").arg(c).arg(text)));
        }
    }

    void styledControlsUseSongTi9() {
        for (const char* name : {"La1(0)", "La1(24)", "Check1", "Combo1", "Command3", "Command17", "List3",
                                 "Option3(1)", "Text9", "Text11(1)", "Text_inf"}) {
            const QFont font = form->control(name)->font();
            QCOMPARE(font.family(), QString("宋体"));
            QCOMPARE(font.pointSize(), 9);
        }
        QCOMPARE(test::box(*form, "List1").height(), 600);
        for (const char* list : {"List2(0)", "List2(1)", "List3", "List5(0)", "List5(1)"})
            QCOMPARE(test::box(*form, list).height(), 780);
    }
};

TABRIX_GUI_SUITE(WindowStartTest);
#include "WindowStartTest.moc"
