#include "gui/GuiSuite.h"
#include "gui/GuiSupport.h"

#include "app/FrameWidgets.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>

using namespace tabrix;
using app::Form1;
using test::indexed;

namespace {
const int kPages[] = {1, 2, 3, 4, 6, 7, 8, 9};

std::vector<int> entryTops(const Form1& f) {
    std::vector<int> tops;
    for (int i = 1; i <= 5; ++i)
        tops.push_back(test::top(f, indexed("menu1", i)));
    return tops;
}

std::vector<int> visibleSubEntries(const Form1& f) {
    std::vector<int> shown;
    for (int k = 1; k <= 8; ++k)
        if (f.control(indexed("menu2", k))->isVisible()) shown.push_back(k);
    return shown;
}

std::vector<int> visiblePages(const Form1& f) {
    std::vector<int> shown;
    for (int k : kPages)
        if (f.control(indexed("fra", k))->isVisible()) shown.push_back(k);
    return shown;
}

int bottom(const Form1& f, const QString& name) {
    return test::box(f, name).top() + test::box(f, name).height();
}

// Everything the menu and the page area can change, to compare before and after an action that must change nothing.
QString snapshot(const Form1& f, const QString& skip = {}) {
    QString s;
    for (QWidget* w : f.findChildren<QWidget*>()) {
        if (w->objectName() == skip) continue;
        const QRect r = app::twipsGeometry(w);
        s += QString("%1:%2,%3,%4,%5,%6,%7;")
                 .arg(w->objectName())
                 .arg(r.left())
                 .arg(r.top())
                 .arg(r.width())
                 .arg(r.height())
                 .arg(w->isVisible())
                 .arg(w->font().bold());
    }
    return s;
}

QColor textColour(const Form1& f, const QString& name) {
    return f.control(name)->palette().color(QPalette::WindowText);
}
} // namespace

class MenuLayoutTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Form1> form;
    std::unique_ptr<test::OpenedUrls> opened;

private slots:
    void init() {
        app::DialogScript::start();
        opened = std::make_unique<test::OpenedUrls>();
        form = std::make_unique<Form1>();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() {
        form.reset();
        opened.reset();
    }

    void entriesStartEightHundredApartWithTheirIcons() {
        QCOMPARE(entryTops(*form), (std::vector<int>{1150, 1950, 2750, 3550, 4350}));
        for (int i = 1; i <= 5; ++i) {
            QCOMPARE(test::top(*form, indexed("menuPic1", i)), test::top(*form, indexed("menu1", i)) - 150);
            QCOMPARE(test::box(*form, indexed("menu1", i)).left(), 940);
            QCOMPARE(test::box(*form, indexed("menuPic1", i)).left(), 240);
        }
        QVERIFY(!form->control("menu1(0)")->isVisible());
        QVERIFY(visibleSubEntries(*form).empty());
        for (int k = 0; k <= 8; ++k)
            QCOMPARE(test::box(*form, indexed("menu2", k)).left(), 1140);
        QCOMPARE(form->control<QLabel>("menu1(4)")->text(), QString("Excel版本转换"));
        QCOMPARE(form->control<QLabel>("menu2(4)")->text(),
                 QString("将一个工作表拆分\n多个工作簿（文件）\n或多个工作表"));
    }

    void groupOneOpensBelowEntryOne() {
        test::click(*form, "menu1(1)");
        QCOMPARE(visibleSubEntries(*form), (std::vector<int>{1, 2}));
        QCOMPARE(test::top(*form, "menu2(1)"), bottom(*form, "menu1(1)") + 100);
        QCOMPARE(test::top(*form, "menu2(2)"), bottom(*form, "menu2(1)") + 100);
        QCOMPARE(test::top(*form, "menu1(2)"), test::top(*form, "menu2(2)") + 600);
        for (int j = 3; j <= 5; ++j) {
            QCOMPARE(test::top(*form, indexed("menu1", j)), test::top(*form, indexed("menu1", j - 1)) + 600);
            QCOMPARE(test::top(*form, indexed("menuPic1", j)), test::top(*form, indexed("menu1", j)) - 150);
        }
        QCOMPARE(test::top(*form, "menu1(1)"), 1150);
        QVERIFY(visiblePages(*form).empty()); // groups only expand
    }

    void groupTwoShowsTwoSubEntriesNeverTheFifth() {
        test::click(*form, "menu1(2)");
        QCOMPARE(visibleSubEntries(*form), (std::vector<int>{3, 4}));
        QCOMPARE(test::top(*form, "menu1(2)"), 1150 + 600);
        QCOMPARE(test::top(*form, "menu1(3)"), test::top(*form, "menu2(4)") + 820);
        QCOMPARE(test::top(*form, "menu1(5)"), test::top(*form, "menu1(4)") + 600);
    }

    void groupOneThenGroupThree() {
        test::click(*form, "menu1(1)");
        test::click(*form, "menu1(3)");
        QCOMPARE(visibleSubEntries(*form), (std::vector<int>{6, 7, 8}));
        QCOMPARE(test::top(*form, "menu1(3)") - test::top(*form, "menu1(2)"), 600);
        QCOMPARE(test::top(*form, "menu2(6)"), bottom(*form, "menu1(3)") + 200);
        QCOMPARE(test::top(*form, "menu2(8)"), bottom(*form, "menu2(7)") + 200);
        QCOMPARE(test::top(*form, "menu1(4)"), test::top(*form, "menu2(8)") + 400);
        QCOMPARE(test::top(*form, "menuPic1(4)"), test::top(*form, "menu1(4)") - 150);
    }

    void entryFourRestoresTheSpacingAndShowsTheConversionPage() {
        test::click(*form, "menu1(3)");
        test::click(*form, "menu2(6)");
        test::click(*form, "menu1(4)");
        QCOMPARE(entryTops(*form), (std::vector<int>{1150, 1950, 2750, 3550, 4350}));
        QVERIFY(visibleSubEntries(*form).empty());
        QCOMPARE(visiblePages(*form), std::vector<int>{9});
        QCOMPARE(test::box(*form, "fra(9)"), QRect(3720, 1200, 5290, 2810));
        QVERIFY(form->control("Text_inf")->isVisible());
        QCOMPARE(test::top(*form, "Text_inf"), 4010);
        QVERIFY(!form->control("about")->isVisible());
        for (int k = 1; k <= 8; ++k)
            QVERIFY(!form->control(indexed("menu2", k))->font().bold());
    }

    void pageHeightsAndLogBoxTops() {
        const struct {
            int page, height;
        } cases[] = {{1, 2410}, {2, 2410}, {3, 2410}, {4, 2800}, {6, 3130}, {7, 2410}, {8, 2800}};
        for (const auto& c : cases) {
            test::openPage(*form, c.page);
            QCOMPARE(visiblePages(*form), std::vector<int>{c.page});
            QCOMPARE(test::box(*form, indexed("fra", c.page)), QRect(3720, 1200, 5290, c.height));
            QCOMPARE(test::top(*form, "Text_inf"), 1200 + c.height);
            // Under the taller compare page the log box ends where it ends under the conversion page.
            const QRect log = test::box(*form, "Text_inf");
            QCOMPARE(log.top() + log.height(), std::min(1200 + c.height + 2055, 1200 + 2810 + 2055));
            QVERIFY(form->control("Text_inf")->isVisible());
            for (int k = 1; k <= 8; ++k)
                QCOMPARE(form->control(indexed("menu2", k))->font().bold(), k == c.page);
        }
    }

    void onlyALeftReleaseActs() {
        const QString before = snapshot(*form);
        for (int i = 1; i <= 5; ++i) {
            test::click(*form, indexed("menu1", i), Qt::RightButton);
            test::click(*form, indexed("menuPic1", i), Qt::MiddleButton);
        }
        QCOMPARE(snapshot(*form), before);
        QVERIFY(opened->urls.empty());
        test::click(*form, "menuPic1(2)");
        QCOMPARE(visibleSubEntries(*form), (std::vector<int>{3, 4}));
        const QString open = snapshot(*form);
        test::click(*form, "menu2(3)", Qt::RightButton);
        QCOMPARE(snapshot(*form), open);
    }

    void tabReachesEveryEntryAndEnterOrSpaceActsOnIt() {
        // Each entry is followed by its sub-entries in the focus chain (hidden ones are skipped by Tab).
        const std::vector<QString> chain = {"menu1(1)", "menu2(1)", "menu2(2)", "menu1(2)", "menu2(3)", "menu2(4)",
                                            "menu1(3)", "menu2(6)", "menu2(7)", "menu2(8)", "menu1(4)", "menu1(5)"};
        for (size_t i = 0; i < chain.size(); ++i) {
            QCOMPARE(form->control(chain[i])->focusPolicy(), Qt::TabFocus);
            if (i + 1 < chain.size())
                QCOMPARE(form->control(chain[i])->nextInFocusChain(), form->control(chain[i + 1]));
        }
        // A modified key does nothing.
        const QString before = snapshot(*form);
        QTest::keyClick(form->control("menu1(3)"), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(snapshot(*form), before);

        QTest::keyClick(form->control("menu1(3)"), Qt::Key_Return);
        QCOMPARE(visibleSubEntries(*form), (std::vector<int>{6, 7, 8}));
        QTest::keyClick(form->control("menu2(7)"), Qt::Key_Space);
        QCOMPARE(visiblePages(*form), std::vector<int>{7});
        QTest::keyClick(form->control("menu1(4)"), Qt::Key_Enter);
        QCOMPARE(visiblePages(*form), std::vector<int>{9});

        // The focused entry looks hovered, the focused sub-entry underlined.
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->control("menu1(2)")->setFocus(Qt::TabFocusReason);
        QCOMPARE(textColour(*form, "menu1(2)"), QColor(51, 119, 204));
        QTest::keyClick(form->control("menu1(2)"), Qt::Key_Return);
        QTest::keyClick(form->control("menu1(2)"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form->control("menu2(3)"));
        QVERIFY(form->control("menu2(3)")->font().underline());
        QCOMPARE(textColour(*form, "menu1(2)"), QColor(50, 50, 50));
    }

    void helpOpensTheFileNextToTheProgramAndChangesNothingElse() {
        test::openPage(*form, 7);
        const QString before = snapshot(*form, "inf(0)");
        test::click(*form, "menu1(5)");
        test::click(*form, "inf(0)");
        QCOMPARE(opened->urls.size(), size_t(2));
        QCOMPARE(opened->urls[0].toLocalFile(), QCoreApplication::applicationDirPath() + "/help/Tabrix.chm");
        QCOMPARE(snapshot(*form, "inf(0)"), before);
        QVERIFY(!form->control("about")->isVisible());
        // The file need not exist: nothing is shown either way.
        QVERIFY(app::DialogScript::messages().empty());
    }

    void hoverColoursTheEntryUntilThePointerIsOverThePanel() {
        QCOMPARE(textColour(*form, "menu1(2)"), QColor(50, 50, 50));
        QTest::mouseMove(form->control("menu1(2)"));
        QCOMPARE(textColour(*form, "menu1(2)"), QColor(51, 119, 204));
        QWidget* panel = form->control("left_menu");
        QTest::mouseMove(panel, QPoint(5, panel->height() - 5));
        QCOMPARE(textColour(*form, "menu1(2)"), QColor(50, 50, 50));
        QTest::mouseMove(form->control("menuPic1(3)"));
        QCOMPARE(textColour(*form, "menu1(3)"), QColor(51, 119, 204));
    }

    void helpLinkUnderlinesOnHoverAndWhitensOverTheBanner() {
        auto* link = form->control<QLabel>("inf(0)");
        QCOMPARE(link->text(), QString("帮 助(H)"));
        QVERIFY(link->font().bold());
        QCOMPARE(link->font().pointSize(), 10);
        QTest::mouseMove(link);
        QVERIFY(link->font().underline());
        QCOMPARE(textColour(*form, "inf(0)"), QColor(51, 119, 204));
        QTest::mouseMove(form->control("toppic"), QPoint(5, 5));
        QVERIFY(!link->font().underline());
        QCOMPARE(textColour(*form, "inf(0)"), QColor(255, 255, 255));
    }

    void bannerTilesAndPanelFollowTheOuterSize() {
        auto* banner = form->control<app::Banner>("toppic");
        const int tile = test::box(*form, "soutop").width();
        QCOMPARE(banner->tileLefts(), (std::vector<int>{8040, 8040 + tile}));
        QCOMPARE(test::box(*form, "toppic").width(), 9480);
        const QRect link = test::box(*form, "inf(0)");
        QCOMPARE(link.left() + link.width(), 9480 - 500);
        QCOMPARE(test::box(*form, "left_menu").height(), 6630 - 1400);
        auto* panel = form->control<app::NavPanel>("left_menu");
        QCOMPARE(panel->footTop(), 6630 - 1400 - test::box(*form, "soupic").height());
        QCOMPARE(test::box(*form, "Line1").width(), 9480);
    }

    void shortOrMinimisedWindowsKeepTheirLayout() {
        const QString before = snapshot(*form);
        const auto tiles = form->control<app::Banner>("toppic")->tileLefts();
        form->applyWindowSize(12000, 1500, false);
        form->applyWindowSize(12000, 9000, true);
        QCOMPARE(snapshot(*form), before);
        QCOMPARE(form->control<app::Banner>("toppic")->tileLefts(), tiles);
        // Narrow: the panel follows the height, the banner keeps its tiles and the link its place.
        form->applyWindowSize(8000, 6000, false);
        QCOMPARE(test::box(*form, "left_menu").height(), 4600);
        QCOMPARE(form->control<app::Banner>("toppic")->tileLefts(), tiles);
        QCOMPARE(test::box(*form, "toppic").width(), 9480);
        // Wider: one more tile.
        form->applyWindowSize(10500, 6630, false);
        QCOMPARE(form->control<app::Banner>("toppic")->tileLefts().size(), size_t(3));
    }
};

TABRIX_GUI_SUITE(MenuLayoutTest);
#include "MenuLayoutTest.moc"
